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
        const Token t = tokens_.next();
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
    builder_.finish(paragraphProps(), charFormat());
}

void Reader::groupOpen() {
    pending_.skip = 0;
    if (!started_) {
        started_ = true;
        stack_.push_back(st_);
        return;
    }
    if (stack_.size() >= kMaxDepth) {
        ++overflow_;
        return;
    }
    stack_.push_back(st_);
    st_.star = false;
}

bool Reader::groupClose() {
    pending_.skip = 0;
    if (overflow_ > 0) {
        --overflow_;
        return true;
    }
    if (stack_.empty())
        return false;
    const Dest closing = st_.dest;
    const Dest parent = stack_.back().dest;
    if (closing == Dest::FontTable) {
        commitFont();
        forgetFormats();
    }
    if (closing == Dest::ColorTable)
        forgetFormats();
    if (closing == Dest::Pn && parent != Dest::Pn) {
        // The numbering definition belongs to the paragraph around the group.
        stack_.back().para.pnStyle = st_.para.pnStyle;
        stack_.back().para.pnLevel = st_.para.pnLevel;
    }
    if (closing == Dest::StyleSheet && parent == Dest::StyleSheet)
        commitStyle();
    if (closing == Dest::Pict && parent != Dest::Pict)
        emitPicture();
    if (closing == Dest::Body) {
        // A high surrogate never completed inside its group.
        closeSurrogate();
    }
    st_ = stack_.back();
    stack_.pop_back();
    return !stack_.empty();
}

int Reader::fontCodePage(int font) const {
    if (font < 0)
        font = codePages_.defaultFont;
    if (font >= 0) {
        auto it = fontTable_.fonts.find(font);
        if (it != fontTable_.fonts.end() && it->second.codePage != 0)
            return it->second.codePage;
    }
    return codePages_.document;
}

void Reader::appendPending(QByteArrayView bytes) {
    if (!hasPending()) {
        pending_.view = bytes;
        return;
    }
    if (!pending_.view.isEmpty()) {
        pending_.bytes.append(pending_.view.data(), pending_.view.size());
        pending_.view = {};
    }
    pending_.bytes.append(bytes.data(), bytes.size());
}

void Reader::appendPendingByte(char b) {
    if (!pending_.view.isEmpty()) {
        pending_.bytes.append(pending_.view.data(), pending_.view.size());
        pending_.view = {};
    }
    pending_.bytes.append(b);
}

void Reader::flushPending() {
    if (!hasPending())
        return;
    // The buffers keep their capacity: a document is thousands of short runs, and a fresh
    // allocation per run cost more than decoding it.
    pending_.decoded.resize(0);
    decoder_.decode(currentCodePage(),
                    pending_.view.isEmpty() ? QByteArrayView(pending_.bytes) : pending_.view,
                    pending_.decoded);
    pending_.view = {};
    pending_.bytes.resize(0);
    // NUL is never text, however it was written. Raw NUL bytes never reach here (the tokenizer
    // drops them) and no code page decodes another byte to U+0000.
    if (pending_.nul) {
        pending_.decoded.remove(QChar(0));
        pending_.nul = false;
    }
    emitText(pending_.decoded);
}

void Reader::emitText(QStringView text) {
    if (text.isEmpty())
        return;
    closeSurrogate();
    if (st_.chr.hidden)
        return;
    if (st_.assoc.any &&
        (scriptState(Script::Complex) != st_.chr || scriptState(Script::EastAsian) != st_.chr)) {
        emitScripts(text);
        return;
    }
    const int id = formatId();
    builder_.text(text, formats_.formats[static_cast<size_t>(id)], formats_.idBase + id,
                  st_.para.inTable);
}

