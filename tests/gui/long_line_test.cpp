// Text with a long stretch and no place to break a line: the answer boxes and the editor wrap it
// anywhere (so laying it out stays linear) and keep every character of it.
#include "rtf/document.h"
#include "system/memory.h"
#include "ui/rich_text_edit.h"
#include "ui/wrap_guard.h"
#include "windows/questionnaire/answer_page.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <gtest/gtest.h>

using kt::questionnaire::AnswerBox;
using kt::ui::hasLongUnbrokenRun;
using kt::ui::kLongestWord;
using kt::ui::RichTextEdit;

namespace {

class OpenBox : public AnswerBox {
public:
    OpenBox() : AnswerBox(nullptr, QStringLiteral("txtTest")) {}
    using AnswerBox::insertFromMimeData;
};

class OpenEdit : public RichTextEdit {
public:
    using RichTextEdit::insertFromMimeData;
};

QString unbroken(qsizetype n) {
    QString s(n, QLatin1Char('-'));
    for (qsizetype i = 0; i < n; i += 7)
        s[i] = QLatin1Char('a' + i % 26);
    return s;
}

QString words(qsizetype n) {
    QString s;
    while (s.size() < n)
        s += QStringLiteral("a few words ");
    return s;
}

// The widest line of the first block, laid out in a viewport of 300 pixels.
template <class Edit> qreal widestLine(Edit& edit) {
    edit.resize(300, 200);
    edit.show();
    QTest::qWait(0);
    const QTextBlock block = edit.document()->firstBlock();
    edit.document()->documentLayout()->blockBoundingRect(block); // lays it out
    const QTextLayout* layout = block.layout();
    qreal widest = 0;
    for (int i = 0; i < layout->lineCount(); ++i)
        widest = std::max(widest, layout->lineAt(i).naturalTextWidth());
    return widest;
}

TEST(WrapGuard, ALongRunIsMoreThanTheLimitWithoutABreak) {
    const QString atLimit = unbroken(kLongestWord);
    EXPECT_FALSE(hasLongUnbrokenRun(atLimit));
    EXPECT_TRUE(hasLongUnbrokenRun(atLimit + QLatin1Char('x')));
    EXPECT_FALSE(hasLongUnbrokenRun(atLimit + QLatin1Char(' ') + atLimit));
    EXPECT_FALSE(hasLongUnbrokenRun(atLimit + QChar(0x200B) + atLimit)); // zero-width space
    EXPECT_FALSE(hasLongUnbrokenRun(atLimit + QChar(0x2029) + atLimit)); // paragraph break
    // A no-break space joins what it stands between.
    EXPECT_TRUE(hasLongUnbrokenRun(atLimit + QChar(0x00A0) + atLimit));
    EXPECT_FALSE(hasLongUnbrokenRun(words(100000)));
}

// A box filled with a long unbroken answer wraps it at the box's edge and gives it back as
// stored; ordinary text put in afterwards wraps at words again.
TEST(WrapGuard, AnAnswerBoxWrapsALongRunAnywhereAndKeepsItsText) {
    OpenBox box;
    const std::string stored = "Links:\r\n" + unbroken(50000).toStdString() + "\r\nend";
    box.setAnswer(stored);
    EXPECT_EQ(box.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(box.answer(), stored);
    box.setAnswer("Links:\r\n" + words(50000).toStdString());
    EXPECT_EQ(box.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

    box.setAnswer(unbroken(50000).toStdString());
    EXPECT_LE(widestLine(box), box.viewport()->width());
    EXPECT_EQ(box.answer(), unbroken(50000).toStdString());
}

// Pasted or typed, a run that grows past the limit switches the box; the text is as entered.
TEST(WrapGuard, PastingOrTypingALongRunSwitches) {
    OpenBox box;
    box.setAnswer("short words");
    box.moveCursor(QTextCursor::End);
    QMimeData mime;
    mime.setText(unbroken(3000));
    box.insertFromMimeData(&mime);
    EXPECT_EQ(box.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(box.answer(), "short words" + unbroken(3000).toStdString());

    box.setAnswer(unbroken(kLongestWord - 1).toStdString());
    EXPECT_EQ(box.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    box.moveCursor(QTextCursor::End);
    QTest::keyClicks(&box, QStringLiteral("xy"));
    EXPECT_EQ(box.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(box.answer(), unbroken(kLongestWord - 1).toStdString() + "xy");
}

// The editor: set, pasted and loaded from a file, the text stays character for character and
// a saved file reads back to the same text.
TEST(WrapGuard, TheEditorWrapsALongRunAnywhereAndSavesItUnchanged) {
    OpenEdit edit;
    const QString text = QStringLiteral("Title\r\n") + unbroken(40000) + QStringLiteral("\r\n");
    edit.setText(text);
    EXPECT_EQ(edit.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(edit.Text(), text);
    EXPECT_LE(widestLine(edit), edit.viewport()->width());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.rtf"));
    ASSERT_TRUE(edit.SaveFile(path));
    edit.setText(words(20000));
    EXPECT_EQ(edit.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    ASSERT_TRUE(edit.LoadFile(path));
    EXPECT_EQ(edit.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(edit.Text(), text);

    edit.setText(QStringLiteral("a b"));
    QMimeData mime;
    mime.setText(unbroken(2000));
    edit.insertFromMimeData(&mime);
    EXPECT_EQ(edit.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(edit.Text(), unbroken(2000) + QStringLiteral("a b"));
}

// More than a million characters go into the editor under the wait cursor, which goes again.
TEST(BusyCursor, ALargeTextGoesIntoTheEditorUnderTheWaitCursor) {
    OpenEdit edit;
    edit.show();
    for (const qsizetype size : {qsizetype{100}, qsizetype{(1 << 20) + 1}}) {
        std::vector<bool> waiting;
        const auto c = QObject::connect(edit.document(), &QTextDocument::contentsChange, [&] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            waiting.push_back(cursor && cursor->shape() == Qt::WaitCursor);
        });
        edit.setText(words(size));
        QObject::disconnect(c);
        ASSERT_FALSE(waiting.empty());
        EXPECT_EQ(waiting.front(), size > 1000) << size;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    // Restyling all of it lays it all out again, under the wait cursor too, as does a paste of
    // as much in the editor or in an answer box.
    edit.selectAll();
    bool restyledWaiting = false;
    const auto c = QObject::connect(edit.document(), &QTextDocument::contentsChange, [&] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        restyledWaiting = cursor && cursor->shape() == Qt::WaitCursor;
    });
    edit.setSelectionColor(Qt::darkBlue);
    QObject::disconnect(c);
    EXPECT_TRUE(restyledWaiting);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    OpenBox box;
    box.show();
    QMimeData mime;
    mime.setText(words((1 << 20) + 1));
    for (QTextDocument* doc : {edit.document(), box.document()}) {
        bool pasteWaiting = false;
        const auto p = QObject::connect(doc, &QTextDocument::contentsChange, [&] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            pasteWaiting = cursor && cursor->shape() == Qt::WaitCursor;
        });
        if (doc == edit.document())
            edit.insertFromMimeData(&mime);
        else
            box.insertFromMimeData(&mime);
        QObject::disconnect(p);
        EXPECT_TRUE(pasteWaiting);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }

    // Zooming lays all of it out again at the new size.
    bool zoomWaiting = false;
    const auto z = QObject::connect(edit.document()->documentLayout(),
                                    &QAbstractTextDocumentLayout::documentSizeChanged, [&] {
                                        const QCursor* cursor = QGuiApplication::overrideCursor();
                                        zoomWaiting = cursor && cursor->shape() == Qt::WaitCursor;
                                    });
    edit.setZoomFactor(1.5);
    QObject::disconnect(z);
    EXPECT_TRUE(zoomWaiting);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The editor holds what it shows and what it opens in the document whose lists stay linear, and
// a long list opened from a file keeps every item and number.
TEST(LongList, TheEditorOpensALongListWhole) {
    OpenEdit edit;
    EXPECT_NE(qobject_cast<kt::rtf::Document*>(edit.document()), nullptr);
    QByteArray rtf = "{\\rtf1\\ansi ";
    constexpr int kItems = 3000;
    for (int i = 1; i <= kItems; ++i)
        rtf += "{\\pntext " + QByteArray::number(i) + ".\\tab}{\\*\\pn\\pnlvlbody\\pndec}item " +
               QByteArray::number(i) + "\\par\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.rtf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rtf + "}");
    file.close();
    ASSERT_TRUE(edit.LoadFile(path));
    EXPECT_NE(qobject_cast<kt::rtf::Document*>(edit.document()), nullptr);
    const QTextBlock last = edit.document()->findBlockByNumber(kItems - 1);
    ASSERT_NE(last.textList(), nullptr);
    EXPECT_EQ(last.textList()->count(), kItems);
    EXPECT_EQ(last.textList()->itemText(last), QStringLiteral("%1.").arg(kItems));
    EXPECT_EQ(last.text(), QStringLiteral("item %1").arg(kItems));
}

// A block the size of a long paragraph's layout comes from the heap and, once freed, stays there
// for the next one instead of being handed back to the system and faulted in again.
TEST(FreedMemory, ALargeBlockIsKeptForTheNextOne) {
#if !defined(__GLIBC__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the settings are the system allocator's";
#else
    kt::system::keepFreedMemory();
    constexpr std::size_t kSize = std::size_t{40} << 20;
    const std::size_t mapped = mallinfo2().hblkhd;
    auto* block = static_cast<volatile char*>(std::malloc(kSize));
    ASSERT_NE(block, nullptr);
    block[kSize - 1] = 1;
    EXPECT_EQ(mallinfo2().hblkhd, mapped);
    std::free(const_cast<char*>(block));
    EXPECT_GE(mallinfo2().fordblks, kSize);
#endif
}

} // namespace
