// Every hand-made case and every producer-written corpus file, read through the public
// interface and compared under its manifest's mode; the cases' format assertions are below.
#include "rtf_test_support.h"

#include "rtf/rtf.h"

#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

using namespace rtftest;

namespace {

const QString kCases = QStringLiteral("/rtf-cases/");
const QString kCorpus = QStringLiteral("/rtf-corpus/");

void checkText(const QString& folder, const ManifestRow& row, const QTextDocument& doc) {
    const QString actual = documentText(doc);
    QStringList expectations{row.expected};
    expectations << row.alternatives;
    QStringList failures;
    for (const QString& e : expectations) {
        const QString why = compare(actual, readUtf8(dataDir() + folder + e), row.mode, row.ignore);
        if (why.isEmpty())
            return;
        failures << e + QStringLiteral(": ") + why;
    }
    ADD_FAILURE() << row.file.toStdString() << " (" << row.mode.toStdString()
                  << "): " << failures.join(QStringLiteral("; ")).toStdString();
}

QTextBlock block(const QTextDocument& doc, int n) {
    return doc.findBlockByNumber(n - 1);
}

bool bold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::DemiBold;
}
bool defaultColour(const QTextCharFormat& f) {
    return f.foreground().style() == Qt::NoBrush || f.foreground().color() == QColor(Qt::black);
}
auto colour(const char* rgb) {
    return [rgb](const QTextCharFormat& f) {
        return f.foreground().style() != Qt::NoBrush && f.foreground().color() == QColor(rgb);
    };
}
auto background(const char* rgb) {
    return [rgb](const QTextCharFormat& f) {
        return f.background().style() != Qt::NoBrush && f.background().color() == QColor(rgb);
    };
}
auto size(double points) {
    return [points](const QTextCharFormat& f) { return f.fontPointSize() == points; };
}
auto family(const char* name) {
    return [name](const QTextCharFormat& f) {
        return f.fontFamilies().toStringList().value(0) == QLatin1String(name);
    };
}

using Check = std::function<void(const QTextDocument&)>;