void Reader::emitScripts(QStringView text) {
    // Each piece of complex or East Asian text takes its own bold, italic and size; spaces,
    // digits and punctuation go with the letters before them.
    const CharState complex = scriptState(Script::Complex);
    const CharState eastAsian = scriptState(Script::EastAsian);
    qsizetype start = 0;
    Script current = lastScript_;
    auto flush = [&](qsizetype end) {
        if (end <= start)
            return;
        const CharState& state = current == Script::Complex     ? complex
                                 : current == Script::EastAsian ? eastAsian
                                                                : st_.chr;
        const int id = formatId(state);
        builder_.text(text.sliced(start, end - start), formats_.formats[static_cast<size_t>(id)],
                      formats_.idBase + id, st_.para.inTable);
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
    lastScript_ = current;
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
    if (st_.dest == Dest::FontTable) {
        fontNameChar(c);
        return;
    }
    if (st_.dest == Dest::LevelText) {
        levelTextChar(c);
        return;
    }
    if (st_.dest != Dest::Body)
        return;
    if (QChar::isHighSurrogate(c)) {
        if (pending_.highSurrogate)
            emitChar(0xFFFD); // clears the one waiting
        pending_.highSurrogate = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!pending_.highSurrogate) {
            emitChar(0xFFFD);
            return;
        }
        const QChar pair[2] = {QChar(pending_.highSurrogate), QChar(c)};
        pending_.highSurrogate = 0;
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
    lastScript_ = Script::Latin;
    builder_.endParagraph(paragraphProps(), charFormat(), soft);
}

void Reader::textBytes(QByteArrayView bytes) {
    if (pending_.skip > 0) {
        const qsizetype n = std::min<qsizetype>(pending_.skip, bytes.size());
        pending_.skip -= static_cast<int>(n);
        bytes = bytes.sliced(n);
        if (bytes.isEmpty())
            return;
    }
    switch (st_.dest) {
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
        if (styleSheet_.entryName.size() < 256)
            styleSheet_.entryName.append(bytes.data(), bytes.size());
        return;
    default:
        return;
    }
}

void Reader::hexByte(unsigned char b) {
    if (pending_.skip > 0) {
        --pending_.skip;
        return;
    }
    switch (st_.dest) {
    case Dest::Body:
        appendPendingByte(static_cast<char>(b));
        pending_.nul = pending_.nul || b == 0;
        return;
    case Dest::FontTable:
        if (fontTable_.entryOpen)
            fontTable_.entryBytes.append(static_cast<char>(b));
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
    if (st_.dest == Dest::Skip)
        return;
    if (c == '*') {
        st_.star = true;
        return;
    }
    if (pending_.skip > 0) {
        --pending_.skip;
        return;
    }
    if (st_.dest == Dest::FieldInst) {
        fieldInstructionSymbol(c);
        return;
    }
    if (st_.dest == Dest::FontTable) {
        if (c == '\\' || c == '{' || c == '}')
            fontTable_.entryBytes.append(c);
        return;
    }
    if (st_.dest != Dest::Body)
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
    if (st_.dest == Dest::Skip) {
        if (w.word == Cw::Bin)
            tokens_.takeBinary(t.hasParam ? t.param : 0);
        return;
    }
    if (st_.star) {
        st_.star = false;
        if (!w.destination) {
            st_.dest = Dest::Skip;
            return;
        }
    }
    if (pending_.skip > 0 && w.word != Cw::Uc) {
        --pending_.skip;
        if (w.word == Cw::Bin)
            tokens_.takeBinary(t.hasParam ? t.param : 0);
        return;
    }
    switch (w.family) {
    case Family::None:
        return;
    case Family::Skip:
        st_.dest = Dest::Skip;
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
        codePages_.document = w.value;
        return;
    case Cw::AnsiCpg:
        if (t.hasParam && t.param > 0)
            codePages_.document = t.param;
        return;
    case Cw::Deff:
        codePages_.defaultFont = t.param;
        return;
    default:
        return;
    }
}

void Reader::textWord(const ControlWord& w, const Token& t) {
    const bool body = st_.dest == Dest::Body;
    switch (w.word) {
    case Cw::U:
        unicode(t.param);
        pending_.skip = st_.uc;
        return;
    case Cw::Uc:
        st_.uc = std::clamp(t.param, 0, 16);
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
            builder_.pageBreakBefore();
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
