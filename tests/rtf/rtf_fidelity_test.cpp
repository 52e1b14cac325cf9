// Documents exchanged with word processors: what their files mean reads the same here, and
// what we write means the same to them. The inputs in tests/data/rtf-fidelity were written by
// a word processor.
#include "rtf_test_support.h"

#include "rtf/rtf.h"
#include "structure.h"

#include <QDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <array>
#include <functional>

using namespace rtftest;

namespace {

void readFile(const char* name, QTextDocument& doc) {
    const QByteArray data =
        readBytes(dataDir() + QStringLiteral("/rtf-fidelity/") + QLatin1String(name));
    ASSERT_FALSE(data.isEmpty()) << name;
    ASSERT_TRUE(kt::rtf::read(data, doc));
}

void roundTrip(const QTextDocument& doc, QTextDocument& back) {
    ASSERT_TRUE(kt::rtf::read(kt::rtf::write(doc), back));
}

QTextTable* firstTable(const QTextDocument& doc) {
    for (QTextFrame* f : doc.rootFrame()->childFrames())
        if (auto* t = qobject_cast<QTextTable*>(f))
            return t;
    return nullptr;
}

QString cellText(QTextTable* t, int row, int column) {
    const QTextTableCell cell = t->cellAt(row, column);
    QTextCursor c = cell.firstCursorPosition();
    c.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
    return c.selectedText();
}

// Where the cell covering (row, column) starts and how far it reaches.
std::array<int, 4> cellShape(QTextTable* t, int row, int column) {
    const QTextTableCell cell = t->cellAt(row, column);
    return {cell.row(), cell.column(), cell.rowSpan(), cell.columnSpan()};
}

// Runs the checks on the table as read, then on what our writer makes of it read back.
void checkTableAcrossARoundTrip(QTextDocument& doc, const std::function<void(QTextTable*)>& check) {
    for (int cycle = 0; cycle < 2; ++cycle) {
        QTextTable* t = firstTable(doc);
        ASSERT_NE(t, nullptr);
        check(t);
        const QByteArray rtf = kt::rtf::write(doc);
        doc.setHtml(QString());
        ASSERT_TRUE(kt::rtf::read(rtf, doc));
    }
}

TEST(RtfFidelity, ARowOfFewerWiderCellsSpansTheColumnsItCovers) {
    QTextDocument doc;
    readFile("wp-table-wider-cells.rtf", doc);
    checkTableAcrossARoundTrip(doc, [](QTextTable* t) {
        EXPECT_EQ(t->rows(), 2);
        EXPECT_EQ(t->columns(), 2);
        EXPECT_EQ(cellText(t, 0, 0), QStringLiteral("1952"));
        EXPECT_EQ(cellText(t, 0, 1), QStringLiteral("Krak\u00f3w"));
        EXPECT_EQ(cellShape(t, 1, 1), (std::array{1, 0, 1, 2}));
        EXPECT_EQ(cellText(t, 1, 0), QStringLiteral("We moved in May"));
        const QList<QTextLength> widths = t->format().columnWidthConstraints();
        ASSERT_EQ(widths.size(), 2);
        EXPECT_DOUBLE_EQ(widths[0].rawValue(), 759 / 20.0);
        EXPECT_DOUBLE_EQ(widths[1].rawValue(), (1935 - 759) / 20.0);
    });
}

TEST(RtfFidelity, ACellMergedAcrossRowsAndColumnsStaysOneCell) {
    // As a word processor writes it (one wide cell marked \clvmgf), and as we write it
    // (\clvmgf\clmgf and \clvmrg\clmrg on the cells of the grid).
    QTextDocument doc;
    readFile("wp-table-merged-both-ways.rtf", doc);
    checkTableAcrossARoundTrip(doc, [](QTextTable* t) {
        EXPECT_EQ(t->rows(), 3);
        EXPECT_EQ(t->columns(), 3);
        EXPECT_EQ(cellShape(t, 1, 1), (std::array{0, 0, 2, 2}));
        EXPECT_EQ(cellText(t, 0, 0), QStringLiteral("Wedding day"));
        EXPECT_EQ(cellText(t, 0, 2), QStringLiteral("June"));
        EXPECT_EQ(cellText(t, 1, 2), QStringLiteral("1961"));
        EXPECT_EQ(cellText(t, 2, 1), QStringLiteral("b"));
    });
}

std::vector<int> headingLevels(const QTextDocument& doc) {
    std::vector<int> levels;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        levels.push_back(b.blockFormat().headingLevel());
    return levels;
}

TEST(RtfFidelity, HeadingsKeepTheirLevelsBothWays) {
    QTextDocument doc;
    readFile("wp-headings.rtf", doc);
    EXPECT_EQ(headingLevels(doc), (std::vector{1, 0, 2, 0, 3, 0}));
    EXPECT_EQ(doc.begin().text(), QStringLiteral("My childhood"));
    // A paragraph whose level comes only from its style.
    QTextDocument styled;
    ASSERT_TRUE(kt::rtf::read("{\\rtf1{\\stylesheet{\\s0 Normal;}{\\s2\\outlinelevel1\\b "
                              "heading 2;}}\\pard\\s2 School\\par\\pard body\\par}",
                              styled));
    EXPECT_EQ(headingLevels(styled), (std::vector{2, 0}));

    // Headings made by the toolkit carry a size relative to the document's, which a word
    // processor must see as the size it is on screen.
    QTextDocument made;
    made.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
    made.setMarkdown(QStringLiteral("# Title\n\nbody\n\n### Part\n"));
    const QByteArray rtf = kt::rtf::write(made);
    EXPECT_TRUE(rtf.contains("\\s1\\outlinelevel0"));
    EXPECT_TRUE(rtf.contains("{\\s1\\sbasedon0\\snext0\\outlinelevel0 heading 1;}"));
    EXPECT_TRUE(rtf.contains("{\\s3\\sbasedon0\\snext0\\outlinelevel2 heading 3;}"));
    EXPECT_FALSE(rtf.contains("heading 2"));
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::read(rtf, back));
    EXPECT_EQ(headingLevels(back), (std::vector{1, 0, 3}));
    EXPECT_TRUE(runHas(back, QStringLiteral("Title"),
                       [](const QTextCharFormat& f) { return f.fontPointSize() == 24; }));
    EXPECT_TRUE(runHas(back, QStringLiteral("Part"),
                       // 1.2 times 12 pt, to the half point
                       [](const QTextCharFormat& f) { return f.fontPointSize() == 14.5; }));
    EXPECT_TRUE(runHas(back, QStringLiteral("body"),
                       [](const QTextCharFormat& f) { return f.fontPointSize() == 12; }));
    EXPECT_EQ(kt::rtf::write(back), rtf);
}