// The `formats` column of the cases, in code.
const std::map<std::string, Check>& formatChecks() {
    static const std::map<std::string, Check> checks = {
        {"unicode-nbsp.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(d.toRawText().contains(QStringLiteral("b\u00A0c")));
         }},
        {"sjis-fcharset128.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("\u3042\u30A2"), family("MS Mincho")));
             EXPECT_TRUE(runHas(d, QStringLiteral("\u65E5\u672C"), family("MS Mincho")));
         }},
        {"fcharset-rtl.rtf",
         [](const QTextDocument& d) {
             EXPECT_EQ(block(d, 1).blockFormat().layoutDirection(), Qt::RightToLeft);
             EXPECT_EQ(block(d, 2).blockFormat().layoutDirection(), Qt::RightToLeft);
             EXPECT_EQ(block(d, 3).blockFormat().layoutDirection(), Qt::LeftToRight);
         }},
        {"skip-pict.rtf",
         [](const QTextDocument& d) {
             EXPECT_EQ(imageCount(d), 1);
             EXPECT_FALSE(d.toPlainText().contains(QStringLiteral("89504e47")));
         }},
        {"field-hyperlink.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("link"), [](const QTextCharFormat& f) {
                 return f.isAnchor() && f.anchorHref() == QLatin1String("https://example.org/u");
             }));
             EXPECT_TRUE(runHas(d, QStringLiteral("second link"), [](const QTextCharFormat& f) {
                 return f.isAnchor() && f.anchorHref() == QLatin1String("https://example.org/w") &&
                        f.fontUnderline() && colour("#0000FF")(f);
             }));
             EXPECT_FALSE(d.toPlainText().contains(QStringLiteral("HYPERLINK")));
         }},
        {"line-break.rtf",
         [](const QTextDocument& d) {
             EXPECT_EQ(d.blockCount(), 1);
             EXPECT_EQ(block(d, 1).text(), QStringLiteral("one\u2028two"));
         }},
        {"page-and-section-breaks.rtf",
         [](const QTextDocument& d) {
             ASSERT_EQ(d.blockCount(), 3);
             EXPECT_EQ(block(d, 1).text(), QStringLiteral("four"));
             EXPECT_EQ(block(d, 2).text(), QStringLiteral("five"));
             EXPECT_EQ(block(d, 3).text(), QStringLiteral("six"));
             EXPECT_TRUE(block(d, 2).blockFormat().pageBreakPolicy() &
                             QTextFormat::PageBreak_AlwaysBefore ||
                         block(d, 1).blockFormat().pageBreakPolicy() &
                             QTextFormat::PageBreak_AlwaysAfter);
             EXPECT_FALSE(block(d, 3).blockFormat().pageBreakPolicy() &
                          QTextFormat::PageBreak_AlwaysBefore);
         }},
        {"toggle-bold.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("bold "), bold));
             EXPECT_TRUE(runHas(d, QStringLiteral("not"), std::not_fn(bold)));
         }},
        {"toggle-underline.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("u"),
                                [](const QTextCharFormat& f) { return f.fontUnderline(); }));
             EXPECT_TRUE(runHas(d, QStringLiteral("n"),
                                [](const QTextCharFormat& f) { return !f.fontUnderline(); }));
             EXPECT_TRUE(runHas(d, QStringLiteral("under"),
                                [](const QTextCharFormat& f) { return f.fontUnderline(); }));
             EXPECT_TRUE(runHas(d, QStringLiteral(" over"),
                                [](const QTextCharFormat& f) { return !f.fontUnderline(); }));
         }},
        {"plain-reset.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("italic red "), [](const QTextCharFormat& f) {
                 return f.fontItalic() && colour("#C00000")(f) && f.fontPointSize() == 14;
             }));
             EXPECT_TRUE(runHas(d, QStringLiteral("plain"), [](const QTextCharFormat& f) {
                 return !f.fontItalic() && defaultColour(f) && f.fontPointSize() == 12;
             }));
         }},
        {"char-spacing.rtf",
         [](const QTextDocument& d) {
             auto spacing = [](double points) {
                 return [points](const QTextCharFormat& f) {
                     return f.fontLetterSpacingType() == QFont::AbsoluteSpacing &&
                            f.fontLetterSpacing() == points;
                 };
             };
             EXPECT_TRUE(runHas(d, QStringLiteral("wide"), spacing(2)));
             EXPECT_TRUE(runHas(d, QStringLiteral(" tight"), spacing(-0.5)));
             EXPECT_TRUE(runHas(d, QStringLiteral(" plain"), [](const QTextCharFormat& f) {
                 return !f.hasProperty(QTextFormat::FontLetterSpacing);
             }));
         }},
        {"half-point-size.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("ten and a half"), size(10.5)));
             EXPECT_TRUE(runHas(d, QStringLiteral(" twelve"), size(12)));
             EXPECT_TRUE(runHas(d, QStringLiteral(" eight and a half"), size(8.5)));
         }},
        {"colortbl-no-auto.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("red"), colour("#C80000")));
             EXPECT_TRUE(runHas(d, QStringLiteral("blue"), colour("#0000C8")));
             EXPECT_TRUE(runHas(d, QStringLiteral("black"), colour("#000000")));
         }},
        {"char-formats-basic.rtf",
         [](const QTextDocument& d) {
             auto valign = [](QTextCharFormat::VerticalAlignment a) {
                 return [a](const QTextCharFormat& f) { return f.verticalAlignment() == a; };
             };
             EXPECT_TRUE(runHas(d, QStringLiteral("H"), valign(QTextCharFormat::AlignNormal)));
             // 'H' is normal and the '2' after it subscript; the '2' after x superscript.
             const QString raw = d.toRawText();
             QTextCursor c(const_cast<QTextDocument*>(&d));
             c.setPosition(raw.indexOf(QStringLiteral("H2")) + 2);
             EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSubScript);
             c.setPosition(raw.indexOf(QStringLiteral("x2")) + 2);
             EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
             c.setPosition(raw.indexOf(QStringLiteral("x2")) + 1);
             EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignNormal);
             EXPECT_TRUE(runHas(d, QStringLiteral("gone"),
                                [](const QTextCharFormat& f) { return f.fontStrikeOut(); }));
             EXPECT_TRUE(runHas(d, QStringLiteral("both"), [](const QTextCharFormat& f) {
                 return bold(f) && f.fontItalic();
             }));
             EXPECT_TRUE(runHas(d, QStringLiteral("under bold"), [](const QTextCharFormat& f) {
                 return bold(f) && f.fontUnderline();
             }));
             EXPECT_TRUE(runHas(d, QStringLiteral(", "), [](const QTextCharFormat& f) {
                 return !bold(f) && !f.fontItalic() && !f.fontUnderline() && !f.fontStrikeOut() &&
                        f.verticalAlignment() == QTextCharFormat::AlignNormal;
             }));
         }},
        {"highlight-shading.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("yellow marker"), background("#FFFF00")));
             EXPECT_TRUE(runHas(d, QStringLiteral("shaded green"), background("#CCFFCC")));
             EXPECT_TRUE(runHas(d, QStringLiteral(" and "), [](const QTextCharFormat& f) {
                 return f.background().style() == Qt::NoBrush;
             }));
         }},
        {"paragraph-alignment.rtf",
         [](const QTextDocument& d) {
             auto align = [&](int n) {
                 return block(d, n).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
             };
             EXPECT_EQ(align(1), Qt::AlignHCenter);
             EXPECT_EQ(align(2), Qt::AlignRight);
             EXPECT_EQ(align(3), Qt::AlignJustify);
             EXPECT_EQ(block(d, 4).blockFormat().leftMargin(), 36);
             EXPECT_EQ(block(d, 4).blockFormat().textIndent(), -18);
             EXPECT_TRUE(align(5) == Qt::AlignLeft || align(5) == 0);
             EXPECT_EQ(block(d, 5).blockFormat().leftMargin(), 0);
             EXPECT_EQ(block(d, 5).blockFormat().textIndent(), 0);
         }},
        {"textedit-backslash-newline.rtf",
         [](const QTextDocument& d) {
             ASSERT_EQ(d.blockCount(), 4);
             EXPECT_TRUE(block(d, 3).text().isEmpty());
             EXPECT_TRUE(runHas(d, QStringLiteral("First paragraph from the notebook."),
                                [](const QTextCharFormat& f) {
                                    return family("Helvetica")(f) && f.fontPointSize() == 12;
                                }));
         }},
        {"fonttbl-no-braces.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(runHas(d, QStringLiteral("sans "), family("Helvetica")));
             EXPECT_TRUE(runHas(d, QStringLiteral(" sans again"), family("Helvetica")));
             EXPECT_TRUE(runHas(d, QStringLiteral("mono"), family("Courier")));
         }},
        {"table-one-row.rtf",
         [](const QTextDocument& d) {
             QTextTable* table = nullptr;
             for (QTextFrame* f : d.rootFrame()->childFrames())
                 if (auto* t = qobject_cast<QTextTable*>(f))
                     table = t;
             ASSERT_NE(table, nullptr);
             EXPECT_EQ(d.rootFrame()->childFrames().size(), 1);
             EXPECT_EQ(table->rows(), 1);
             EXPECT_EQ(table->columns(), 2);
             EXPECT_EQ(table->cellAt(0, 0).firstCursorPosition().block().text(),
                       QStringLiteral("A"));
             EXPECT_EQ(table->cellAt(0, 1).firstCursorPosition().block().text(),
                       QStringLiteral("B"));
             EXPECT_EQ(d.begin().text(), QStringLiteral("Before."));
             EXPECT_EQ(d.lastBlock().text(), QStringLiteral("After."));
         }},
        {"listtext-bullet.rtf",
         [](const QTextDocument& d) {
             const QTextBlock item = d.find(QStringLiteral("item")).block();
             const QTextBlock second = d.find(QStringLiteral("second item")).block();
             ASSERT_NE(item.textList(), nullptr);
             EXPECT_EQ(item.textList(), second.textList());
             EXPECT_EQ(item.textList()->format().style(), QTextListFormat::ListDisc);
             EXPECT_EQ(item.text(), QStringLiteral("item"));
             EXPECT_EQ(second.text(), QStringLiteral("second item"));
             EXPECT_EQ(d.find(QStringLiteral("After the list.")).block().textList(), nullptr);
         }},
        {"pntext-bullet.rtf",
         [](const QTextDocument& d) {
             const QTextBlock first = d.find(QStringLiteral("first")).block();
             const QTextBlock second = d.find(QStringLiteral("second")).block();
             ASSERT_NE(first.textList(), nullptr);
             EXPECT_EQ(first.textList(), second.textList());
             EXPECT_EQ(first.textList()->format().style(), QTextListFormat::ListDisc);
             EXPECT_EQ(first.text(), QStringLiteral("first"));
             EXPECT_EQ(second.text(), QStringLiteral("second"));
             EXPECT_EQ(d.find(QStringLiteral("After.")).block().textList(), nullptr);
         }},
        {"control-symbols.rtf",
         [](const QTextDocument& d) {
             const QString raw = d.toRawText();
             EXPECT_TRUE(raw.contains(QStringLiteral("\u00A0\u2013\u00A0")));
             EXPECT_TRUE(raw.contains(QStringLiteral("soft\u00ADhyphen")));
             EXPECT_TRUE(raw.contains(QStringLiteral("non\u2011breaking")));
         }},
        {"truncated-file.rtf",
         [](const QTextDocument& d) {
             EXPECT_TRUE(
                 runHas(d, QStringLiteral("Second paragraph, bold and never closed"), bold));
         }},
        {"huge-parameter.rtf",
         [](const QTextDocument& d) {
             for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
                 for (auto it = b.begin(); !it.atEnd(); ++it) {
                     const double pt = it.fragment().charFormat().fontPointSize();
                     EXPECT_GT(pt, 0);
                     EXPECT_LE(pt, 1638);
                 }
         }},
    };
    return checks;
}

