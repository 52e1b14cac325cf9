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
    const Dest dest = m_state.dest;
    const bool body = dest == Dest::Body;
    ParaState& p = m_state.para;
    std::vector<ListDef>& lists = m_listTables.lists;
    switch (w.word) {
    case Cw::FontTbl:
        enterDestination(Dest::FontTable);
        m_fontTable.entryFont = -1;
        m_fontTable.entryOpen = false;
        return;
    case Cw::ColorTbl:
        enterDestination(Dest::ColorTable);
        m_colorTable.colors.clear();
        return;
    case Cw::F:
        if (dest == Dest::FontTable) {
            commitFont();
            m_fontTable.entryFont = param;
            m_fontTable.entryCharset = -1;
            m_fontTable.entryCpg = 0;
            m_fontTable.entryBytes.clear();
            m_fontTable.entryName.clear();
            m_fontTable.entryOpen = true;
        } else if (m_fontTable.fonts.count(param)) {
            m_state.chr.font = param;
        }
        return;
    case Cw::FCharset:
        if (dest == Dest::FontTable)
            m_fontTable.entryCharset = param;
        return;
    case Cw::Cpg:
        if (dest == Dest::FontTable)
            m_fontTable.entryCpg = param;
        return;
    case Cw::Red:
    case Cw::Green:
    case Cw::Blue:
        if (dest == Dest::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            ColorTable& ct = m_colorTable;
            (w.word == Cw::Red ? ct.red : w.word == Cw::Green ? ct.green : ct.blue) = v;
            ct.set = true;
        }
        return;

    case Cw::StyleSheet:
        enterDestination(Dest::StyleSheet);
        m_styleSheet.entryName.clear();
        return;
    case Cw::ListTable:
        m_state.dest = Dest::ListTable;
        return;
    case Cw::ListOverrideTable:
        m_state.dest = Dest::ListOverride;
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
        m_state.dest = dest == Dest::ListTable ? Dest::LevelText : Dest::Skip;
        return;
    case Cw::ListId:
        if (dest == Dest::ListTable && !lists.empty())
            lists.back().id = param;
        else if (dest == Dest::ListOverride)
            m_listTables.overrideListId = param;
        return;
    case Cw::ListOverride:
        m_listTables.overrideListId = 0;
        return;
    case Cw::Ls:
        if (dest == Dest::ListOverride)
            m_listTables.overrides[param] = m_listTables.overrideListId;
        else
            p.ls = std::max(0, param);
        return;
    case Cw::Ilvl:
        p.ilvl = std::clamp(param, 0, 8);
        return;

    case Cw::Pn:
        m_state.dest = body ? Dest::Pn : Dest::Skip;
        if (body && p.pn.kind != OldNumbering::Kind::List)
            p.pn = {OldNumbering::Kind::List, QTextListFormat::ListDecimal};
        return;
    case Cw::PnStyle:
        p.pn = {OldNumbering::Kind::List, static_cast<QTextListFormat::Style>(w.value)};
        return;
    case Cw::PnLvlCont:
        p.pn.kind = OldNumbering::Kind::Continuation;
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
        else if (m_fontTable.entryOpen)
            m_fontTable.entryBytes.append(c);
    }
}

void Reader::fontNameChar(char16_t c) {
    FontTable& ft = m_fontTable;
    ft.entryName += QString::fromLatin1(ft.entryBytes);
    ft.entryBytes.clear();
    ft.entryName += QChar(c);
}

void Reader::commitFont() {
    FontTable& ft = m_fontTable;
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
    m_decoder.decode(font.codePage ? font.codePage : m_codePages.document, ft.entryBytes, name);
    if (font.codePage == kCodePageSymbol) {
        // The name itself is plain text even in a symbol font.
        name = ft.entryName + QString::fromLatin1(ft.entryBytes);
    }
    font.name = name.trimmed();
    ft.fonts[ft.entryFont] = font;
    m_codePages.valid = false;
    ft.entryBytes.clear();
    ft.entryName.clear();
    ft.entryFont = -1;
}

void Reader::commitStyle() {
    // A heading style is known by its outline level, or else by its name: some word
    // processors give their heading styles no outline level of their own.
    StyleSheet& ss = m_styleSheet;
    int outline = m_state.para.outline;
    const QByteArray name = ss.entryName.trimmed().chopped(ss.entryName.trimmed().endsWith(';'));
    ss.entryName.clear();
    if (outline < 0 && name.size() == 9 && name.toLower().startsWith("heading ") &&
        name[8] >= '1' && name[8] <= '9')
        outline = name[8] - '1';
    if (outline >= 0)
        ss.outlines[m_state.para.style] = outline;
}

void Reader::colorTableBytes(QByteArrayView bytes) {
    for (char c : bytes)
        if (c == ';')
            commitColor();
}

void Reader::commitColor() {
    ColorTable& ct = m_colorTable;
    ct.colors.push_back(ct.set ? QColor(ct.red, ct.green, ct.blue) : QColor());
    ct.red = ct.green = ct.blue = 0;
    ct.set = false;
}

void Reader::levelTextBytes(QByteArrayView bytes) {
    std::vector<ListDef>& lists = m_listTables.lists;
    if (!lists.empty() && !lists.back().levels.empty())
        lists.back().levels.back().text += QString::fromLatin1(bytes);
}

void Reader::levelTextByte(unsigned char b) {
    levelTextChar(b >= 0x20 ? symbolCharacter(b) : b);
}

void Reader::levelTextChar(char16_t c) {
    std::vector<ListDef>& lists = m_listTables.lists;
    if (!lists.empty() && !lists.back().levels.empty())
        lists.back().levels.back().text += QChar(c);
}

bool Reader::listStyle(int ls, int ilvl, QTextListFormat::Style& style) const {
    int listId = 0;
    auto ov = m_listTables.overrides.find(ls);
    if (ov != m_listTables.overrides.end())
        listId = ov->second;
    int nfc = 23;
    QString text;
    for (const ListDef& def : m_listTables.lists) {
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
