// Writer checks and read(write(doc)) round trips: same text, formats, images and blocks, and
// stable over repeated cycles.
#include "rtf_test_support.h"

#include "rtf/document.h"
#include "rtf/rtf.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <gtest/gtest.h>

using namespace rtftest;

namespace {

// What a run looks like to the user, independent of how the format stores it.
struct RunLook {
    QString text;
    QString family;
    double size;
    bool bold, italic, underline, strike;
    int valign;
    double spacing;
    QString fg, bg, href;
    bool operator==(const RunLook&) const = default;
};

struct BlockLook {
    std::vector<RunLook> runs;
    int align;
    double left, right, indent, top, bottom;
    int direction;
    int lineHeightType;
    double lineHeight;
    bool pageBreak;
    int listStyle;
    int listIndent;
    bool inTable;
    bool operator==(const BlockLook&) const = default;
};

std::vector<BlockLook> look(const QTextDocument& d) {
    std::vector<BlockLook> out;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        BlockLook bl{};
        bl.align = static_cast<int>(bf.alignment() & Qt::AlignHorizontal_Mask);
        bl.left = b.textList() ? 0 : bf.leftMargin();
        bl.right = bf.rightMargin();
        bl.indent = b.textList() ? 0 : bf.textIndent();
        bl.top = bf.topMargin();
        bl.bottom = bf.bottomMargin();
        bl.direction = bf.layoutDirection();
        bl.lineHeightType = bf.lineHeightType();
        bl.lineHeight = bf.lineHeight();
        bl.pageBreak = bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
        bl.listStyle = b.textList() ? b.textList()->format().style() : 0;
        bl.listIndent = b.textList() ? b.textList()->format().indent() : 0;
        bl.inTable = QTextCursor(b).currentTable() != nullptr;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            RunLook r{};
            r.text = it.fragment().text();
            if (f.isImageFormat()) {
                const QTextImageFormat img = f.toImageFormat();
                r.family = QStringLiteral("image %1x%2")
                               .arg(qRound(img.width()))
                               .arg(qRound(img.height()));
            } else {
                r.family = f.fontFamilies().toStringList().value(0);
                r.size = f.fontPointSize();
                r.bold = f.fontWeight() >= 600;
                r.italic = f.fontItalic();
                r.underline = f.fontUnderline();
                r.strike = f.fontStrikeOut();
                r.valign = f.verticalAlignment();
                r.spacing =
                    f.fontLetterSpacingType() == QFont::AbsoluteSpacing ? f.fontLetterSpacing() : 0;
                r.fg = f.foreground().style() == Qt::NoBrush ? QString()
                                                             : f.foreground().color().name();
                r.bg = f.background().style() == Qt::NoBrush ? QString()
                                                             : f.background().color().name();
                r.href = f.isAnchor() ? f.anchorHref() : QString();
            }
            // Adjacent fragments that look the same are one run to the user.
            if (!bl.runs.empty()) {
                RunLook prev = bl.runs.back();
                prev.text = r.text;
                if (prev == r) {
                    bl.runs.back().text += r.text;
                    continue;
                }
            }
            bl.runs.push_back(r);
        }
        out.push_back(bl);
    }
    return out;
}

std::string describe(const std::vector<BlockLook>& blocks) {
    std::string s;
    for (const BlockLook& b : blocks) {
        s += "[block align=" + std::to_string(b.align) + " list=" + std::to_string(b.listStyle) +
             "/" + std::to_string(b.listIndent) + " margins=" + std::to_string(b.left) + "," +
             std::to_string(b.right) + "," + std::to_string(b.indent) + "," +
             std::to_string(b.top) + "," + std::to_string(b.bottom) +
             " dir=" + std::to_string(b.direction) + (b.pageBreak ? " page" : "") +
             (b.inTable ? " table" : "") + "]";
        for (const RunLook& r : b.runs)
            s += " {" + r.family.toStdString() + " " + std::to_string(r.size) +
                 (r.bold ? " b" : "") + (r.italic ? " i" : "") + (r.underline ? " u" : "") + " " +
                 r.fg.toStdString() + "|" + r.text.toStdString() + "}";
        s += "\n";
    }
    return s;
}

QByteArray pngBytes(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return data;
}