class RtfCase : public ::testing::TestWithParam<ManifestRow> {};
class RtfCorpus : public ::testing::TestWithParam<ManifestRow> {};

std::string rowName(const ::testing::TestParamInfo<ManifestRow>& info) {
    return info.param.name;
}

TEST_P(RtfCase, ReadsToExpectedTextAndFormats) {
    const ManifestRow& row = GetParam();
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(readBytes(dataDir() + kCases + row.file), doc));
    checkText(kCases, row, doc);
    const auto& checks = formatChecks();
    auto it = checks.find(row.file.toStdString());
    if (it != checks.end()) {
        SCOPED_TRACE(row.formats.toStdString());
        it->second(doc);
    }
}

TEST_P(RtfCorpus, ReadsToProducersText) {
    const ManifestRow& row = GetParam();
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(readBytes(dataDir() + kCorpus + row.file), doc));
    checkText(kCorpus, row, doc);
}

// What the corpus files' `features` column promises, checked on the loaded document.
struct Found {
    int images = 0, tables = 0, lists = 0, links = 0, centred = 0, right = 0, justified = 0;
    int pageBreaks = 0, rtl = 0, indents = 0;
    bool bold = false, italic = false, underline = false, strike = false, super = false,
         sub = false, colour = false, background = false, halfPoint = false;
    QSet<QString> families;
};