bool isBold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::Bold;
}
bool isItalic(const QTextCharFormat& f) {
    return f.fontItalic();
}
bool isPlain(const QTextCharFormat& f) {
    return !isBold(f) && !isItalic(f) && f.fontPointSize() == 12;
}

void expectScriptEmphasis(const QTextDocument& doc) {
    EXPECT_TRUE(runHas(doc, QStringLiteral("My friend "), isPlain));
    EXPECT_TRUE(runHas(doc, QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u05db\u05d4\u05df"), isBold));
    EXPECT_TRUE(runHas(doc, QStringLiteral("\u0645\u0631\u064a\u0645"), isItalic));
    EXPECT_TRUE(runHas(doc, QStringLiteral(" and "), isPlain));
    EXPECT_TRUE(runHas(doc, QStringLiteral("\u738b\u5c0f\u660e"), isBold));
    EXPECT_TRUE(runHas(doc, QStringLiteral("\u5c71\u7530\u592a\u90ce"), isItalic));
    EXPECT_TRUE(runHas(doc, QStringLiteral("\u5927"),
                       [](const QTextCharFormat& f) { return f.fontPointSize() == 18; }));
}

TEST(RtfFidelity, ComplexAndEastAsianTextKeepTheirEmphasisBothWays) {
    QTextDocument doc;
    readFile("wp-scripts-emphasis.rtf", doc);
    expectScriptEmphasis(doc);
    // Written with the associated properties as well, which is what a word processor reads
    // for these scripts; a run mixing scripts is split so each piece carries its own.
    const QByteArray rtf = kt::rtf::write(doc);
    EXPECT_TRUE(rtf.contains("\\b\\rtlch\\ab\\afs24 \\u1513?"));
    EXPECT_TRUE(rtf.contains("\\i\\rtlch\\ai\\afs24 \\u1605?"));
    EXPECT_TRUE(rtf.contains("\\b\\dbch\\ab\\afs24 \\u29579?"));
    EXPECT_TRUE(rtf.contains("\\dbch\\afs36 \\u22823?"));
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::read(rtf, back));
    expectScriptEmphasis(back);
    EXPECT_EQ(back.toRawText(), doc.toRawText());
    EXPECT_EQ(kt::rtf::write(back), rtf);

    // A run marked bold only for its complex script: the Latin words in it stay plain.
    QTextDocument mixed;
    ASSERT_TRUE(
        kt::rtf::read("{\\rtf1 {\\rtlch\\ab\\afs32 \\ltrch Anna \\u1513?\\u1500?, Ewa}}", mixed));
    EXPECT_TRUE(runHas(mixed, QStringLiteral("Anna "), isPlain));
    EXPECT_TRUE(runHas(mixed, QStringLiteral("\u05e9\u05dc, "), [](const QTextCharFormat& f) {
        return isBold(f) && f.fontPointSize() == 16;
    }));
    EXPECT_TRUE(runHas(mixed, QStringLiteral("Ewa"), isPlain));
}

TEST(RtfFidelity, AnEmojiAfterRightToLeftTextKeepsItsEmphasisAndHebrewItsOwnFont) {
    // A word processor counts an emoji after Hebrew as part of the Hebrew and gives it the
    // complex script's bold and size: written with the run's own properties alone, it lost
    // them. Its file gives the Hebrew a font of its own by \af.
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(
        readBytes(dataDir() + QStringLiteral("/rtf-differential/emoji-after-right-to-left.rtf")),
        doc));
    const auto family = [](const QString& name) {
        return [name](const QTextCharFormat& f) {
            return f.fontFamilies().toStringList() == QStringList{name};
        };
    };
    EXPECT_TRUE(runHas(doc, QStringLiteral("\u05e9\u05dc\u05d5\u05dd"),
                       family(QStringLiteral("DejaVu Sans"))));
    EXPECT_TRUE(runHas(doc, QStringLiteral("x"), family(QStringLiteral("Liberation Serif"))));
    const QByteArray rtf = kt::rtf::write(doc);
    EXPECT_TRUE(rtf.contains("\\fs48\\b\\rtlch\\ab\\afs48 \\u-10179?\\u-8704?")) << rtf.constData();
}

