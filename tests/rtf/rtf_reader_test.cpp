// Reader rules not covered by one case file each.
#include "rtf_test_support.h"

#include "rtf/rtf.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString readText(const QByteArray& rtf) {
    QTextDocument doc;
    EXPECT_TRUE(kt::rtf::read(rtf, doc));
    return doc.toRawText();
}

TEST(RtfReader, ReplacesTheWholeDocument) {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old content\nsecond"));
    ASSERT_TRUE(kt::rtf::read("{\\rtf1 new}", doc));
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("new"));
    EXPECT_EQ(doc.blockCount(), 1);
}

TEST(RtfReader, CursorsOnTheDocumentFollowTheTextAsItIsRead) {
    // Paragraphs go into the document with the cursors' moves held back and made once each;
    // a cursor kept on the document ends where the text ends, as it did when every run moved
    // it. A line feed in a paragraph's text still breaks it into blocks.
    QTextDocument doc;
    QTextCursor kept(&doc);
    ASSERT_TRUE(
        kt::rtf::read("{\\rtf1 one\\par {\\b two} three\\par four\\u10?five\\par six}", doc));
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("one\ntwo three\nfour\nfive\nsix"));
    EXPECT_EQ(kept.position(), doc.characterCount() - 1);
    EXPECT_EQ(kept.anchor(), kept.position());
}

TEST(RtfReader, ControlWordDelimiters) {
    struct Row {
        const char* rtf;
        const char16_t* text;
    } rows[] = {
        {"{\\rtf1 a\\par b}", u"a\u2029b"},
        {"{\\rtf1 \\b1 x\\b0  y}", u"x y"},
        {"{\\rtf1 \\fs24 2024}", u"2024"},
        {"{\\rtf1 \\fs24  2024}", u" 2024"},
        {"{\\rtf1 a\\'e9b}", u"a\u00E9b"},
        {"{\\rtf1 x\\u233 y}", u"x\u00E9"},
        {"{\\rtf1\\uc0 x\\u233 y}", u"x\u00E9y"},
        {"{\\rtf1 a\\tab b\tc}", u"a\tb\tc"},
        {"{\\rtf1 a\\line b}", u"a\u2028b"},
        {"{\\rtf0 ok}", u"ok"},
        {"{\\rtf ok}", u"ok"},
        {"{\\rtf1 \\u-3913?}", u"\uF0B7"},
        {"{\\rtf1 \\u55357?}", u"\uFFFD"},
        {"{\\rtf1 a\\u56832?b}", u"a\uFFFDb"},
        {"{\\rtf1 a\\u-10179?b}", u"a\uFFFDb"},
        {"{\\rtf1 a\\u-10240?\\u-10240?b}", u"a\uFFFD\uFFFDb"}, // one for each lone surrogate
        {"{\\rtf1 {\\*\\unknown skipped}kept}", u"kept"},
        {"{\\rtf1 {\\footnote gone}kept}", u"kept"},
        {"{\\rtf1 {\\v hidden}shown}", u"shown"},
        {"{\\rtf1 kept{\\deleted gone} too}", u"kept too"},
        {"{\\rtf1 a{\\*\\bkmkstart x}b}", u"ab"},
        {"{\\rtf1\\ansi\\ansicpg65001 \\'c3\\'a9}", u"\u00E9"},
        {"{\\rtf1\\pc \\'82}", u"\u00E9"},
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset2 Symbol;}}\\f0 \\'61\\'b7}", u"\u03B1\u2022"},
        {"{\\rtf1 {\\object{\\*\\objdata 0102}{\\result shown}}}", u"shown"},
        {"{\\rtf1 a\\bin3 {}\\b}", u"ab"},
        {"{\\rtf1 a\\bin999999 xyz}", u"a"},
        {"{\\rtf1 a}}}} junk", u"a"},
        // An escaped NUL is dropped wherever it falls in a run of text.
        {"{\\rtf1 a\\'00b}", u"ab"},
        {"{\\rtf1 x\\'00\\'e9 y\\par \\'00z\\'00}", u"x\u00E9 y\u2029z"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(readText(QByteArray(r.rtf)), QString::fromUtf16(r.text)) << r.rtf;
}

