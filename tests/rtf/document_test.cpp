// The story's document against the toolkit's own: the same edits must give the same lists, the
// same numbers and the same picture on screen, including the items renumbered after an edit.
#include "rtf/document.h"
#include "rtf/rtf.h"

#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kItems = 40;

// The width is set once: setting it lays the whole document out again.
QImage render(QTextDocument& doc) {
    QImage image(300, static_cast<int>(doc.size().height()) + 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    doc.drawContents(&painter);
    return image;
}

// Each list's items in order, with the number each shows.
QStringList numbering(const QTextDocument& doc) {
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (QTextList* list = b.textList())
            out << QStringLiteral("%1/%2 %3 %4")
                       .arg(list->itemNumber(b))
                       .arg(list->count())
                       .arg(list->itemText(b), b.text());
        else
            out << b.text();
    }
    return out;
}

QTextBlock blockAt(QTextDocument& doc, int n) {
    return doc.findBlockByNumber(n);
}

using Edit = std::function<void(QTextDocument&)>;

TEST(StoryDocument, ListsNumberAndRepaintAsTheToolkitsOwnThroughEveryEdit) {
    const std::vector<std::pair<const char*, Edit>> edits = {
        {"an item added in the middle",
         [](QTextDocument& d) {
             QTextCursor c(blockAt(d, 10));
             c.movePosition(QTextCursor::EndOfBlock);
             c.insertBlock();
             c.insertText(QStringLiteral("new"));
         }},
        {"an item deleted near the top",
         [](QTextDocument& d) {
             QTextCursor c(blockAt(d, 3));
             c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
             c.removeSelectedText();
         }},
        {"an item taken out of its list",
         [](QTextDocument& d) { blockAt(d, 5).textList()->remove(blockAt(d, 5)); }},
        {"an item put back",
         [](QTextDocument& d) { blockAt(d, 20).textList()->add(blockAt(d, 5)); }},
        {"a second list begun inside the first",
         [](QTextDocument& d) {
             QTextCursor c(blockAt(d, 30));
             QTextListFormat f;
             f.setStyle(QTextListFormat::ListLowerRoman);
             c.createList(f);
         }},
        {"the first half deleted across both lists",
         [](QTextDocument& d) {
             QTextCursor c(blockAt(d, 2));
             c.setPosition(blockAt(d, 33).position(), QTextCursor::KeepAnchor);
             c.removeSelectedText();
         }},
        {"undone", [](QTextDocument& d) { d.undo(); }},
        {"undone again", [](QTextDocument& d) { d.undo(); }},
        {"redone", [](QTextDocument& d) { d.redo(); }},
        {"everything deleted",
         [](QTextDocument& d) {
             QTextCursor c(&d);
             c.select(QTextCursor::Document);
             c.removeSelectedText();
         }},
        {"undone at last", [](QTextDocument& d) { d.undo(); }},
    };

    QTextDocument plain;
    kt::rtf::Document ours;
    for (QTextDocument* doc : {&plain, static_cast<QTextDocument*>(&ours)}) {
        doc->setTextWidth(300);
        QTextCursor c(doc);
        c.insertText(QStringLiteral("Before"));
        c.insertBlock();
        QTextListFormat f;
        f.setStyle(QTextListFormat::ListDecimal);
        c.createList(f);
        for (int i = 1; i <= kItems; ++i) {
            c.insertText(QStringLiteral("item %1").arg(i));
            c.insertBlock();
        }
        render(*doc); // laid out before the edits, so stale numbers would stay on screen
    }
    ASSERT_EQ(numbering(ours), numbering(plain));
    ASSERT_EQ(ours.begin().next().textList()->count(), kItems + 1);

    for (const auto& [name, edit] : edits) {
        edit(plain);
        edit(ours);
        ASSERT_EQ(numbering(ours), numbering(plain)) << name;
        ASSERT_TRUE(render(ours) == render(plain)) << name;
    }
}

TEST(StoryDocument, ACopyKeepsTheListsPicturesAndSettings) {
    kt::rtf::Document doc;
    doc.setTextWidth(300);
    doc.setDocumentMargin(31);
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pic")), picture);
    QTextCursor c(&doc);
    c.insertList(QTextListFormat::ListDecimal);
    c.insertText(QStringLiteral("one"));
    c.insertBlock();
    c.insertImage(QStringLiteral("pic"));

    const auto copy = kt::rtf::Document::copyOf(doc);
    copy->setTextWidth(300);
    EXPECT_EQ(numbering(*copy), numbering(doc));
    EXPECT_EQ(copy->documentMargin(), 31);
    EXPECT_EQ(
        copy->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("pic"))).value<QImage>(),
        picture);
    EXPECT_TRUE(render(*copy) == render(doc));
    EXPECT_FALSE(copy->isModified());
    EXPECT_FALSE(copy->isUndoAvailable());
}

// The copy is made block by block, not as the toolkit makes it; every document of the test data
// (lists in and around tables, pictures, an empty document that still has formats), and one with
// a plain frame in a list, must come out exactly as the toolkit's own copy.
TEST(StoryDocument, ACopyIsTheToolkitsOwnCopyOfEveryTestDocument) {
    std::vector<std::pair<QString, std::unique_ptr<QTextDocument>>> docs;
    QDirIterator it(QStringLiteral(KITHTALE_TEST_DATA_DIR), {QStringLiteral("*.rtf")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        auto doc = std::make_unique<kt::rtf::Document>();
        if (kt::rtf::loadFile(path, *doc))
            docs.emplace_back(path, std::move(doc));
    }
    ASSERT_GT(docs.size(), 80U);
    auto framed = std::make_unique<kt::rtf::Document>();
    QTextCursor c(framed.get());
    QTextList* list = c.insertList(QTextListFormat::ListDecimal);
    c.insertText(QStringLiteral("one"));
    c.insertFrame(QTextFrameFormat());
    c.insertText(QStringLiteral("two"));
    list->add(c.block());
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral("three"));
    list->add(c.block());
    docs.emplace_back(QStringLiteral("a frame in a list"), std::move(framed));

    for (const auto& [name, doc] : docs) {
        const std::unique_ptr<QTextDocument> theirs(doc->clone());
        const auto ours = kt::rtf::Document::copyOf(*doc);
        EXPECT_EQ(ours->toHtml(), theirs->toHtml()) << name.toStdString();
        EXPECT_EQ(numbering(*ours), numbering(*theirs)) << name.toStdString();
    }
}

} // namespace