TEST(RtfFidelity, AnEmptyParagraphBeforeAnOpeningTableStaysOneParagraph) {
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(
        readBytes(dataDir() + QStringLiteral("/rtf-differential/empty-paragraph-before-table.rtf")),
        doc));
    QByteArray rtf = kt::rtf::write(doc);
    for (int cycle = 0; cycle < 3; ++cycle) {
        EXPECT_EQ(rtf.left(rtf.indexOf("\\trowd")).count("\\pard"), 1) << cycle;
        QTextDocument back;
        ASSERT_TRUE(kt::rtf::read(rtf, back));
        rtf = kt::rtf::write(back);
    }
}

// Each list item as its marker and text, one item a line.
std::string listMarkers(const QTextDocument& doc) {
    QString markers;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.textList())
            markers += b.textList()->itemText(b) + b.text() + u'\n';
    return markers.toStdString();
}

TEST(RtfFidelity, ASubListUnderTheNextItemNumbersFromOne) {
    QTextDocument doc;
    readFile("wp-list-sublists.rtf", doc);
    const std::string expected = "1.Anna\n1.Piotr\n2.Ewa\n2.Marek\n1.Olga\n2.Jan\n";
    EXPECT_EQ(listMarkers(doc), expected);
    QTextDocument back;
    roundTrip(doc, back);
    EXPECT_EQ(listMarkers(back), expected);
}

TEST(RtfFidelity, ADocumentThatOpensWithATableGainsNoParagraphBeforeIt) {
    QTextDocument doc;
    readFile("wp-table-first.rtf", doc);
    const QString text = doc.toRawText();
    ASSERT_TRUE(text.startsWith(QChar(0xFDD0))); // the table's first cell opens the document
    QByteArray rtf = kt::rtf::write(doc);
    for (int cycle = 0; cycle < 3; ++cycle) {
        // Nothing a word processor would show as a paragraph comes before the table.
        const qsizetype table = rtf.indexOf("\\trowd");
        ASSERT_GT(table, 0);
        EXPECT_FALSE(rtf.left(table).contains("\\par")) << cycle;
        QTextDocument back;
        ASSERT_TRUE(kt::rtf::read(rtf, back));
        EXPECT_EQ(back.toRawText(), text);
        EXPECT_EQ(back.blockCount(), doc.blockCount());
        rtf = kt::rtf::write(back);
    }
}

// What the differential harness found: each file reads as its stated structure, and keeps it
// through our writer.
TEST(RtfFidelity, DifferentialFindingsReadAsTheirStructure) {
    const QDir dir(dataDir() + QStringLiteral("/rtf-differential"));
    const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const QString expected =
            readUtf8(dir.filePath(name.chopped(4) + QStringLiteral(".structure.txt")));
        QTextDocument doc;
        ASSERT_TRUE(kt::rtf::read(readBytes(dir.filePath(name)), doc));
        EXPECT_EQ(kt::rtftools::structure(doc).toStdString(), expected.toStdString())
            << name.toStdString();
        QTextDocument back;
        roundTrip(doc, back);
        EXPECT_EQ(kt::rtftools::structure(back).toStdString(), expected.toStdString())
            << name.toStdString();
    }
}

} // namespace