// A font table of thousands of fonts, each used once: every run keeps its own font, and a font
// the editor merges in afterwards is the one shown and written.
TEST(RtfReader, ManyFontsEachKeepTheirRunAndYieldToALaterFont) {
    constexpr int kFonts = 3000;
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl";
    for (int i = 0; i < kFonts; ++i)
        rtf += "{\\f" + QByteArray::number(i) + " Face" + QByteArray::number(i) + ";}";
    rtf += "}";
    for (int i = 0; i < kFonts; ++i)
        rtf += "{\\f" + QByteArray::number(i) + " w" + QByteArray::number(i) + " }";
    rtf += "}";
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(rtf, doc));
    int runs = 0;
    for (auto it = doc.firstBlock().begin(); !it.atEnd(); ++it, ++runs) {
        const QTextFragment f = it.fragment();
        const QString face = QStringLiteral("Face") + QString::number(runs);
        ASSERT_EQ(f.text(), QStringLiteral("w%1 ").arg(runs));
        EXPECT_EQ(f.charFormat().fontFamilies().toStringList(), QStringList{face});
        EXPECT_EQ(f.charFormat().font().family(), face);
    }
    EXPECT_EQ(runs, kFonts);

    QTextCursor all(&doc);
    all.select(QTextCursor::Document);
    QTextCharFormat arial;
    arial.setFontFamilies(QStringList{QStringLiteral("Arial")});
    all.mergeCharFormat(arial);
    QTextDocument back;
    ASSERT_TRUE(kt::rtf::read(kt::rtf::write(doc), back));
    for (QTextDocument* d : {&doc, &back}) {
        QTextCursor c(d);
        c.setPosition(3);
        EXPECT_EQ(c.charFormat().font().family(), QStringLiteral("Arial"));
        EXPECT_EQ(c.charFormat().fontFamilies().toStringList(),
                  QStringList{QStringLiteral("Arial")});
    }
}

// Double-byte and single-byte code pages chosen by the font, its \cpg, or the document.
TEST(RtfReader, CodePagesFollowTheFont) {
    const QByteArray fonts = "{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset136 MingLiU;}"
                             "{\\f2\\fcharset129 Batang;}{\\f3\\fcharset128 MS Mincho;}"
                             "{\\f4\\cpg1251\\fcharset0 Cyr;}{\\f5\\fcharset77 Mac;}"
                             "{\\f6\\fcharset222 Thai;}{\\f7\\fcharset1 Dflt;}}";
    struct Row {
        const char* body;
        const char16_t* text;
    } rows[] = {
        {"{\\f1 \\'a4\\'a4\\'a4\\'e5}", u"\u4E2D\u6587"},
        {"{\\f2 \\'c7\\'d1\\'b1\\'db}", u"\uD55C\uAE00"},
        {"{\\f3 \\'82\\'a0}x", u"\u3042x"},
        {"{\\f4 \\'c4\\'e0}", u"\u0414\u0430"},
        {"{\\f5 \\'8e}", u"\u00E9"},
        {"{\\f6 \\'a1}", u"\u0E01"},
        {"{\\f7 \\'e9}", u"\u00E9"},
        {"\\'e9{\\f1 \\'a4\\'a4}\\'e9", u"\u00E9\u4E2D\u00E9"},
    };
    for (const Row& r : rows) {
        const QByteArray rtf = "{\\rtf1\\ansi\\deff0" + fonts + r.body + "}";
        EXPECT_EQ(readText(rtf), QString::fromUtf16(r.text)) << r.body;
    }
    // The document's own code page for fonts that name none.
    EXPECT_EQ(readText("{\\rtf1\\ansi\\ansicpg1253{\\fonttbl{\\f0 Any;}}\\f0 \\'e1}"),
              QStringLiteral("\u03B1"));
    // Text follows the code page in force where it stands: a font table or a document code
    // page read after some text changes the text after it.
    EXPECT_EQ(readText("{\\rtf1\\ansi\\deff0 \\'e9{\\fonttbl{\\f0\\fcharset204 C;}}\\'e9}"),
              QStringLiteral("\u00E9\u0439"));
    EXPECT_EQ(readText("{\\rtf1\\ansi \\'e9\\ansicpg1251 \\'e9}"), QStringLiteral("\u00E9\u0439"));
    EXPECT_EQ(
        readText(
            "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset204 C;}{\\f1 L;}}\\'e9\\deff0 \\'e9\\f1 \\'e9}"),
        QStringLiteral("\u00E9\u0439\u00E9"));
    // A lead byte cut off at the end of its run is dropped, not joined to later text.
    EXPECT_EQ(readText("{\\rtf1{\\fonttbl{\\f1\\fcharset128 M;}}{\\f1 \\'82}x}"),
              QStringLiteral("x"));
}