// A document with every feature the codec supports.
void buildRich(QTextDocument& doc) {
    QTextCursor c(&doc);
    QTextCharFormat base;
    base.setFontFamilies({QStringLiteral("Arial")});
    base.setFontPointSize(12);
    c.setCharFormat(base);
    c.insertText(QStringLiteral("Plain {braces} \\backslash\\ and \\fs24 2024 digits."), base);
    QTextCharFormat b = base;
    b.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral(" bold"), b);
    QTextCharFormat i = base;
    i.setFontItalic(true);
    i.setFontFamilies({QStringLiteral("Times New Roman")});
    i.setFontPointSize(10.5);
    c.insertText(QStringLiteral(" italic"), i);
    QTextCharFormat u = base;
    u.setFontUnderline(true);
    u.setForeground(QColor(0xC0, 0, 0));
    c.insertText(QStringLiteral(" red underlined"), u);
    QTextCharFormat s = base;
    s.setFontStrikeOut(true);
    s.setBackground(QColor(0xFF, 0xFF, 0));
    c.insertText(QStringLiteral(" struck"), s);
    QTextCharFormat spaced = base;
    spaced.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    spaced.setFontLetterSpacing(1.5);
    c.insertText(QStringLiteral(" spaced"), spaced);
    QTextCharFormat sup = base;
    sup.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    c.insertText(QStringLiteral("2"), sup);
    QTextCharFormat link = base;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.org/a?b=1&c=2"));
    link.setForeground(QColor(0, 0, 0xFF));
    c.insertText(QStringLiteral(" a link"), link);

    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setTopMargin(6);
    c.insertBlock(centred, base);
    c.insertText(QStringLiteral("Centred: caf\u00E9 \u20AC \u2014 \u0416\u0438\u0437\u043D\u044C "
                                "\u65E5\u672C \U0001F600 tab\there nbsp\u00A0x soft\u00ADhy "
                                "nb\u2011hy line\u2028break"),
                 base);
    QTextBlockFormat indented;
    indented.setLeftMargin(36);
    indented.setTextIndent(-18);
    indented.setRightMargin(9);
    indented.setBottomMargin(4);
    indented.setAlignment(Qt::AlignJustify);
    indented.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    c.insertBlock(indented, base);
    c.insertText(QStringLiteral("Hanging and justified."), base);
    QTextBlockFormat rtl;
    rtl.setLayoutDirection(Qt::RightToLeft);
    rtl.setAlignment(Qt::AlignRight);
    c.insertBlock(rtl, base);
    c.insertText(QStringLiteral("\u05E9\u05DC\u05D5\u05DD \u0633\u0644\u0627\u0645"), base);
    c.insertBlock(QTextBlockFormat(), base); // an empty paragraph
    QTextBlockFormat page;
    page.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    c.insertBlock(page, base);
    c.insertText(QStringLiteral("After a page break, a picture: "), base);
    const QByteArray png = pngBytes(4, 3, qRgb(10, 200, 30));
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("test:pic.png")), png);
    QTextImageFormat img;
    img.setName(QStringLiteral("test:pic.png"));
    img.setWidth(40);
    img.setHeight(30);
    c.insertImage(img);
    c.insertText(QStringLiteral(" done."), base);

    c.insertBlock(QTextBlockFormat(), base);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.createList(bullets);
    c.insertText(QStringLiteral("first bullet"), base);
    c.insertBlock();
    c.insertText(QStringLiteral("second bullet"), base);
    c.insertBlock(QTextBlockFormat(), base);
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    numbers.setIndent(2);
    c.createList(numbers);
    c.insertText(QStringLiteral("nested number"), base);
    c.insertBlock(QTextBlockFormat(), base);
    c.insertText(QStringLiteral("Before the table."), base);
    QTextTableFormat tableFormat;
    tableFormat.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 72),
                                           QTextLength(QTextLength::FixedLength, 108),
                                           QTextLength(QTextLength::FixedLength, 144)});
    QTextTable* table = c.insertTable(2, 3, tableFormat);
    const char* cells[] = {"a1", "b1", "c1", "a2", "b2", "c2"};
    for (int r = 0; r < 2; ++r)
        for (int col = 0; col < 3; ++col)
            table->cellAt(r, col).firstCursorPosition().insertText(
                QString::fromLatin1(cells[r * 3 + col]), base);
    QTextCursor after(&doc);
    after.setPosition(table->lastPosition() + 1);
    after.insertText(QStringLiteral("After the table."), base);
}

