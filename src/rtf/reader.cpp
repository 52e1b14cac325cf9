// RTF reader: tokens -> explicit group-state stack -> destinations -> document builder.
#include "reader.h"

#include "reader_state.h"

#include <QTextDocument>

#include <algorithm>

namespace kt::rtf::detail {

namespace {

// Groups nested deeper than this share the innermost saved state; their text is still read.
constexpr size_t kMaxDepth = 8192;

} // namespace

void Reader::run() {
    for (;;) {
        const Token t = m_tokens.next();
        if (t.kind != Token::Text && t.kind != Token::HexByte && hasPending())
            flushPending();
        switch (t.kind) {
        case Token::End:
            break;
        case Token::GroupOpen:
            groupOpen();
            continue;
        case Token::GroupClose:
            if (!groupClose())
                break;
            continue;
        case Token::Word:
            controlWord(t);
            continue;
        case Token::Symbol:
            controlSymbol(t.symbol);
            continue;
        case Token::HexByte:
            hexByte(t.byte);
            continue;
        case Token::Text:
            textBytes(t.text);
            continue;
        }
        break;
    }
    flushPending();
    closeSurrogate();
    // A file cut short keeps what it had; the open paragraph becomes the last block.
    m_builder.finish(paragraphProps(), charFormat());
}

void Reader::groupOpen() {
    m_pending.skip = 0;
    if (!m_started) {
        m_started = true;
        m_stack.push_back(m_state);
        return;
    }
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_state);
    m_state.star = false;
}

bool Reader::groupClose() {
    m_pending.skip = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return true;
    }
    if (m_stack.empty())
        return false;
    const Dest closing = m_state.dest;
    const Dest parent = m_stack.back().dest;
    if (closing == Dest::FontTable) {
        commitFont();
        forgetFormats();
    }
    if (closing == Dest::ColorTable)
        forgetFormats();
    if (closing == Dest::Pn && parent != Dest::Pn) {
        // The numbering definition belongs to the paragraph around the group.
        m_stack.back().para.pn = m_state.para.pn;
        m_stack.back().para.pnLevel = m_state.para.pnLevel;
    }
    if (closing == Dest::StyleSheet && parent == Dest::StyleSheet)
        commitStyle();
    if (closing == Dest::Pict && parent != Dest::Pict)
        emitPicture();
    if (closing == Dest::Body) {
        // A high surrogate never completed inside its group.
        closeSurrogate();
    }
    m_state = m_stack.back();
    m_stack.pop_back();
    return !m_stack.empty();
}

int Reader::fontCodePage(int font) const {
    if (font < 0)
        font = m_codePages.defaultFont;
    if (font >= 0) {
        auto it = m_fontTable.fonts.find(font);
        if (it != m_fontTable.fonts.end() && it->second.codePage != 0)
            return it->second.codePage;
    }
    return m_codePages.document;
}

void Reader::appendPending(QByteArrayView bytes) {
    if (!hasPending()) {
        m_pending.view = bytes;
        return;
    }
    if (!m_pending.view.isEmpty()) {
        m_pending.bytes.append(m_pending.view.data(), m_pending.view.size());
        m_pending.view = {};
    }
    m_pending.bytes.append(bytes.data(), bytes.size());
}

void Reader::appendPendingByte(char b) {
    if (!m_pending.view.isEmpty()) {
        m_pending.bytes.append(m_pending.view.data(), m_pending.view.size());
        m_pending.view = {};
    }
    m_pending.bytes.append(b);
}

void Reader::flushPending() {
    if (!hasPending())
        return;
    // The buffers keep their capacity: a document is thousands of short runs, and a fresh
    // allocation per run cost more than decoding it.
    m_pending.decoded.resize(0);
    m_decoder.decode(currentCodePage(),
                     m_pending.view.isEmpty() ? QByteArrayView(m_pending.bytes) : m_pending.view,
                     m_pending.decoded);
    m_pending.view = {};
    m_pending.bytes.resize(0);
    // NUL is never text, however it was written. Raw NUL bytes never reach here (the tokenizer
    // drops them) and no code page decodes another byte to U+0000.
    if (m_pending.nul) {
        m_pending.decoded.remove(QChar(0));
        m_pending.nul = false;
    }
    emitText(m_pending.decoded);
}