TEST(RtfReader, PicturesBecomeImagesOnlyWhenReadable) {
    const QByteArray png = QByteArray::fromHex(
        "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c4944415408"
        "d763f8cfc000000301010018dd8db00000000049454e44ae426082");
    struct Row {
        QByteArray rtf;
        int images;
        const char* text;
    } rows[] = {
        {"{\\rtf1 a{\\pict\\pngblip\\picwgoal300\\pichgoal150 " + png.toHex() + "}b}", 1, "ab"},
        {"{\\rtf1 a{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png + "}b}", 1,
         "ab"},
        {"{\\rtf1 a{\\pict\\wmetafile8 0102}b}", 0, "ab"},
        {"{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + png.toHex() +
             "}}{\\nonshppict{\\pict\\wmetafile8 0102}}b}",
         1, "ab"},
        {"{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn fillBlip}{\\sv{\\pict\\pngblip " + png.toHex() +
             "}}}{\\sp{\\sn pib}{\\sv{\\pict\\pngblip " + png.toHex() +
             "}}}}{\\shprslt{\\pict\\pngblip " + png.toHex() + "}}}b}",
         1, "ab"},
        {"{\\rtf1 a{\\header{\\pict\\pngblip " + png.toHex() + "}}b}", 0, "ab"},
    };
    for (const Row& r : rows) {
        QTextDocument doc;
        ASSERT_TRUE(kt::rtf::read(r.rtf, doc));
        EXPECT_EQ(rtftest::imageCount(doc), r.images) << r.rtf.left(60).toStdString();
        EXPECT_EQ(doc.toPlainText().remove(QChar::ObjectReplacementCharacter),
                  QLatin1String(r.text));
    }
    // The goal size in twips becomes the image size in pixels at 96 dpi.
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(rows[0].rtf, doc));
    QTextCursor c(&doc);
    c.setPosition(2);
    ASSERT_TRUE(c.charFormat().isImageFormat());
    EXPECT_EQ(c.charFormat().toImageFormat().width(), 20);
    EXPECT_EQ(c.charFormat().toImageFormat().height(), 10);
}

TEST(RtfReader, ParagraphSpacingAndTableWidths) {
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read("{\\rtf1\\pard\\sl360\\slmult1 a\\par\\pard\\sl-300\\slmult0 b\\par"
                              "\\trowd\\cellx1440\\cellx4320\\pard\\intbl x\\cell y\\cell\\row}",
                              doc));
    EXPECT_EQ(doc.begin().blockFormat().lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_EQ(doc.begin().blockFormat().lineHeight(), 150);
    EXPECT_EQ(doc.begin().next().blockFormat().lineHeightType(), QTextBlockFormat::FixedHeight);
    EXPECT_EQ(doc.begin().next().blockFormat().lineHeight(), 15);
    QTextTable* table = QTextCursor(doc.findBlock(doc.toRawText().indexOf(u'x'))).currentTable();
    ASSERT_NE(table, nullptr);
    const QList<QTextLength> widths = table->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_EQ(widths[0].rawValue(), 72);
    EXPECT_EQ(widths[1].rawValue(), 144);
}

// A font or colour table read after some text formats the text after it, even where nothing
// else about the text changes, in the body and in a table cell alike.
TEST(RtfReader, TablesReadAfterSomeTextFormatTheTextAfterThem) {
    struct Row {
        const char* rtf;
        std::function<bool(const QTextCharFormat&)> after;
    } rows[] = {
        {"{\\rtf1 abc{\\fonttbl{\\f0 Courier;}}\\deff0 def}",
         [](const QTextCharFormat& f) {
             return f.fontFamilies().toStringList().contains(u"Courier");
         }},
        {"{\\rtf1\\cf1 abc{\\colortbl;\\red255\\green0\\blue0;}def}",
         [](const QTextCharFormat& f) { return f.foreground().color() == QColor(255, 0, 0); }},
        {"{\\rtf1\\cf1\\intbl abc{\\colortbl;\\red255\\green0\\blue0;}def\\cell\\row}",
         [](const QTextCharFormat& f) { return f.foreground().color() == QColor(255, 0, 0); }},
    };
    for (const Row& r : rows) {
        QTextDocument doc;
        ASSERT_TRUE(kt::rtf::read(r.rtf, doc));
        const QString text = doc.toRawText();
        const qsizetype abc = text.indexOf(QLatin1String("abc"));
        const qsizetype def = text.indexOf(QLatin1String("def"));
        ASSERT_GE(abc, 0) << r.rtf;
        ASSERT_GE(def, 0) << r.rtf;
        QTextCursor before(&doc);
        before.setPosition(static_cast<int>(abc) + 1);
        QTextCursor after(&doc);
        after.setPosition(static_cast<int>(def) + 1);
        EXPECT_FALSE(r.after(before.charFormat())) << r.rtf;
        EXPECT_TRUE(r.after(after.charFormat())) << r.rtf;
    }
}

