// The reader's character and paragraph properties, and the formats and paragraph properties
// the builder gets from them.
#include "format_keys.h"
#include "reader_state.h"

#include <algorithm>

namespace kt::rtf::detail {

void Reader::paragraphWord(const ControlWord& w, const Token& t) {
    const int param = t.param;
    const bool on = !t.hasParam || param != 0;
    ParaState& p = m_state.para;
    switch (w.word) {
    case Cw::Pard:
        p = ParaState();
        return;
    case Cw::Align:
        p.align = static_cast<Align>(w.value);
        return;
    case Cw::Li:
        p.li = std::clamp(param, -31680, 31680);
        return;
    case Cw::Ri:
        p.ri = std::clamp(param, -31680, 31680);
        return;
    case Cw::Fi:
        p.fi = std::clamp(param, -31680, 31680);
        return;
    case Cw::Sb:
        p.sb = std::clamp(param, 0, 31680);
        return;
    case Cw::Sa:
        p.sa = std::clamp(param, 0, 31680);
        return;
    case Cw::Sl:
        p.sl = std::clamp(param, -31680, 31680);
        return;
    case Cw::SlMult:
        p.slMult = on;
        return;
    case Cw::Direction:
        p.direction = static_cast<Direction>(w.value);
        return;
    case Cw::PageBb:
        p.pageBreakBefore = on;
        return;
    case Cw::OutlineLevel:
        p.outline = std::clamp(param, -1, 9);
        return;
    case Cw::Style:
        p.style = param;
        return;
    default:
        return;
    }
}

void Reader::characterWord(const ControlWord& w, const Token& t) {
    const int param = t.param;
    const bool on = !t.hasParam || param != 0;
    CharState& c = m_state.chr;
    switch (w.word) {
    case Cw::Plain: {
        const int link = c.link;
        c = CharState();
        c.link = link;
        m_state.assoc = AssociatedProps();
        return;
    }
    case Cw::AssocMode:
    case Cw::AssocB:
    case Cw::AssocI:
    case Cw::AssocFs:
    case Cw::AssocF:
        associatedWord(w, t);
        return;
    case Cw::B:
        c.bold = on;
        return;
    case Cw::I:
        c.italic = on;
        return;
    case Cw::Underline:
        c.underline = static_cast<std::uint8_t>(on ? w.value : QTextCharFormat::NoUnderline);
        return;
    case Cw::Strike:
        c.strike = on;
        return;
    case Cw::VAlign:
        c.valign = static_cast<std::uint8_t>(on ? w.value : QTextCharFormat::AlignNormal);
        return;
    case Cw::Raise:
        // Raised or lowered text (\up6 is the default amount) is how some producers write
        // superscripts and subscripts.
        if (t.hasParam && param == 0)
            c.valign = QTextCharFormat::AlignNormal;
        else
            c.valign = static_cast<std::uint8_t>(w.value);
        return;
    case Cw::V:
        c.hidden = on;
        return;
    case Cw::Fs:
        // Half-points; nonsense sizes fall back to the default rather than break the layout.
        c.size = (t.hasParam && param >= 2 && param <= 3276) ? param : 24;
        return;
    case Cw::Cf:
        c.fg = param;
        return;
    case Cw::Highlight:
        c.bg = param > 0 ? param : -1;
        return;
    case Cw::Background:
        c.bg = param;
        return;
    case Cw::Spacing:
        c.spacing = std::clamp(param, -6336, 6336) * w.value;
        return;
    case Cw::Caps:
        c.caps = on ? static_cast<Caps>(w.value) : Caps::None;
        return;
    default:
        return;
    }
}

void Reader::associatedWord(const ControlWord& w, const Token& t) {
    AssociatedProps& a = m_state.assoc;
    const bool on = !t.hasParam || t.param != 0;
    if (w.word == Cw::AssocMode) {
        a.target = static_cast<AssocTarget>(w.value);
        return;
    }
    if (a.target == AssocTarget::None)
        return;
    ScriptProps& s = a.target == AssocTarget::Complex ? a.complex : a.eastAsian;
    if (w.word == Cw::AssocB)
        s.bold = on ? 1 : 0;
    else if (w.word == Cw::AssocI)
        s.italic = on ? 1 : 0;
    else if (w.word == Cw::AssocF)
        s.font = m_fontTable.fonts.count(t.param) ? t.param : -1;
    else
        s.size = (t.hasParam && t.param >= 2 && t.param <= 3276) ? t.param : 0;
    a.any = true;
}

CharState Reader::scriptState(Script script) const {
    CharState c = m_state.chr;
    const ScriptProps& s =
        script == Script::Complex ? m_state.assoc.complex : m_state.assoc.eastAsian;
    if (s.bold >= 0)
        c.bold = s.bold != 0;
    if (s.italic >= 0)
        c.italic = s.italic != 0;
    if (s.size > 0)
        c.size = s.size;
    if (s.font >= 0)
        c.font = s.font;
    return c;
}

int Reader::formatId(const CharState& state) {
    FormatCache& fc = m_formats;
    if (fc.currentId >= 0 && fc.currentState == state)
        return fc.currentId;
    if (fc.previousId >= 0 && fc.previousState == state) {
        std::swap(fc.currentState, fc.previousState);
        std::swap(fc.currentId, fc.previousId);
        return fc.currentId;
    }
    auto it = fc.ids.find(state);
    if (it == fc.ids.end()) {
        it = fc.ids.emplace(state, static_cast<int>(fc.formats.size())).first;
        fc.formats.push_back(makeFormat(state));
        // A comparison computes the format's hash and keeps it with the format; the copy the
        // cursor takes of it for every run inherits it, so the document's format collection
        // does not hash the same format again for each run.
        static const QTextCharFormat probe = [] {
            QTextCharFormat f;
            f.setProperty(QTextFormat::UserProperty, 1);
            return f;
        }();
        [[maybe_unused]] const bool same = fc.formats.back() == probe;
    }
    fc.previousState = fc.currentState;
    fc.previousId = fc.currentId;
    fc.currentState = state;
    fc.currentId = it->second;
    return fc.currentId;
}

void Reader::forgetFormats() {
    // The builder tells runs apart by id: ids of forgotten formats are never given again.
    m_formats.idBase += static_cast<int>(m_formats.formats.size());
    m_formats.ids.clear();
    m_formats.formats.clear();
    m_formats.currentId = m_formats.previousId = -1;
}

QTextCharFormat Reader::makeFormat(const CharState& c) const {
    // Only what differs from plain text is set: fewer properties, cheaper format lookups.
    QTextCharFormat f;
    const int font = c.font >= 0 ? c.font : m_codePages.defaultFont;
    if (font >= 0) {
        auto it = m_fontTable.fonts.find(font);
        if (it != m_fontTable.fonts.end() && !it->second.name.isEmpty()) {
            f.setFontFamilies(QStringList{it->second.name});
            // The document's format table hashes a list by its type alone, so formats that
            // differ only in their families would all collide and every run inserted would be
            // compared with each of them: quadratic in the number of fonts. The name as a
            // string, which nothing shows or writes, gives each font its own hash.
            f.setProperty(kFontNameKey, it->second.name);
        }
    }
    f.setFontPointSize(c.size / 2.0);
    if (c.bold)
        f.setFontWeight(QFont::Bold);
    if (c.italic)
        f.setFontItalic(true);
    if (c.underline != QTextCharFormat::NoUnderline)
        f.setUnderlineStyle(static_cast<QTextCharFormat::UnderlineStyle>(c.underline));
    if (c.strike)
        f.setFontStrikeOut(true);
    if (c.valign != QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(static_cast<QTextCharFormat::VerticalAlignment>(c.valign));
    const std::vector<QColor>& colors = m_colorTable.colors;
    if (c.fg >= 0 && static_cast<size_t>(c.fg) < colors.size() && colors[c.fg].isValid())
        f.setForeground(colors[c.fg]);
    if (c.bg >= 0 && static_cast<size_t>(c.bg) < colors.size() && colors[c.bg].isValid())
        f.setBackground(colors[c.bg]);
    if (c.spacing != 0) {
        f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        f.setFontLetterSpacing(c.spacing / 20.0);
    }
    if (c.caps == Caps::All)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (c.caps == Caps::Small)
        f.setFontCapitalization(QFont::SmallCaps);
    if (c.link > 0 && static_cast<size_t>(c.link) <= m_fields.links.size()) {
        f.setAnchor(true);
        f.setAnchorHref(m_fields.links[c.link - 1]);
    }
    return f;
}

ParagraphProps Reader::paragraphProps() const {
    const ParaState& p = m_state.para;
    ParagraphProps props;
    QTextBlockFormat& b = props.block;
    switch (p.align) {
    case Align::Left:
        b.setAlignment(Qt::AlignLeft);
        break;
    case Align::Right:
        b.setAlignment(Qt::AlignRight);
        break;
    case Align::Center:
        b.setAlignment(Qt::AlignHCenter);
        break;
    case Align::Justify:
        b.setAlignment(Qt::AlignJustify);
        break;
    case Align::None:
        break;
    }
    if (p.ls > 0) {
        if (listStyle(p.ls, p.ilvl, props.listStyle)) {
            props.listKey = p.ls;
            props.listLevel = p.ilvl;
        }
    } else if (p.pn.kind == OldNumbering::Kind::List) {
        props.listKey = oldListKey(p.pn.style);
        props.listLevel = p.pnLevel;
        props.listStyle = p.pn.style;
    }
    if (props.listKey == 0) {
        // A list carries its own indentation; the paragraph's would count twice.
        if (p.li)
            b.setLeftMargin(p.li / 20.0);
        if (p.fi)
            b.setTextIndent(p.fi / 20.0);
    }
    if (p.ri)
        b.setRightMargin(p.ri / 20.0);
    if (p.sb)
        b.setTopMargin(p.sb / 20.0);
    if (p.sa)
        b.setBottomMargin(p.sa / 20.0);
    if (p.sl < 0)
        b.setLineHeight(-p.sl / 20.0, QTextBlockFormat::FixedHeight);
    else if (p.sl > 0 && p.slMult && p.sl != 240)
        b.setLineHeight(p.sl * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (p.sl > 0 && !p.slMult)
        b.setLineHeight(p.sl / 20.0, QTextBlockFormat::MinimumHeight);
    if (p.direction == Direction::LeftToRight)
        b.setLayoutDirection(Qt::LeftToRight);
    else if (p.direction == Direction::RightToLeft)
        b.setLayoutDirection(Qt::RightToLeft);
    if (p.pageBreakBefore)
        b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    // A heading's level is its own or its style's; the toolkit knows six.
    int outline = p.outline;
    if (outline < 0) {
        auto it = m_styleSheet.outlines.find(p.style);
        if (it != m_styleSheet.outlines.end())
            outline = it->second;
    }
    if (outline >= 0 && outline < 6)
        b.setHeadingLevel(outline + 1);
    props.inTable = p.inTable;
    return props;
}

} // namespace kt::rtf::detail