void Reader::emitText(QStringView text) {
    if (text.isEmpty())
        return;
    closeSurrogate();
    if (m_state.chr.hidden)
        return;
    if (m_state.assoc.any && (scriptState(Script::Complex) != m_state.chr ||
                              scriptState(Script::EastAsian) != m_state.chr)) {
        emitScripts(text);
        return;
    }
    const int id = formatId();
    m_builder.text(text, m_formats.formats[static_cast<size_t>(id)], m_formats.idBase + id,
                   m_state.para.inTable);
}

void Reader::emitScripts(QStringView text) {
    // Each piece of complex or East Asian text takes its own bold, italic and size; spaces,
    // digits and punctuation go with the letters before them.
    const CharState complex = scriptState(Script::Complex);
    const CharState eastAsian = scriptState(Script::EastAsian);
    qsizetype start = 0;
    Script current = m_lastScript;
    auto flush = [&](qsizetype end) {
        if (end <= start)
            return;
        const CharState& state = current == Script::Complex     ? complex
                                 : current == Script::EastAsian ? eastAsian
                                                                : m_state.chr;
        const int id = formatId(state);
        m_builder.text(text.sliced(start, end - start), m_formats.formats[static_cast<size_t>(id)],
                       m_formats.idBase + id, m_state.para.inTable);
        start = end;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Script s = scriptOf(text[i].unicode());
        if (s == Script::Neutral || s == current)
            continue;
        flush(i);
        current = s;
    }
    flush(text.size());
    m_lastScript = current;
}

void Reader::emitChar(char16_t c) {
    const QChar ch(c);
    emitText(QStringView(&ch, 1));
}

void Reader::unicode(int value) {
    if (value < 0)
        value += 65536;
    if (value < 0 || value > 0xFFFF)
        value = 0xFFFD;
    if (value == 0)
        return;
    const auto c = static_cast<char16_t>(value);
    if (m_state.dest == Dest::FontTable) {
        fontNameChar(c);
        return;
    }
    if (m_state.dest == Dest::LevelText) {
        levelTextChar(c);
        return;
    }
    if (m_state.dest != Dest::Body)
        return;
    if (QChar::isHighSurrogate(c)) {
        closeSurrogate(); // the one waiting had no partner
        m_pending.highSurrogate = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!m_pending.highSurrogate) {
            emitChar(0xFFFD);
            return;
        }
        const QChar pair[2] = {QChar(m_pending.highSurrogate), QChar(c)};
        m_pending.highSurrogate = 0;
        emitText(QStringView(pair, 2));
        return;
    }
    char16_t out = c;
    if (c >= 0xF020 && c <= 0xF0FF && currentCodePage() == kCodePageSymbol)
        out = symbolCharacter(static_cast<unsigned char>(c - 0xF000));
    emitChar(out ? out : char16_t(0xFFFD));
}

void Reader::paragraphEnd(bool soft) {
    closeSurrogate();
    m_lastScript = Script::Latin;
    m_builder.endParagraph(paragraphProps(), charFormat(), soft);
}

void Reader::textBytes(QByteArrayView bytes) {
    if (m_pending.skip > 0) {
        const qsizetype n = std::min<qsizetype>(m_pending.skip, bytes.size());
        m_pending.skip -= static_cast<int>(n);
        bytes = bytes.sliced(n);
        if (bytes.isEmpty())
            return;
    }
    switch (m_state.dest) {
    case Dest::Body:
        appendPending(bytes);
        return;
    case Dest::FontTable:
        fontTableBytes(bytes);
        return;
    case Dest::ColorTable:
        colorTableBytes(bytes);
        return;
    case Dest::Pict:
        pictureHex(bytes);
        return;
    case Dest::FieldInst:
        fieldInstructionBytes(bytes);
        return;
    case Dest::ShapeName:
        shapeNameBytes(bytes);
        return;
    case Dest::LevelText:
        levelTextBytes(bytes);
        return;
    case Dest::StyleSheet:
        if (m_styleSheet.entryName.size() < 256)
            m_styleSheet.entryName.append(bytes.data(), bytes.size());
        return;
    default:
        return;
    }
}