void expectSameDocument(const QTextDocument& a, const QTextDocument& b) {
    EXPECT_EQ(a.toRawText(), b.toRawText());
    EXPECT_EQ(a.blockCount(), b.blockCount());
    EXPECT_EQ(imageCount(a), imageCount(b));
    const auto la = look(a);
    const auto lb = look(b);
    if (la == lb)
        return;
    for (size_t i = 0; i < std::min(la.size(), lb.size()); ++i)
        if (!(la[i] == lb[i])) {
            ADD_FAILURE() << "block " << i << " differs:\n"
                          << describe({la[i]}) << describe({lb[i]});
            return;
        }
    ADD_FAILURE() << "block counts differ: " << la.size() << " vs " << lb.size();
}

TEST(RtfWriter, IsSevenBitAsciiWithTheHeaderAndTables) {
    QTextDocument doc;
    buildRich(doc);
    const QByteArray rtf = kt::rtf::write(doc);
    ASSERT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"));
    for (char ch : rtf)
        ASSERT_LT(static_cast<unsigned char>(ch), 0x80);
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"));
    EXPECT_TRUE(rtf.contains("{\\colortbl;"));
    // Astral characters as two signed surrogate escapes; Windows-1252 ones as hex.
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?"));
    EXPECT_TRUE(rtf.contains("caf\\'e9"));
    EXPECT_TRUE(rtf.contains("\\'80")); // euro
    EXPECT_TRUE(rtf.contains("\\u1046?"));
    EXPECT_TRUE(rtf.contains("\\{braces\\} \\\\backslash\\\\ and \\\\fs24 2024"));
    EXPECT_TRUE(rtf.contains("\\line "));
    EXPECT_TRUE(rtf.contains("\\tab "));
    EXPECT_TRUE(rtf.contains("\\~"));
    EXPECT_TRUE(rtf.contains("\\pngblip"));
    EXPECT_TRUE(rtf.contains("\\picwgoal600\\pichgoal450"));
    EXPECT_TRUE(rtf.contains("\\trowd"));
    EXPECT_TRUE(rtf.endsWith("}\r\n"));
}

// Each list item carries its marker as text for readers without lists: the marker the toolkit
// shows for it, in every numbering style past the end of its numerals, with a prefix and a
// suffix and right to left; and a bullet, not a full stop, for a bullet list.
TEST(RtfWriter, EveryListItemCarriesTheMarkerTheToolkitShows) {
    constexpr int kItems = 5003;
    for (const auto style : {QTextListFormat::ListDecimal, QTextListFormat::ListLowerAlpha,
                             QTextListFormat::ListUpperAlpha, QTextListFormat::ListLowerRoman,
                             QTextListFormat::ListUpperRoman, QTextListFormat::ListDisc}) {
        kt::rtf::Document doc;
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("Before"));
        QTextListFormat format;
        format.setStyle(style);
        if (style == QTextListFormat::ListUpperAlpha) {
            format.setNumberPrefix(QStringLiteral("("));
            format.setNumberSuffix(QStringLiteral(")"));
        }
        QTextList* list = c.insertList(format);
        QStringList expected;
        for (int i = 0; i < kItems; ++i) {
            if (i > 0)
                c.insertBlock();
            if (style == QTextListFormat::ListLowerRoman && i % 7 == 0) {
                QTextBlockFormat rtl = c.blockFormat();
                rtl.setLayoutDirection(Qt::RightToLeft);
                c.setBlockFormat(rtl);
            }
            c.insertText(QStringLiteral("x"));
        }
        for (int i = 0; i < kItems; ++i)
            expected << list->itemText(list->item(i));

        const QString written = QString::fromLatin1(kt::rtf::write(doc));
        QStringList markers;
        const QRegularExpression listText(QStringLiteral(R"(\{\\listtext (.*?)\\tab\})"));
        for (const auto& m : listText.globalMatch(written))
            markers << m.captured(1);
        if (style == QTextListFormat::ListDisc) {
            EXPECT_EQ(markers.count(QStringLiteral("\\u8226 ?")), kItems);
        } else {
            ASSERT_EQ(markers.size(), kItems) << style;
            for (int i = 0; i < kItems; ++i)
                ASSERT_EQ(markers[i], expected[i]) << style << " item " << i + 1;
        }
    }
}

