// The reader's tables: fonts, colours, lists (\listtable, \listoverridetable) and old-style
// paragraph numbering (\pn). Of the style sheet only the heading styles' outline levels are
// kept: a style's other properties are written out in full on every paragraph that uses it.
#include "reader_state.h"

#include <algorithm>

namespace kt::rtf::detail {

namespace {

QTextListFormat::Style styleForNfc(int nfc, const QString& text) {
    switch (nfc) {
    case 1:
        return QTextListFormat::ListUpperRoman;
    case 2:
        return QTextListFormat::ListLowerRoman;
    case 3:
        return QTextListFormat::ListUpperAlpha;
    case 4:
        return QTextListFormat::ListLowerAlpha;
    case 23:
        if (text.contains(QChar(0x25E6)) || text.contains(QChar(0x25CB)) || text.contains(u'o'))
            return QTextListFormat::ListCircle;
        if (text.contains(QChar(0x25AA)) || text.contains(QChar(0x25A0)) ||
            text.contains(QChar(0xF0A7)))
            return QTextListFormat::ListSquare;
        return QTextListFormat::ListDisc;
    default:
        return QTextListFormat::ListDecimal;
    }
}

} // namespace

void Reader::tableWord(const ControlWord& w, const Token& t) {
    const int param = t.param;
    const Dest dest = st_.dest;
    const bool body = dest == Dest::Body;
    ParaState& p = st_.para;
    std::vector<ListDef>& lists = listTables_.lists;
    switch (w.word) {
    case Cw::FontTbl:
        enterDestination(Dest::FontTable);
        fontTable_.entryFont = -1;
        fontTable_.entryOpen = false;
        return;
    case Cw::ColorTbl:
        enterDestination(Dest::ColorTable);
        colorTable_.colors.clear();
        return;
    case Cw::F:
        if (dest == Dest::FontTable) {
            commitFont();
            fontTable_.entryFont = param;
            fontTable_.entryCharset = -1;
            fontTable_.entryCpg = 0;
            fontTable_.entryBytes.clear();
            fontTable_.entryName.clear();
            fontTable_.entryOpen = true;
        } else if (fontTable_.fonts.count(param)) {
            st_.chr.font = param;
        }
        return;
    case Cw::FCharset:
        if (dest == Dest::FontTable)
            fontTable_.entryCharset = param;
        return;
    case Cw::Cpg:
        if (dest == Dest::FontTable)
            fontTable_.entryCpg = param;
        return;
    case Cw::Red:
    case Cw::Green:
    case Cw::Blue:
        if (dest == Dest::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            ColorTable& ct = colorTable_;
            (w.word == Cw::Red ? ct.red : w.word == Cw::Green ? ct.green : ct.blue) = v;
            ct.set = true;
        }
        return;

    case Cw::StyleSheet:
        enterDestination(Dest::StyleSheet);
        styleSheet_.entryName.clear();
        return;
    case Cw::ListTable:
        st_.dest = Dest::ListTable;
        return;
    case Cw::ListOverrideTable:
        st_.dest = Dest::ListOverride;
        return;
    case Cw::List:
        if (dest == Dest::ListTable)
            lists.emplace_back();
        return;
    case Cw::ListLevel:
        if (dest == Dest::ListTable && !lists.empty() && lists.back().levels.size() < 9)
            lists.back().levels.emplace_back();
        return;
    case Cw::LevelNfc:
        if (dest == Dest::ListTable && !lists.empty() && !lists.back().levels.empty())
            lists.back().levels.back().nfc = param;
        return;
    case Cw::LevelText:
        st_.dest = dest == Dest::ListTable ? Dest::LevelText : Dest::Skip;
        return;
    case Cw::ListId:
        if (dest == Dest::ListTable && !lists.empty())
            lists.back().id = param;
        else if (dest == Dest::ListOverride)
            listTables_.overrideListId = param;
        return;
    case Cw::ListOverride:
        listTables_.overrideListId = 0;
        return;
    case Cw::Ls:
        if (dest == Dest::ListOverride)
            listTables_.overrides[param] = listTables_.overrideListId;
        else
            p.ls = std::max(0, param);
        return;
    case Cw::Ilvl:
        p.ilvl = std::clamp(param, 0, 8);
        return;

    case Cw::Pn:
        st_.dest = body ? Dest::Pn : Dest::Skip;
        if (body && p.pnStyle >= 0)
            p.pnStyle = QTextListFormat::ListDecimal;
        return;
    case Cw::PnStyle:
        p.pnStyle = w.value;
        return;
    case Cw::PnLvlBody:
        p.pnLevel = 0;
        return;
    case Cw::PnLvl:
        p.pnLevel = std::clamp(param - 1, 0, 8);
        return;
    default:
        return;
    }
}

void Reader::fontTableBytes(QByteArrayView bytes) {
    for (char c : bytes) {
        if (c == ';')
            commitFont();
        else if (fontTable_.entryOpen)
            fontTable_.entryBytes.append(c);
    }
}

void Reader::fontNameChar(char16_t c) {
    FontTable& ft = fontTable_;
    ft.entryName += QString::fromLatin1(ft.entryBytes);
    ft.entryBytes.clear();
    ft.entryName += QChar(c);
}

void Reader::commitFont() {
    FontTable& ft = fontTable_;
    if (!ft.entryOpen)
        return;
    ft.entryOpen = false;
    if (ft.entryFont < 0)
        return;
    Font font;
    if (ft.entryCpg > 0)
        font.codePage = ft.entryCpg;
    else if (ft.entryCharset >= 0)
        font.codePage = codePageForCharset(ft.entryCharset);
    QString name = ft.entryName;
    decoder_.decode(font.codePage ? font.codePage : codePages_.document, ft.entryBytes, name);
    if (font.codePage == kCodePageSymbol) {
        // The name itself is plain text even in a symbol font.
        name = ft.entryName + QString::fromLatin1(ft.entryBytes);
    }
    font.name = name.trimmed();
    ft.fonts[ft.entryFont] = font;
    codePages_.valid = false;
    ft.entryBytes.clear();
    ft.entryName.clear();
    ft.entryFont = -1;
}

void Reader::commitStyle() {
    // A heading style is known by its outline level, or else by its name: some word
    // processors give their heading styles no outline level of their own.
    StyleSheet& ss = styleSheet_;
    int outline = st_.para.outline;
    const QByteArray name = ss.entryName.trimmed().chopped(ss.entryName.trimmed().endsWith(';'));
    ss.entryName.clear();
    if (outline < 0 && name.size() == 9 && name.toLower().startsWith("heading ") &&
        name[8] >= '1' && name[8] <= '9')
        outline = name[8] - '1';
    if (outline >= 0)
        ss.outlines[st_.para.style] = outline;
}

void Reader::colorTableBytes(QByteArrayView bytes) {
    for (char c : bytes)
        if (c == ';')
            commitColor();
}

void Reader::commitColor() {
    ColorTable& ct = colorTable_;
    ct.colors.push_back(ct.set ? QColor(ct.red, ct.green, ct.blue) : QColor());
    ct.red = ct.green = ct.blue = 0;
    ct.set = false;
}

void Reader::levelTextBytes(QByteArrayView bytes) {
    std::vector<ListDef>& lists = listTables_.lists;
    if (!lists.empty() && !lists.back().levels.empty())
        lists.back().levels.back().text += QString::fromLatin1(bytes);
}

void Reader::levelTextByte(unsigned char b) {
    levelTextChar(b >= 0x20 ? symbolCharacter(b) : b);
}

void Reader::levelTextChar(char16_t c) {
    std::vector<ListDef>& lists = listTables_.lists;
    if (!lists.empty() && !lists.back().levels.empty())
        lists.back().levels.back().text += QChar(c);
}

bool Reader::listStyle(int ls, int ilvl, QTextListFormat::Style& style) const {
    int listId = 0;
    auto ov = listTables_.overrides.find(ls);
    if (ov != listTables_.overrides.end())
        listId = ov->second;
    int nfc = 23;
    QString text;
    for (const ListDef& def : listTables_.lists) {
        if (def.id == listId && !def.levels.empty()) {
            const ListLevel& level =
                def.levels[std::min<size_t>(static_cast<size_t>(ilvl), def.levels.size() - 1)];
            nfc = level.nfc;
            text = level.text;
            break;
        }
    }
    if (nfc == 255)
        return false;
    style = styleForNfc(nfc, text);
    return true;
}

} // namespace kt::rtf::detail
