// The RTF writer's header: the document's defaults and the font, colour and list tables,
// listing what the body used.
#include "writer_state.h"

namespace kt::rtf::detail {

int Writer::fontIndex(const QString& family) {
    return m_fonts.indexOf(family, family);
}

int Writer::colorIndex(const QColor& color) {
    return m_colors.indexOf(color.rgb(), color);
}

void Writer::defaults() {
    const QFont font = m_document.defaultFont();
    m_defaultFamily = font.family().isEmpty() ? QStringLiteral("Arial") : font.family();
    m_defaultSize = font.pointSizeF() > 0 ? font.pointSizeF() : 12.0;
}

int Writer::listIndex(const QTextList* list) {
    return m_lists.indexOf(list, list);
}

void Writer::header() {
    m_out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl");
    for (size_t i = 0; i < m_fonts.items().size(); ++i) {
        word("{\\f", static_cast<long long>(i));
        word("\\fnil\\fcharset0 ");
        QString name = m_fonts.items()[i];
        name.remove(u';');
        text(name);
        m_out.append(";}");
    }
    m_out.append("}\r\n{\\colortbl;");
    for (const QColor& c : m_colors.items()) {
        word("\\red", c.red());
        word("\\green", c.green());
        word("\\blue", c.blue());
        m_out.append(';');
    }
    m_out.append("}\r\n");
    styleSheet();
    listTable();
}

void Writer::styleSheet() {
    // Only documents with headings have one: word processors know a heading by its style.
    if (m_headingLevels == 0)
        return;
    m_out.append("{\\stylesheet{\\s0\\snext0 Normal;}");
    for (int level = 1; level <= 6; ++level) {
        if (!(m_headingLevels & (1u << level)))
            continue;
        word("\r\n{\\s", level);
        word("\\sbasedon0\\snext0\\outlinelevel", level - 1);
        word(" heading ", level);
        m_out.append(";}");
    }
    m_out.append("}\r\n");
}

ListStyleInfo styleInfo(QTextListFormat::Style style) {
    switch (style) {
    case QTextListFormat::ListDecimal:
        return {0, nullptr};
    case QTextListFormat::ListUpperRoman:
        return {1, nullptr};
    case QTextListFormat::ListLowerRoman:
        return {2, nullptr};
    case QTextListFormat::ListUpperAlpha:
        return {3, nullptr};
    case QTextListFormat::ListLowerAlpha:
        return {4, nullptr};
    case QTextListFormat::ListCircle:
        return {23, "\\u9702 ?"};
    case QTextListFormat::ListSquare:
        return {23, "\\u9642 ?"};
    default:
        return {23, "\\u8226 ?"};
    }
}

int Writer::itemNumber(const QTextList* list, const QTextBlock& block) {
    int& next = m_itemsWritten[list];
    // Blocks are written in document order, which is the list's own order; a block met out of
    // that order is looked up.
    const int number = list->item(next) == block ? next : list->itemNumber(block);
    next = number + 1;
    return number;
}

} // namespace kt::rtf::detail

namespace kt::rtf {

namespace {

QString roman(int n, bool upper) {
    static constexpr std::pair<int, const char*> kNumerals[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    if (n >= 5000)
        return QStringLiteral("?"); // what the toolkit shows past its numerals
    QString out;
    for (const auto& [value, numeral] : kNumerals)
        for (; n >= value; n -= value)
            out += QLatin1String(numeral);
    return upper ? out.toUpper() : out;
}

QString alphabetic(int n, bool upper) {
    QString out;
    for (; n > 0; n = (n - 1) / 26)
        out.prepend(QChar((upper ? 'A' : 'a') + (n - 1) % 26));
    return out;
}

} // namespace

QString listMarker(const QTextListFormat& format, int number, Qt::LayoutDirection direction) {
    QString text;
    switch (format.style()) {
    case QTextListFormat::ListDecimal:
        text = QString::number(number);
        break;
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
        text = alphabetic(number, format.style() == QTextListFormat::ListUpperAlpha);
        break;
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman:
        text = roman(number, format.style() == QTextListFormat::ListUpperRoman);
        break;
    default:
        return {}; // a bullet, written as the bullet character
    }
    const QString prefix =
        format.hasProperty(QTextFormat::ListNumberPrefix) ? format.numberPrefix() : QString();
    const QString suffix = format.hasProperty(QTextFormat::ListNumberSuffix) ? format.numberSuffix()
                                                                             : QStringLiteral(".");
    return direction == Qt::RightToLeft ? suffix + text + prefix : prefix + text + suffix;
}

} // namespace kt::rtf

namespace kt::rtf::detail {

void Writer::listTable() {
    if (m_lists.items().empty())
        return;
    m_out.append("{\\*\\listtable");
    for (size_t i = 0; i < m_lists.items().size(); ++i) {
        const ListStyleInfo info = styleInfo(m_lists.items()[i]->format().style());
        word("\r\n{\\list\\listtemplateid", static_cast<long long>(i) + 1);
        for (int level = 0; level < 9; ++level) {
            word("{\\listlevel\\levelnfc", info.nfc);
            word("\\levelnfcn", info.nfc);
            word("\\leveljc0\\levelfollow0\\levelstartat1");
            if (info.bullet) {
                word("{\\leveltext\\'01");
                word(info.bullet);
                word(";}{\\levelnumbers;}");
            } else {
                word("{\\leveltext\\'02\\'0");
                m_out.append(kHex[level]);
                word(".;}{\\levelnumbers\\'01;}");
            }
            word("\\fi-360\\li", (level + 1) * 360);
            m_out.append('}');
        }
        word("\\listid", static_cast<long long>(i) + 1);
        m_out.append('}');
    }
    m_out.append("}\r\n{\\*\\listoverridetable");
    for (size_t i = 0; i < m_lists.items().size(); ++i) {
        word("{\\listoverride\\listid", static_cast<long long>(i) + 1);
        word("\\listoverridecount0\\ls", static_cast<long long>(i) + 1);
        m_out.append('}');
    }
    m_out.append("}\r\n");
}

} // namespace kt::rtf::detail