TEST(RtfReader, TrailingParagraphMarkAddsNoBlock) {
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read("{\\rtf1 one\\par two\\par}", doc));
    EXPECT_EQ(doc.blockCount(), 2);
    ASSERT_TRUE(kt::rtf::read("{\\rtf1 one\\par\\par}", doc));
    EXPECT_EQ(doc.blockCount(), 2);
    ASSERT_TRUE(kt::rtf::read("{\\rtf1 one\\par\\page two\\par}", doc));
    EXPECT_EQ(doc.blockCount(), 2);
    EXPECT_TRUE(doc.lastBlock().blockFormat().pageBreakPolicy() &
                QTextFormat::PageBreak_AlwaysBefore);
}

TEST(RtfReader, PlainTextFallback) {
    struct Row {
        QByteArray data;
        const char16_t* text;
        int blocks;
    } rows[] = {
        {QByteArray("one\r\ntwo\nthree\rfour"), u"one\u2029two\u2029three\u2029four", 4},
        {QByteArray("caf\xc3\xa9 {\\rtf1}"), u"caf\u00E9 {\\rtf1}", 1},
        {QByteArray("caf\xe9 \x93q\x94\r\n"), u"caf\u00E9 \u201Cq\u201D", 1},
        {QByteArray(), u"", 1},
    };
    for (const Row& r : rows) {
        QTextDocument doc;
        ASSERT_TRUE(kt::rtf::read(r.data, doc));
        EXPECT_EQ(doc.toRawText(), QString::fromUtf16(r.text)) << r.data.toStdString();
        EXPECT_EQ(doc.blockCount(), r.blocks);
    }
}

TEST(RtfReader, TextInUtf16BehindItsByteOrderMarkIsText) {
    const QString text = QStringLiteral("Grandma's caf\u00E9\r\nsecond line");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    for (const QByteArray& data : {le, be}) {
        QTextDocument doc;
        ASSERT_TRUE(kt::rtf::read(data, doc));
        EXPECT_EQ(doc.toPlainText(), QStringLiteral("Grandma's caf\u00E9\nsecond line"));
    }
}

TEST(RtfReader, AHalfSurrogatePairInUtf16TextBecomesTheReplacementCharacter) {
    QTextDocument doc;
    // "A", a high surrogate followed by "B" instead of its partner, then a whole pair.
    ASSERT_TRUE(
        kt::rtf::read(QByteArray("\xFE\xFF\x00\x41\xD8\x3D\x00\x42\xD8\x3D\xDE\x00", 12), doc));
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf16(u"A\uFFFDB\U0001F600"));
}

// A picture, a program or another program's file picked through "All Files" is not shown as
// nonsense (which a Save would then write over the file it came from).
TEST(RtfReader, DataThatIsNotTextAtAllIsRefusedAndTheDocumentKept) {
    QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    QByteArray program("\x7F"
                       "ELF\x02\x01\x01",
                       7);
    program += QByteArray(57, '\0');
    // Controls but no NUL: one byte in eight is a control code.
    QByteArray noisy;
    for (int i = 0; i < 4096; ++i)
        noisy += char(i % 8 == 0 ? 0x03 : 'a' + i % 26);
    for (const QByteArray& data : {png, program, noisy}) {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("keep me"));
        QString error;
        EXPECT_FALSE(kt::rtf::read(data, doc, &error)) << data.left(8).toHex().toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(doc.toPlainText(), QStringLiteral("keep me"));
    }
    // Text with the odd page break, vertical tab or old end-of-file mark is still text.
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(QByteArray("Page one\fPage two\vend\x1A"), doc));
    EXPECT_TRUE(doc.toPlainText().startsWith(QStringLiteral("Page one")));
}

TEST(RtfReader, MillionNestedGroupsDoNotOverflowTheStack) {
    QByteArray rtf = "{\\rtf1 start ";
    rtf += QByteArray(1000000, '{');
    rtf += "deep";
    rtf += QByteArray(1000000, '}');
    rtf += " end}";
    const QString text = readText(rtf);
    EXPECT_TRUE(text.startsWith(QStringLiteral("start ")));
    EXPECT_TRUE(text.endsWith(QStringLiteral(" end")));
}

} // namespace