Found survey(const QTextDocument& d) {
    Found f;
    for (QTextFrame* frame : d.rootFrame()->childFrames())
        if (qobject_cast<QTextTable*>(frame))
            ++f.tables;
    QSet<QTextList*> lists;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        f.centred += a == Qt::AlignHCenter;
        f.right += a == Qt::AlignRight;
        f.justified += a == Qt::AlignJustify;
        f.pageBreaks += (bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) != 0;
        f.rtl += bf.layoutDirection() == Qt::RightToLeft;
        f.indents += bf.leftMargin() > 0 || bf.textIndent() != 0 || bf.rightMargin() > 0;
        if (b.textList())
            lists.insert(b.textList());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat c = it.fragment().charFormat();
            if (c.isImageFormat()) {
                ++f.images;
                continue;
            }
            f.bold |= bold(c);
            f.italic |= c.fontItalic();
            f.underline |= c.fontUnderline();
            f.strike |= c.fontStrikeOut();
            f.super |= c.verticalAlignment() == QTextCharFormat::AlignSuperScript;
            f.sub |= c.verticalAlignment() == QTextCharFormat::AlignSubScript;
            f.colour |= !defaultColour(c);
            f.background |= c.background().style() != Qt::NoBrush;
            f.halfPoint |= c.fontPointSize() != std::floor(c.fontPointSize());
            f.links += c.isAnchor() && !c.anchorHref().isEmpty();
            f.families.insert(c.fontFamilies().toStringList().value(0));
        }
    }
    f.lists = static_cast<int>(lists.size());
    return f;
}