TEST(RtfWriter, ComposedDocumentComesOutSmallAndClean) {
    // The editor's composed document: Arial 12 pt plain text, paragraphs separated by empty ones.
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("arial")});
    f.setFontPointSize(12);
    c.setCharFormat(f);
    const QString text =
        QStringLiteral("Thank you.\n\nChildhood\n\nWhere did you grow up?\nOn a farm.\n");
    c.insertText(text, f);
    const QByteArray rtf = kt::rtf::write(doc);
    EXPECT_EQ(rtf, QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n"
                              "{\\fonttbl{\\f0\\fnil\\fcharset0 arial;}}\r\n"
                              "{\\colortbl;}\r\n"
                              "\\pard{\\f0\\fs24 Thank you.}\\par\r\n"
                              "\\pard{\\f0\\fs24\\par}\r\n"
                              "\\pard{\\f0\\fs24 Childhood}\\par\r\n"
                              "\\pard{\\f0\\fs24\\par}\r\n"
                              "\\pard{\\f0\\fs24 Where did you grow up?}\\par\r\n"
                              "\\pard{\\f0\\fs24 On a farm.}\\par\r\n"
                              "\\pard{\\f0\\fs24\\par}\r\n"
                              "}\r\n"));
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::read(rtf, back));
    expectSameDocument(doc, back);
}

TEST(RtfRoundTrip, EveryFeatureSurvivesAndIsStableOverThreeCycles) {
    QTextDocument original;
    buildRich(original);
    QByteArray rtf = kt::rtf::write(original);
    QTextDocument first;
    ASSERT_TRUE(kt::rtf::read(rtf, first));
    expectSameDocument(original, first);
    for (int cycle = 0; cycle < 3; ++cycle) {
        QTextDocument next;
        ASSERT_TRUE(kt::rtf::read(rtf, next));
        const QByteArray again = kt::rtf::write(next);
        EXPECT_EQ(again, rtf) << "cycle " << cycle;
        expectSameDocument(first, next);
        rtf = again;
    }
}

TEST(RtfRoundTrip, TableKeepsItsShapeAndColumnWidths) {
    QTextDocument original;
    buildRich(original);
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::read(kt::rtf::write(original), back));
    QList<QTextTable*> tables;
    for (QTextFrame* f : back.rootFrame()->childFrames())
        if (auto* t = qobject_cast<QTextTable*>(f))
            tables << t;
    ASSERT_EQ(tables.size(), 1);
    EXPECT_EQ(tables[0]->rows(), 2);
    EXPECT_EQ(tables[0]->columns(), 3);
    const QList<QTextLength> widths = tables[0]->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 3);
    EXPECT_EQ(widths[0].rawValue(), 72);
    EXPECT_EQ(widths[1].rawValue(), 108);
    EXPECT_EQ(widths[2].rawValue(), 144);
    EXPECT_EQ(tables[0]->cellAt(1, 2).firstCursorPosition().block().text(), QStringLiteral("c2"));
}

TEST(RtfRoundTrip, MergedCellsStayMerged) {
    QTextDocument original;
    QTextCursor c(&original);
    c.insertText(QStringLiteral("Before"));
    QTextTable* t = c.insertTable(3, 3);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            t->cellAt(r, col).firstCursorPosition().insertText(
                QStringLiteral("%1%2").arg(QChar(u'a' + col)).arg(r + 1));
    t->mergeCells(0, 0, 1, 2); // a1 spans two columns
    t->mergeCells(1, 2, 2, 1); // c2 spans two rows
    QByteArray rtf = kt::rtf::write(original);
    for (int cycle = 0; cycle < 3; ++cycle) {
        QTextDocument back;
        ASSERT_TRUE(kt::rtf::read(rtf, back));
        QTextTable* bt = nullptr;
        for (QTextFrame* f : back.rootFrame()->childFrames())
            bt = qobject_cast<QTextTable*>(f);
        ASSERT_NE(bt, nullptr);
        EXPECT_EQ(bt->cellAt(0, 0).columnSpan(), 2);
        EXPECT_EQ(bt->cellAt(1, 2).rowSpan(), 2);
        EXPECT_EQ(back.toPlainText().simplified(), original.toPlainText().simplified());
        const QByteArray again = kt::rtf::write(back);
        EXPECT_EQ(again, rtf);
        rtf = again;
    }
}

