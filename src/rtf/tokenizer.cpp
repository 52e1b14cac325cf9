#include "tokenizer.h"

#include <algorithm>
#include <array>
#include <limits>

namespace kt::rtf::detail {

namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Bytes that end a text run: syntax characters, raw line ends, tab and NUL. A table lookup
// per byte, since text runs are most of a document's bytes.
constexpr auto kEndsText = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {'{', '}', '\\', '\r', '\n', '\t', '\0'})
        t[c] = true;
    return t;
}();

Token kind(Token::Kind k) {
    Token t;
    t.kind = k;
    return t;
}

Token word(const char* name, qsizetype length) {
    Token t;
    t.kind = Token::Word;
    t.text = QByteArrayView(name, length);
    return t;
}

} // namespace

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Token Tokenizer::next() {
    const char* d = m_data.data();
    const qsizetype n = m_data.size();
    while (m_pos < n) {
        const char c = d[m_pos];
        switch (c) {
        case '{':
            ++m_pos;
            return kind(Token::GroupOpen);
        case '}':
            ++m_pos;
            return kind(Token::GroupClose);
        case '\r':
        case '\n':
        case '\0':
            // Raw line ends are layout of the file, not text; NUL bytes never end the document.
            ++m_pos;
            continue;
        case '\t':
            ++m_pos;
            return word("tab", 3);
        case '\\': {
            if (m_pos + 1 >= n) {
                m_pos = n;
                return Token{};
            }
            const char s = d[m_pos + 1];
            if (isLetter(s)) {
                const qsizetype start = m_pos + 1;
                qsizetype p = start;
                while (p < n && isLetter(d[p]))
                    ++p;
                Token t;
                t.kind = Token::Word;
                // Names longer than any real control word cannot match; keep them bounded.
                t.text = QByteArrayView(d + start, std::min<qsizetype>(p - start, 32));
                bool negative = false;
                if (p + 1 < n && d[p] == '-' && isDigit(d[p + 1])) {
                    negative = true;
                    ++p;
                }
                if (p < n && isDigit(d[p])) {
                    // Saturate: a parameter beyond 32 bits is clamped, its digits still consumed.
                    long long value = 0;
                    while (p < n && isDigit(d[p])) {
                        if (value < (1LL << 40))
                            value = value * 10 + (d[p] - '0');
                        ++p;
                    }
                    if (negative)
                        value = -value;
                    value = std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max());
                    t.hasParam = true;
                    t.param = static_cast<int>(value);
                }
                if (p < n && d[p] == ' ')
                    ++p;
                m_pos = p;
                return t;
            }
            if (s == '\'') {
                const int hi = m_pos + 2 < n ? hexValue(d[m_pos + 2]) : -1;
                const int lo = m_pos + 3 < n ? hexValue(d[m_pos + 3]) : -1;
                if (hi >= 0 && lo >= 0) {
                    m_pos += 4;
                    Token t;
                    t.kind = Token::HexByte;
                    t.byte = static_cast<unsigned char>(hi * 16 + lo);
                    return t;
                }
                // A broken escape is dropped; what follows it reads as ordinary text.
                m_pos += 2;
                continue;
            }
            m_pos += 2;
            if (s == '\r' || s == '\n')
                return word("par", 3);
            Token t;
            t.kind = Token::Symbol;
            t.symbol = s;
            return t;
        }
        default: {
            const qsizetype start = m_pos;
            qsizetype p = m_pos + 1;
            while (p < n && !kEndsText[static_cast<unsigned char>(d[p])])
                ++p;
            m_pos = p;
            Token t;
            t.kind = Token::Text;
            t.text = QByteArrayView(d + start, p - start);
            return t;
        }
        }
    }
    return Token{};
}

QByteArrayView Tokenizer::takeBinary(qint64 count) {
    if (count <= 0)
        return {};
    const qsizetype take = static_cast<qsizetype>(std::min<qint64>(count, m_data.size() - m_pos));
    QByteArrayView bytes(m_data.data() + m_pos, take);
    m_pos += take;
    return bytes;
}

} // namespace kt::rtf::detail