TEST_P(RtfCorpus, HasTheFormattingItsFeaturesList) {
    const ManifestRow& row = GetParam();
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(readBytes(dataDir() + kCorpus + row.file), doc));
    const Found f = survey(doc);
    const QStringList features = row.features;
    auto has = [&](const char* tag) { return features.contains(QLatin1String(tag)); };
    const bool pandoc = has("pandoc"); // writes list labels as text and tables as paragraphs
    const struct {
        bool applies;
        bool kept;
        const char* what;
    } promises[] = {
        {has("image-png") || has("image-jpeg"), f.images >= 1, "a picture"},
        {has("table") && !pandoc, f.tables >= 1, "a table"},
        {(has("bullets") || has("numbered-list")) && !pandoc, f.lists >= 1, "a list"},
        {has("nested-list") && !pandoc, f.lists >= 2, "nested lists"},
        {has("hyperlinks"), f.links >= 1, "a hyperlink"},
        {has("bold"), f.bold, "bold"},
        {has("italic"), f.italic, "italic"},
        {has("underline"), f.underline, "underline"},
        {has("strike"), f.strike, "strike-through"},
        {has("superscript"), f.super, "superscript"},
        {has("subscript"), f.sub, "subscript"},
        {has("colour"), f.colour, "a text colour"},
        {has("highlight"), f.background, "a background colour"},
        {has("half-point-size"), f.halfPoint, "a half-point size"},
        {has("fonts"), f.families.size() >= 2, "two font families"},
        {has("align-center"), f.centred >= 1, "a centred paragraph"},
        {has("align-right"), f.right >= 1, "a right-aligned paragraph"},
        {has("align-justify"), f.justified >= 1, "a justified paragraph"},
        {has("indents"), f.indents >= 1, "an indented paragraph"},
        {has("page-breaks"), f.pageBreaks >= 1, "a page break"},
        {has("rtl"), f.rtl >= 1, "a right-to-left paragraph"},
        {has("empty-document"), doc.blockCount() == 1, "one empty block"},
    };
    for (const auto& p : promises) {
        if (p.applies) {
            EXPECT_TRUE(p.kept) << row.file.toStdString() << " lacks " << p.what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RtfCase,
                         ::testing::ValuesIn(loadManifest(dataDir() +
                                                          QStringLiteral("/rtf-cases"))),
                         rowName);
INSTANTIATE_TEST_SUITE_P(Corpus, RtfCorpus,
                         ::testing::ValuesIn(loadManifest(dataDir() +
                                                          QStringLiteral("/rtf-corpus"))),
                         rowName);

// Every case with format assertions has its check, so a manifest row cannot go unchecked.
TEST(RtfCaseManifest, EveryFormatsAssertionHasACheck) {
    const auto rows = loadManifest(dataDir() + QStringLiteral("/rtf-cases"));
    ASSERT_GE(rows.size(), 50u);
    for (const ManifestRow& row : rows) {
        if (row.formats.isEmpty() || row.formats.startsWith(QLatin1String("must not crash")) ||
            row.formats.startsWith(QLatin1String("optional")))
            continue;
        EXPECT_TRUE(formatChecks().count(row.file.toStdString())) << row.file.toStdString();
    }
}

} // namespace