// Found by fuzzing: a merge mark over a cell that has text lost that text on save.
TEST(RtfRoundTrip, TextInACellMarkedAsCoveredIsKept) {
    const QByteArray rtf =
        "{\\rtf1\\trowd\\clvmgf\\cellx100\\clmgf\\cellx200\\clmrg\\cellx300"
        "\\pard\\intbl a\\cell b\\cell c\\cell\\row"
        "\\trowd\\clvmrg\\cellx100\\cellx300\\pard\\intbl covered\\cell d\\cell\\row}";
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(rtf, doc));
    for (const char* word : {"a", "b", "c", "covered", "d"})
        EXPECT_TRUE(doc.toPlainText().contains(QLatin1String(word))) << word;
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::read(kt::rtf::write(doc), back));
    EXPECT_EQ(back.toRawText(), doc.toRawText());
}

// Found by fuzzing: a cell covered by a merge took over the spans of the cell before it, so the
// table's grid hid the text of the cell beside it, and a save dropped that text.
TEST(RtfRoundTrip, AVerticalMergeBesideAHorizontalOneKeepsEveryCellInItsPlace) {
    const QByteArray rtf =
        "{\\rtf1\\clvmgf\\cellx1\\clmgf\\cellx2\\clmrg\\cellx3 \\cell\\cell\\cell\\row"
        "\\trowd\\clvmrg\\cellx1\\cellx2\\cellx3\\intbl\\cell d\\cell e\\cell\\row}";
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(rtf, doc));
    for (int cycle = 0; cycle < 2; ++cycle) {
        QTextTable* t = nullptr;
        for (QTextFrame* f : doc.rootFrame()->childFrames())
            t = qobject_cast<QTextTable*>(f);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->cellAt(0, 0).rowSpan(), 2);
        EXPECT_EQ(t->cellAt(0, 1).columnSpan(), 2);
        const QTextTableCell d = t->cellAt(1, 1);
        EXPECT_EQ(d.row(), 1);
        EXPECT_EQ(d.column(), 1);
        EXPECT_EQ(d.firstCursorPosition().block().text(), QStringLiteral("d"));
        EXPECT_EQ(t->cellAt(1, 2).firstCursorPosition().block().text(), QStringLiteral("e"));
        QTextDocument back;
        ASSERT_TRUE(kt::rtf::read(kt::rtf::write(doc), back));
        EXPECT_EQ(back.toRawText(), doc.toRawText());
        doc.setHtml(QString()); // then the same checks on what was read back
        ASSERT_TRUE(kt::rtf::read(kt::rtf::write(back), doc));
    }
}

// Inputs the fuzzer found: whatever the reader makes of them, our own output reads back to the
// same text.
TEST(RtfRoundTrip, FuzzFindingsKeepTheirText) {
    const QDir dir(dataDir() + QStringLiteral("/rtf-regressions"));
    const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QTextDocument doc;
        ASSERT_TRUE(kt::rtf::read(readBytes(dir.filePath(name)), doc));
        QTextDocument back;
        ASSERT_TRUE(kt::rtf::read(kt::rtf::write(doc), back));
        EXPECT_EQ(back.toRawText(), doc.toRawText()) << name.toStdString();
    }
}

TEST(RtfRoundTrip, ImageBytesComeBackUnchanged) {
    QTextDocument original;
    buildRich(original);
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::read(kt::rtf::write(original), back));
    ASSERT_EQ(imageCount(back), 1);
    for (QTextBlock b = back.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QString name = it.fragment().charFormat().toImageFormat().name();
                const QVariant res = back.resource(QTextDocument::ImageResource, QUrl(name));
                EXPECT_EQ(res.toByteArray(), pngBytes(4, 3, qRgb(10, 200, 30)));
            }
}

TEST(RtfRoundTrip, RandomUnicodeTextSurvives) {
    QRandomGenerator rng(20240607);
    for (int round = 0; round < 20; ++round) {
        QString text;
        const int length = 1 + static_cast<int>(rng.bounded(400));
        for (int i = 0; i < length; ++i) {
            const quint32 kind = rng.bounded(10);
            char32_t cp;
            if (kind < 4)
                cp = 0x20 + rng.bounded(0x5F);
            else if (kind < 6)
                cp = 0xA0 + rng.bounded(0x2000 - 0xA0);
            else if (kind < 8)
                cp = 0x3000 + rng.bounded(0xD7FF - 0x3000);
            else if (kind < 9)
                cp = 0x10000 + rng.bounded(0x10FFFF - 0x10000);
            else
                cp =
                    std::array<char32_t, 6>{u'\\', u'{', u'}', u'\t', 0x2028, 0xA0}[rng.bounded(6)];
            if (cp >= 0xFDD0 && cp <= 0xFDEF)
                cp = u'x';
            if ((cp & 0xFFFE) == 0xFFFE || cp == 0xFFFC)
                cp = u'y';
            text += QString::fromUcs4(&cp, 1);
        }
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat f;
        f.setFontFamilies({QStringLiteral("Arial")});
        f.setFontPointSize(12);
        c.insertText(text, f);
        const QByteArray rtf = kt::rtf::write(doc);
        QTextDocument back;
        ASSERT_TRUE(kt::rtf::read(rtf, back));
        ASSERT_EQ(back.toRawText(), doc.toRawText()) << "round " << round;
        ASSERT_EQ(kt::rtf::write(back), rtf);
    }
}

