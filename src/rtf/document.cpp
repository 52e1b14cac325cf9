#include "document.h"

// The group's block list and the document's change record have no public access; the list
// below keeps both exactly as the toolkit's own list does, minus the quadratic marking.
#include <QtGui/private/qtextdocument_p.h>
#include <QtGui/private/qtextobject_p.h>

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
    if (!source.isEmpty())
        QTextCursor(copy.get()).insertFragment(QTextDocumentFragment(&source));
    // Pictures are drawn from the document's resources, which a fragment does not carry.
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

} // namespace kt::rtf
