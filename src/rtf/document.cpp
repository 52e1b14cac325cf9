#include "document.h"

// The group's block list and the document's change record have no public access; the list
// below keeps both exactly as the toolkit's own list does, minus the quadratic marking.
#include <QtGui/private/qtextdocument_p.h>
#include <QtGui/private/qtextobject_p.h>

#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>

#include <algorithm>

namespace kt::rtf {
namespace {

class List final : public QTextList {
public:
    using QTextList::QTextList;

protected:
    void blockInserted(const QTextBlock& block) override {
        QTextBlockGroupPrivate& d = group();
        // A list being read grows at its end, where the new item is the only one to lay out.
        const int position = block.position();
        if (d.blocks.isEmpty() || d.blocks.constLast().position() < position) {
            d.blocks.append(block);
            d.pieceTable->documentChange(position, block.length());
            return;
        }
        const auto at = std::lower_bound(d.blocks.begin(), d.blocks.end(), block);
        const qsizetype index = at - d.blocks.begin();
        d.blocks.insert(at, block);
        markFrom(index);
    }

    void blockRemoved(const QTextBlock& block) override {
        QTextBlockGroupPrivate& d = group();
        // The block is still in the document, so its place among the others is known; a search
        // by position finds it unless the group is out of order, which the linear look covers.
        // A list deleted whole loses its first item each time: that needs no search, and every
        // step of one asks the document for two positions.
        auto at = !d.blocks.isEmpty() && d.blocks.constFirst() == block
                      ? d.blocks.begin()
                      : std::lower_bound(d.blocks.begin(), d.blocks.end(), block);
        if (at == d.blocks.end() || *at != block)
            at = std::find(d.blocks.begin(), d.blocks.end(), block);
        if (at == d.blocks.end())
            return;
        const qsizetype index = at - d.blocks.begin();
        d.blocks.erase(at); // at the front, as when a list is deleted whole, this is constant
        if (d.blocks.isEmpty()) {
            d.pieceTable->deleteObject(this); // as the toolkit's list does: gone with its items
            return;
        }
        markFrom(index);
    }

private:
    QTextBlockGroupPrivate& group() {
        return *static_cast<QTextBlockGroupPrivate*>(QObject::d_ptr.data());
    }

