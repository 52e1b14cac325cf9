#pragma once

#include <QTextDocument>
#include <QTextListFormat>

#include <memory>

namespace kt::rtf {

// A text document whose lists cost linear time in their length.
//
// The toolkit's list marks every one of its items for layout whenever an item joins or leaves
// it, so building a list of n items costs n squared (32,000 items: half a minute), and so does
// deleting one. The lists of this document mark only the items whose number changes: the one
// added or removed and those after it. What the lists hold, number and write is unchanged.
// Every document that holds a story is one of these: a plain QTextDocument works with the
// codec too, only slowly for long lists.
class Document final : public QTextDocument {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);

    // A copy of `source` as QTextDocument::clone makes it (content, resources, page and default
    // settings), but one of these.
    static std::unique_ptr<Document> copyOf(const QTextDocument& source);

    // The plain text of a piece of HTML (a paste), read into one of these: the toolkit's own
    // reading goes through a fragment, whose lists cost n squared.
    static QString plainTextOf(const QString& html);

protected:
    QTextObject* createObject(const QTextFormat& format) override;
};

// The marker the toolkit shows for item `number` (from 1) of a list in `format`, in a paragraph
// running in `direction`; empty for a bullet list. QTextList::itemText gives the same, but finds
// the item's number by searching the whole list, so asking it of every item of a long list
// (writing it, printing it) is quadratic.
QString listMarker(const QTextListFormat& format, int number, Qt::LayoutDirection direction);

} // namespace kt::rtf
