// The rich-text control on its own: CR LF positions, one change per assignment, formats and the
// plain-text rules for everything that leaves or enters it.
#include "ui/rich_text_edit.h"
#include "ui/story_layout.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <functional>

#include <gtest/gtest.h>

using kt::ui::RichTextEdit;

namespace {

// Opens the protected clipboard and drag conversions for the tests.
class OpenEdit : public RichTextEdit {
public:
    using RichTextEdit::canInsertFromMimeData;
    using RichTextEdit::createMimeDataFromSelection;
    using RichTextEdit::insertFromMimeData;
};

TEST(RichTextEdit, TextRoundTripsWithCrLfAndOneAssignmentIsOneChange) {
    const QString texts[] = {
        QString(),
        QStringLiteral("one line"),
        QStringLiteral("a\r\nb\r\n"),
        QStringLiteral("\r\n\r\n\r\n"),
        QStringLiteral("ends in two\r\n\r\n"),
        QStringLiteral("tab\there, nbsp\u00a0there, \u00e9t\u00e9"),
    };
    OpenEdit edit;
    for (const QString& t : texts) {
        QSignalSpy changes(&edit, &RichTextEdit::Change);
        edit.setText(t);
        EXPECT_EQ(changes.count(), 1) << t.toStdString();
        EXPECT_EQ(edit.Text(), t);
    }
}

TEST(RichTextEdit, ALineSeparatorCountsAsALineBreak) {
    OpenEdit edit;
    edit.setText(QStringLiteral("ab"));
    QTextCursor c(edit.document());
    c.setPosition(1);
    c.insertText(QString(QChar(QChar::LineSeparator)));
    EXPECT_EQ(edit.Text(), QStringLiteral("a\r\nb"));
    edit.select(3, 1);
    EXPECT_EQ(edit.SelText(), QStringLiteral("b"));
    EXPECT_EQ(edit.textCursor().selectionStart(), 2);
}

// Every CR LF position maps to the document and back; a position between CR and LF goes to
// after the break.
TEST(RichTextEdit, PositionsMapBothWaysAroundEveryBreak) {
    OpenEdit edit;
    const QString text = QStringLiteral("ab\r\ncd\r\n\r\nef\r\n");
    edit.setText(text);
    ASSERT_EQ(edit.Text(), text);
    // CR LF position -> document position.
    const int expected[] = {0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 7, 8, 9, 10, 10};
    ASSERT_EQ(std::size(expected), std::size_t(text.size() + 1));
    for (qsizetype c = 0; c <= text.size(); ++c)
        EXPECT_EQ(edit.toDocument(c), expected[c]) << c;
    // And back for every document position.
    for (int d = 0; d < edit.document()->characterCount(); ++d) {
        const qsizetype c = edit.toCrLf(d);
        EXPECT_EQ(edit.toDocument(c), d) << d;
        EXPECT_FALSE(c > 0 && text[c - 1] == QLatin1Char('\r')) << "never inside a pair";
    }
    // Out of range positions are clamped.
    EXPECT_EQ(edit.toDocument(-5), 0);
    EXPECT_EQ(edit.toDocument(1000), 10);

    // Selections read back exactly as set, for every start and length that lie on characters.
    for (qsizetype s = 0; s <= text.size(); ++s) {
        if (s > 0 && text[s - 1] == QLatin1Char('\r'))
            continue;
        for (qsizetype n = 0; s + n <= text.size(); ++n) {
            if (s + n > 0 && text[s + n - 1] == QLatin1Char('\r'))
                continue;
            edit.select(s, n);
            EXPECT_EQ(edit.SelStart(), s);
            EXPECT_EQ(edit.SelLength(), n);
            EXPECT_EQ(edit.SelText(), text.mid(s, n));
        }
    }
}

TEST(RichTextEdit, TheLastLineOfALongDocumentIsReachedExactly) {
    OpenEdit edit;
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("%1\r\n").arg(i);
    text += QStringLiteral("last words");
    edit.setText(text);
    const qsizetype at = text.indexOf(QStringLiteral("words"));
    ASSERT_GT(at, 65535);
    edit.select(at, 5);
    EXPECT_EQ(edit.SelStart(), at);
    EXPECT_EQ(edit.SelLength(), 5);
    EXPECT_EQ(edit.SelText(), QStringLiteral("words"));
    edit.setSelStart(at);
    EXPECT_EQ(edit.SelStart(), at);
    EXPECT_EQ(edit.SelLength(), 0);
    edit.setSelLength(3);
    EXPECT_EQ(edit.SelText(), QStringLiteral("wor"));
}

TEST(RichTextEdit, SelTextReplacesTheSelectionAndNotifiesOnce) {
    OpenEdit edit;
    edit.setText(QStringLiteral("Dear Bob"));
    edit.select(5, 3);
    QSignalSpy changes(&edit, &RichTextEdit::Change);
    edit.setSelText(QStringLiteral("Robert\r\nand Ann"));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(edit.Text(), QStringLiteral("Dear Robert\r\nand Ann"));
    EXPECT_EQ(edit.SelStart(), edit.Text().size());
    edit.undo();
    EXPECT_EQ(edit.Text(), QStringLiteral("Dear Bob"));
}

TEST(RichTextEdit, FormatsOfTheSelectionAndMixedDetection) {
    OpenEdit edit;
    QTextCharFormat base;
    base.setFontFamilies({QStringLiteral("arial")});
    base.setFontPointSize(12);
    edit.setCurrentCharFormat(base);
    edit.setText(QStringLiteral("red and plain\r\nsecond"));
    QSignalSpy changes(&edit, &RichTextEdit::Change);

    edit.select(0, 3);
    edit.setSelectionColor(QColor(192, 0, 0));
    edit.setSelectionFont(QStringLiteral("Liberation Serif"), 18, true, true, true);
    EXPECT_EQ(changes.count(), 0) << "formats are not content changes";

    const auto f = edit.selectionFormat();
    EXPECT_EQ(f.family, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(f.pointSize, 18);
    EXPECT_TRUE(f.bold && f.italic && f.underline);
    EXPECT_EQ(f.color, QColor(192, 0, 0));
    EXPECT_FALSE(edit.selectionMixesColors());
    EXPECT_FALSE(edit.selectionMixesFonts());
    EXPECT_TRUE(edit.selectionAllInColor(QColor(192, 0, 0)));

    edit.select(0, 7);
    EXPECT_TRUE(edit.selectionMixesColors());
    EXPECT_TRUE(edit.selectionMixesFonts());
    EXPECT_FALSE(edit.selectionAllInColor(QColor(192, 0, 0)));
    EXPECT_EQ(edit.selectionFormat().color, QColor(192, 0, 0)) << "the first character's";

    // Plain text across a paragraph break is one format; unset colour reads as the text colour.
    edit.select(8, 10);
    EXPECT_FALSE(edit.selectionMixesColors());
    EXPECT_FALSE(edit.selectionMixesFonts());
    EXPECT_EQ(edit.selectionFormat().family.toLower(), QStringLiteral("arial"));
    EXPECT_EQ(edit.selectionFormat().pointSize, 12);
    EXPECT_TRUE(edit.selectionAllInColor(edit.palette().color(QPalette::Text)));

    // No selection: the format at the insertion point.
    edit.setSelStart(1);
    EXPECT_EQ(edit.selectionFormat().color, QColor(192, 0, 0));
}

TEST(RichTextEdit, ClipboardAndDragsCarryPlainTextOnly) {
    OpenEdit edit;
    edit.setText(QStringLiteral("bold words\r\nhere"));
    edit.select(0, 16);
    edit.setSelectionFont(QStringLiteral("arial"), 30, true, false, false);
    std::unique_ptr<QMimeData> out(edit.createMimeDataFromSelection());
    EXPECT_EQ(out->formats(), QStringList{QStringLiteral("text/plain")});
    EXPECT_EQ(out->text(), QStringLiteral("bold words\r\nhere"));

    QMimeData html;
    html.setHtml(QStringLiteral("<b style='color:red'>loud</b>"));
    EXPECT_FALSE(edit.canInsertFromMimeData(&html));
    html.setText(QStringLiteral("quiet"));
    EXPECT_TRUE(edit.canInsertFromMimeData(&html));
    edit.setSelStart(edit.Text().size());
    edit.insertFromMimeData(&html);
    EXPECT_TRUE(edit.Text().endsWith(QStringLiteral("herequiet")));
    edit.select(edit.Text().size() - 5, 5);
    EXPECT_FALSE(edit.selectionMixesColors());
    EXPECT_TRUE(edit.selectionAllInColor(edit.palette().color(QPalette::Text)));
}

TEST(RichTextEdit, ItsOwnCutCopyPasteKeysAreHandedToTheWindow) {
    OpenEdit edit;
    edit.setText(QStringLiteral("untouched"));
    edit.select(0, 2);
    QSignalSpy requests(&edit, &RichTextEdit::editCommandRequested);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit.Text(), QStringLiteral("untouched"));
    EXPECT_EQ(edit.SelText(), QStringLiteral("un")) << "Ctrl+A selects nothing more";
    ASSERT_EQ(requests.count(), 3);
    EXPECT_EQ(requests[0][0].value<RichTextEdit::EditCommand>(), RichTextEdit::EditCommand::Cut);
    EXPECT_EQ(requests[1][0].value<RichTextEdit::EditCommand>(), RichTextEdit::EditCommand::Copy);
    EXPECT_EQ(requests[2][0].value<RichTextEdit::EditCommand>(), RichTextEdit::EditCommand::Paste);
}

TEST(RichTextEdit, AFailedLoadLeavesTheDocumentAsItWas) {
    OpenEdit edit;
    edit.setText(QStringLiteral("precious"));
    QSignalSpy changes(&edit, &RichTextEdit::Change);
    QString error;
    EXPECT_FALSE(edit.LoadFile(QStringLiteral("/nonexistent/folder/x.rtf"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(edit.Text(), QStringLiteral("precious"));
    EXPECT_EQ(changes.count(), 0);
}

TEST(RichTextEdit, ZoomScalesTheLayoutNotTheFormats) {
    OpenEdit edit;
    QTextCharFormat base;
    base.setFontPointSize(12);
    edit.setCurrentCharFormat(base);
    edit.resize(400, 300);
    edit.show();
    edit.setText(QStringLiteral("some words to lay out\r\nand more"));
    QCoreApplication::processEvents();
    const qreal h = edit.document()->size().height();
    edit.setZoomFactor(2.0);
    EXPECT_GT(edit.document()->size().height(), h * 1.6);
    edit.select(0, 4);
    EXPECT_EQ(edit.selectionFormat().pointSize, 12);
    edit.setZoomFactor(100);
    EXPECT_EQ(edit.zoomFactor(), 4.0);
    edit.setZoomFactor(1.0);
    EXPECT_NEAR(edit.document()->size().height(), h, 1);
}

} // namespace

// Where every line of the document stands, as the layout has it: one text per paragraph.
QStringList lineGeometry(const QTextDocument& doc) {
    QStringList paragraphs;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextLayout* layout = b.layout();
        QString p = QStringLiteral("#%1 at %2,%3:")
                        .arg(b.blockNumber())
                        .arg(layout->position().x())
                        .arg(layout->position().y());
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            p += QStringLiteral(" [%1,%2 w%3 h%4 n%5 %6+%7]")
                     .arg(line.x())
                     .arg(line.y())
                     .arg(line.width())
                     .arg(line.height())
                     .arg(line.naturalTextWidth())
                     .arg(line.textStart())
                     .arg(line.textLength());
        }
        paragraphs << p;
    }
    return paragraphs;
}

// Typing lays out only the paragraph typed in while it keeps its height; the lines must stand
// exactly where the toolkit's layout of the whole document puts them, whatever the paragraph's
// format, and at any zoom.
TEST(StoryLayout, AParagraphLaidOutAloneStandsAsTheWholeLayoutPutsIt) {
    RichTextEdit edit;
    edit.resize(420, 300);
    edit.show();
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("Paragraph %1 tells of the creek, the mill and the long summer "
                               "evenings when we walked home.\r\n")
                    .arg(i);
    edit.setText(text + QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd "
                                       "\u05d6\u05d4 \u05e1\u05d9\u05e4\u05d5\u05e8"));
    QTextDocument& doc = *edit.document();
    // Paragraph formats the layout treats each in its own way.
    const auto formatBlock = [&](int n, const std::function<void(QTextBlockFormat&)>& change) {
        QTextCursor c(doc.findBlockByNumber(n));
        QTextBlockFormat f = c.blockFormat();
        change(f);
        c.setBlockFormat(f);
    };
    formatBlock(2, [](QTextBlockFormat& f) { f.setIndent(2); });
    formatBlock(4, [](QTextBlockFormat& f) { f.setTextIndent(30); });
    formatBlock(6, [](QTextBlockFormat& f) { f.setTextIndent(-20), f.setLeftMargin(40); });
    formatBlock(8, [](QTextBlockFormat& f) { f.setAlignment(Qt::AlignHCenter); });
    formatBlock(10,
                [](QTextBlockFormat& f) { f.setAlignment(Qt::AlignRight), f.setRightMargin(25); });
    formatBlock(12, [](QTextBlockFormat& f) { f.setAlignment(Qt::AlignJustify); });
    formatBlock(14, [](QTextBlockFormat& f) {
        f.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    });
    formatBlock(16,
                [](QTextBlockFormat& f) { f.setLineHeight(22, QTextBlockFormat::FixedHeight); });
    formatBlock(18,
                [](QTextBlockFormat& f) { f.setLineHeight(30, QTextBlockFormat::MinimumHeight); });
    formatBlock(20, [](QTextBlockFormat& f) { f.setTopMargin(12), f.setBottomMargin(8); });
    formatBlock(22, [](QTextBlockFormat& f) {
        f.setTabPositions({QTextOption::Tab(90, QTextOption::LeftTab)});
    });
    QTextCursor(doc.findBlockByNumber(24)).createList(QTextListFormat::ListDecimal);
    QTextCursor big(doc.findBlockByNumber(26));
    big.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat large;
    large.setFontPointSize(20);
    big.mergeCharFormat(large);

    auto* layout = dynamic_cast<kt::ui::StoryLayout*>(doc.documentLayout());
    ASSERT_NE(layout, nullptr);
    for (const double zoom : {1.0, 1.5}) {
        edit.setZoomFactor(zoom);
        for (int n = 0; n < doc.blockCount(); n += 2) {
            SCOPED_TRACE(n);
            QTextCursor c(doc.findBlockByNumber(n));
            c.movePosition(QTextCursor::NextWord);
            const int before = layout->changesInPlace();
            for (const QString& typed : {QStringLiteral("x"), QStringLiteral("\t"),
                                         QStringLiteral(" wide"), QStringLiteral("\u05d0")}) {
                c.insertText(typed);
                const QStringList alone = lineGeometry(doc);
                doc.markContentsDirty(0, doc.characterCount()); // the whole layout, afresh
                const QStringList whole = lineGeometry(doc);
                for (qsizetype i = 0; i < whole.size(); ++i)
                    ASSERT_EQ(alone.value(i).toStdString(), whole[i].toStdString())
                        << typed.toStdString() << " at zoom " << zoom;
            }
            // Every kind of paragraph took the short way at least once.
            EXPECT_GT(layout->changesInPlace(), before);
        }
    }
}
