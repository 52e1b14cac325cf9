// Reader rules not covered by one case file each.
#include "rtf_test_support.h"

#include "platform/rtf/rtf.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

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
        {"{\\rtf1 {\\*\\unknown skipped}kept}", u"kept"},
        {"{\\rtf1 {\\footnote gone}kept}", u"kept"},
        {"{\\rtf1 {\\v hidden}shown}", u"shown"},
        {"{\\rtf1 a{\\*\\bkmkstart x}b}", u"ab"},
        {"{\\rtf1\\ansi\\ansicpg65001 \\'c3\\'a9}", u"\u00E9"},
        {"{\\rtf1\\pc \\'82}", u"\u00E9"},
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset2 Symbol;}}\\f0 \\'61\\'b7}", u"\u03B1\u2022"},
        {"{\\rtf1 {\\object{\\*\\objdata 0102}{\\result shown}}}", u"shown"},
        {"{\\rtf1 a\\bin3 {}\\b}", u"ab"},
        {"{\\rtf1 a\\bin999999 xyz}", u"a"},
        {"{\\rtf1 a}}}} junk", u"a"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(readText(QByteArray(r.rtf)), QString::fromUtf16(r.text)) << r.rtf;
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
