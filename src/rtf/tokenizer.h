#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace kt::rtf::detail {

struct Token {
    enum Kind : std::uint8_t {
        End,
        GroupOpen,
        GroupClose,
        Word,    // control word: name (letters) with an optional parameter
        Symbol,  // control symbol: a backslash and one non-letter
        HexByte, // \'hh
        Text,    // raw bytes up to the next syntax character
    };
    Kind kind = End;
    bool hasParam = false;
    char symbol = 0;
    unsigned char byte = 0;
    int param = 0;
    QByteArrayView text; // the control word's name, or the raw text
};

// Splits RTF bytes into tokens. Works on any input: nothing here can fail, run past the end or
// loop; what is malformed comes out as harmless tokens or is dropped.
class Tokenizer {
public:
    explicit Tokenizer(QByteArrayView data) : m_data(data) {}

    Token next();

    // The bytes of \binN, clamped to what is left; the tokenizer moves past them.
    QByteArrayView takeBinary(qint64 count);

    qsizetype position() const { return m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

// The value of a hexadecimal digit, or -1.
int hexValue(char c);

} // namespace kt::rtf::detail