void Reader::hexByte(unsigned char b) {
    if (m_pending.skip > 0) {
        --m_pending.skip;
        return;
    }
    switch (m_state.dest) {
    case Dest::Body:
        appendPendingByte(static_cast<char>(b));
        m_pending.nul = m_pending.nul || b == 0;
        return;
    case Dest::FontTable:
        if (m_fontTable.entryOpen)
            m_fontTable.entryBytes.append(static_cast<char>(b));
        return;
    case Dest::FieldInst:
        fieldInstructionByte(b);
        return;
    case Dest::LevelText:
        levelTextByte(b);
        return;
    default:
        return;
    }
}

void Reader::controlSymbol(char c) {
    if (m_state.dest == Dest::Skip)
        return;
    if (c == '*') {
        m_state.star = true;
        return;
    }
    if (m_pending.skip > 0) {
        --m_pending.skip;
        return;
    }
    if (m_state.dest == Dest::FieldInst) {
        fieldInstructionSymbol(c);
        return;
    }
    if (m_state.dest == Dest::FontTable) {
        if (c == '\\' || c == '{' || c == '}')
            m_fontTable.entryBytes.append(c);
        return;
    }
    if (m_state.dest != Dest::Body)
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        appendPendingByte(c);
        return;
    case '~':
        emitChar(0x00A0);
        return;
    case '-':
        emitChar(0x00AD);
        return;
    case '_':
        emitChar(0x2011);
        return;
    default:
        return; // \: \| and unknown symbols carry no text
    }
}

void Reader::controlWord(const Token& t) {
    const ControlWord& w = findControlWord(t.text);
    if (m_state.dest == Dest::Skip) {
        if (w.word == Cw::Bin)
            m_tokens.takeBinary(t.hasParam ? t.param : 0);
        return;
    }
    if (m_state.star) {
        m_state.star = false;
        if (!w.destination) {
            m_state.dest = Dest::Skip;
            return;
        }
    }
    if (m_pending.skip > 0 && w.word != Cw::Uc) {
        --m_pending.skip;
        if (w.word == Cw::Bin)
            m_tokens.takeBinary(t.hasParam ? t.param : 0);
        return;
    }
    switch (familyOf(w.word)) {
    case Family::None:
        return;
    case Family::Skip:
        m_state.dest = Dest::Skip;
        return;
    case Family::Document:
        documentWord(w, t);
        return;
    case Family::Tables:
        tableWord(w, t);
        return;
    case Family::Objects:
        objectWord(w, t);
        return;
    case Family::Text:
        textWord(w, t);
        return;
    case Family::Rows:
        rowWord(w, t);
        return;
    case Family::Paragraph:
        paragraphWord(w, t);
        return;
    case Family::Character:
        characterWord(w, t);
        return;
    }
}

void Reader::documentWord(const ControlWord& w, const Token& t) {
    switch (w.word) {
    case Cw::CodePage:
        m_codePages.document = w.value;
        return;
    case Cw::AnsiCpg:
        if (t.hasParam && t.param > 0)
            m_codePages.document = t.param;
        return;
    case Cw::Deff:
        m_codePages.defaultFont = t.param;
        return;
    default:
        return;
    }
}

void Reader::textWord(const ControlWord& w, const Token& t) {
    const bool body = m_state.dest == Dest::Body;
    switch (w.word) {
    case Cw::U:
        unicode(t.param);
        m_pending.skip = m_state.uc;
        return;
    case Cw::Uc:
        m_state.uc = std::clamp(t.param, 0, 16);
        return;
    case Cw::Par:
        if (body)
            paragraphEnd(false);
        return;
    case Cw::SoftPar:
        if (body)
            paragraphEnd(true);
        return;
    case Cw::Page:
        if (body) {
            paragraphEnd(true);
            m_builder.pageBreakBefore();
        }
        return;
    case Cw::Symbol:
        if (body)
            emitChar(static_cast<char16_t>(w.value));
        return;
    default:
        return;
    }
}

bool looksLikeRtf(QByteArrayView data) {
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

void readRtf(QByteArrayView data, QTextDocument& document) {
    qsizetype i = 0;
    while (i < data.size() && data[i] != '{')
        ++i;
    Reader reader(data.sliced(i), document);
    reader.run();
}

} // namespace kt::rtf::detail