    // Marks the items from `index` to the end for layout. The document records one changed
    // range, so one range over them is what marking each of them would record.
    void markFrom(qsizetype index) {
        QTextBlockGroupPrivate& d = group();
        if (index >= d.blocks.size())
            return;
        const int from = d.blocks.at(index).position();
        const QTextBlock& last = d.blocks.constLast();
        d.pieceTable->documentChange(from, last.position() + last.length() - from);
    }
};

// Appends the source's content to an empty copy. The toolkit's own copy goes through a
// fragment, which is a document with the toolkit's lists and so costs n squared for a list of n
// items (40,000 items: 49 s to print). Here the root frame's blocks are appended one by one,
// each list of the source becoming one list of the copy; a table or other frame, whose structure
// only the toolkit knows how to copy, goes through a fragment of its own.
void copyContent(const QTextDocument& source, QTextDocument& copy) {
    QTextDocumentPrivate* to = QTextDocumentPrivate::get(&copy);
    QTextFormatCollection* formats = to->formatCollection();
    QHash<int, int> lists; // the source's object index of a list -> the copy's
    const auto blockFormat = [&](QTextBlockFormat format) {
        const int index = format.objectIndex();
        if (index < 0)
            return format;
        auto it = lists.constFind(index);
        if (it == lists.constEnd()) {
            const QTextObject* object = source.object(index);
            const int made = object ? to->createObject(object->format())->objectIndex() : -1;
            it = lists.insert(index, made);
        }
        format.setObjectIndex(it.value());
        return format;
    };
    const auto end = [&] { return to->length() - 1; };

    QTextCursor cursor(&copy);
    cursor.beginEditBlock();
    // The copy's first block, and the block after a frame, exist already: they are given the
    // source's formats instead of being made.
    bool blockExists = true;
    for (auto it = source.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* frame = it.currentFrame()) {
            QTextCursor whole(const_cast<QTextDocument*>(&source));
            whole.setPosition(frame->firstPosition() - 1);
            whole.setPosition(frame->lastPosition() + 1, QTextCursor::KeepAnchor);
            const int start = end();
            cursor.setPosition(start);
            cursor.insertFragment(QTextDocumentFragment(whole));
            // The fragment made lists of its own; a list the frame shares with the text around
            // it (an item in a cell) is one list in the source and stays one in the copy.
            QTextBlock mine = copy.findBlock(start).next();
            for (QTextBlock theirs = source.findBlock(frame->firstPosition());
                 theirs.isValid() && mine.isValid() && theirs.position() <= frame->lastPosition();
                 theirs = theirs.next(), mine = mine.next()) {
                if (theirs.textList() && mine.textList() && theirs.text() == mine.text())
                    QTextCursor(mine).setBlockFormat(blockFormat(theirs.blockFormat()));
            }
            blockExists = true;
            continue;
        }
        const QTextBlock block = it.currentBlock();
        const QTextBlockFormat format = blockFormat(block.blockFormat());
        if (blockExists) {
            cursor.setPosition(end());
            cursor.setBlockFormat(format);
            cursor.setBlockCharFormat(block.charFormat());
            blockExists = false;
        } else {
            to->insertBlock(end(), formats->indexForFormat(format),
                            formats->indexForFormat(block.charFormat()));
        }
        for (auto f = block.begin(); !f.atEnd(); ++f) {
            const QTextFragment fragment = f.fragment();
            QTextCharFormat chars = fragment.charFormat();
            chars.clearProperty(QTextFormat::ObjectIndex); // as the toolkit's cursor does for text
            to->insert(end(), fragment.text(), formats->indexForFormat(chars));
        }
    }
    cursor.endEditBlock();
}

} // namespace

Document::Document(QObject* parent) : QTextDocument(parent) {}

QTextObject* Document::createObject(const QTextFormat& format) {
    if (format.isListFormat())
        return new List(this);
    return QTextDocument::createObject(format);
}

std::unique_ptr<Document> Document::copyOf(const QTextDocument& source) {
    auto copy = std::make_unique<Document>();
    copy->setUndoRedoEnabled(false); // a copy starts with no history, and records none of this
    copy->setDefaultFont(source.defaultFont());
    copy->setDefaultTextOption(source.defaultTextOption());
    copy->setDefaultStyleSheet(source.defaultStyleSheet());
    copy->setIndentWidth(source.indentWidth());
    copy->setDocumentMargin(source.documentMargin());
    copy->setUseDesignMetrics(source.useDesignMetrics());
    copy->setMetaInformation(QTextDocument::DocumentTitle,
                             source.metaInformation(QTextDocument::DocumentTitle));
    copy->setMetaInformation(QTextDocument::DocumentUrl,
                             source.metaInformation(QTextDocument::DocumentUrl));
    if (source.pageSize().isValid())
        copy->setPageSize(source.pageSize());
    copy->setResourceProvider(source.resourceProvider());
    copyContent(source, *copy);
    // Pictures are drawn from the document's resources, which copying the text does not carry.
    QSet<QString> names;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            if (!names.contains(name)) {
                names.insert(name);
                copy->addResource(QTextDocument::ImageResource, QUrl(name),
                                  source.resource(QTextDocument::ImageResource, QUrl(name)));
            }
        }
    }
    copy->rootFrame()->setFrameFormat(source.rootFrame()->frameFormat());
    copy->setModified(false);
    copy->setUndoRedoEnabled(source.isUndoRedoEnabled());
    return copy;
}

QString Document::plainTextOf(const QString& html) {
    Document doc;
    doc.setUndoRedoEnabled(false);
    doc.setHtml(html);
    return doc.toPlainText();
}

} // namespace kt::rtf