TEST(RtfRoundTrip, CorpusFilesAreStableAfterTheFirstRead) {
    const auto rows = loadManifest(dataDir() + QStringLiteral("/rtf-corpus"));
    ASSERT_FALSE(rows.empty());
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        QTextDocument doc;
        ASSERT_TRUE(
            kt::rtf::read(readBytes(dataDir() + QStringLiteral("/rtf-corpus/") + row.file), doc));
        const QByteArray once = kt::rtf::write(doc);
        QTextDocument back;
        ASSERT_TRUE(kt::rtf::read(once, back));
        expectSameDocument(doc, back);
        EXPECT_EQ(kt::rtf::write(back), once);
    }
}

TEST(RtfFiles, SaveIsAtomicAndLoadReadsItBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("story.rtf"));
    QTextDocument doc;
    buildRich(doc);
    QString error;
    ASSERT_TRUE(kt::rtf::saveFile(path, doc, &error)) << error.toStdString();
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::loadFile(path, back, &error)) << error.toStdString();
    expectSameDocument(doc, back);
    // Nothing but the file itself is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("story.rtf")});
}

TEST(RtfFiles, SaveReplacesTheWholeFileAndFailsCleanly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("missing-folder/story.rtf"));
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("x"));
    QString error;
    EXPECT_FALSE(kt::rtf::saveFile(path, doc, &error));
    EXPECT_FALSE(error.isEmpty());

    // A save over a longer file replaces it whole: no tail of the old content survives.
    const QString kept = dir.filePath(QStringLiteral("kept.rtf"));
    {
        QFile f(kept);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100000, 'x'));
    }
    ASSERT_TRUE(kt::rtf::saveFile(kept, doc, &error));
    EXPECT_EQ(readBytes(kept), kt::rtf::write(doc));
    // A directory in the way: the save fails and the directory is untouched.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.rtf")));
    EXPECT_FALSE(kt::rtf::saveFile(dir.filePath(QStringLiteral("folder.rtf")), doc, &error));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("folder.rtf"))).isDir());
}

TEST(RtfFiles, LoadOfAMissingFileFails) {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("keep me"));
    QString error;
    EXPECT_FALSE(kt::rtf::loadFile(QStringLiteral("/nonexistent/x.rtf"), doc, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("keep me"));
}

// Another reader sees the same text in our output.
TEST(RtfInterop, UnrtfReadsTheSameText) {
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty())
        GTEST_SKIP() << "unrtf is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.rtf"));
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Arial")});
    f.setFontPointSize(12);
    c.insertText(QStringLiteral("First paragraph with {braces} and a backslash \\ here."), f);
    QTextCharFormat b = f;
    b.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral(" Bold words 2024"), b);
    c.insertBlock();
    c.insertText(QStringLiteral("Caf\u00E9 cr\u00E8me, na\u00EFve."), f);
    c.insertBlock();
    c.insertText(QStringLiteral("Third and last."), f);
    ASSERT_TRUE(kt::rtf::saveFile(path, doc));
    QProcess p;
    p.start(unrtf, {QStringLiteral("--text"), path});
    ASSERT_TRUE(p.waitForFinished(20000));
    // unrtf writes its text output in Latin-1.
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    // unrtf prefixes a comment header; keep the lines after it.
    QStringList lines;
    for (const QString& line : out.split(u'\n')) {
        if (line.startsWith(u'#') || line.startsWith(QLatin1String("-----")))
            continue;
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("First paragraph with {braces} and a backslash \\ here. "
                                          "Bold words 2024"),
                           QStringLiteral("Caf\u00E9 cr\u00E8me, na\u00EFve."),
                           QStringLiteral("Third and last.")}))
        << out.toStdString();
}

} // namespace
