#include "windows/document/story_photos.h"

#include "core/document_composer.h"
#include "core/program_state.h"
#include "ui/picture.h"
#include "ui/rich_text_edit.h"

#include <QBuffer>
#include <QImageReader>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace kt::document {
namespace {

ui::Picture pictureOf(const Photo& photo) {
    ui::Picture p;
    p.bytes = QByteArray(photo.bytes.data(), static_cast<qsizetype>(photo.bytes.size()));
    p.png = photo.format == PhotoFormat::Png;
    QBuffer buffer(&p.bytes);
    p.pixels = QImageReader(&buffer).size(); // from the header: nothing is decoded
    return p;
}

// Each photo after an empty line, centred, its caption in italics under it.
void insertPhotos(QTextCursor& at, const std::vector<Photo>& photos) {
    QTextBlockFormat plain = at.blockFormat();
    QTextBlockFormat centred = plain;
    centred.setAlignment(Qt::AlignHCenter);
    const QTextCharFormat text = at.charFormat();
    QTextCharFormat caption = text;
    caption.setFontItalic(true);
    for (const Photo& photo : photos) {
        at.insertBlock(plain, text);
        at.insertBlock(centred, text);
        ui::insertPicture(at, pictureOf(photo));
        if (!photo.caption.empty()) {
            at.insertBlock(centred, caption);
            at.insertText(QString::fromStdString(photo.caption), caption);
        }
    }
}

} // namespace

void putComposedStory(ui::RichTextEdit& edit, const ProgramState& state) {
    if (state.photos.empty()) {
        edit.setText(QString::fromStdString(DocumentComposer(state.answers)));
        return;
    }
    std::vector<std::size_t> ends;
    const std::string story = DocumentComposer(state.answers, &ends);

    // The text piece by piece, cut where answers end, so each end's place in the text is
    // known; the document counts a CR LF as one paragraph break, any other character as one.
    struct Place {
        std::size_t end;
        const CatalogEntry* entry;
        int position = 0;
    };
    std::vector<Place> places;
    for (const CatalogEntry& e : QuestionCatalog::instance().all())
        if (!state.photos.of(e).empty())
            places.push_back({ends[e.index()], &e});
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.end < b.end; });
    QString text;
    text.reserve(static_cast<qsizetype>(story.size()));
    std::size_t from = 0;
    int position = 0;
    for (Place& p : places) {
        const QString piece =
            QString::fromUtf8(story.data() + from, static_cast<qsizetype>(p.end - from));
        position += static_cast<int>(piece.size() - piece.count(QStringLiteral("\r\n")));
        text += piece;
        from = p.end;
        p.position = position;
    }
    text += QString::fromUtf8(story.data() + from, static_cast<qsizetype>(story.size() - from));
    edit.setText(text);

    // From the last answer back, so the places before it stay where they are; not an undo
    // step, as the composed text is not.
    QTextDocument* document = edit.document();
    document->setUndoRedoEnabled(false);
    QTextCursor at(document);
    at.beginEditBlock();
    for (auto it = places.rbegin(); it != places.rend(); ++it) {
        at.setPosition(it->position);
        insertPhotos(at, state.photos.of(*it->entry));
    }
    at.endEditBlock();
    document->setUndoRedoEnabled(true);
}

} // namespace kt::document
