#pragma once

#include <QByteArrayView>
#include <QString>

#include <map>
#include <memory>

class QStringDecoder;

namespace kt::rtf::detail {

struct SingleByteTable;

// Code pages with a meaning of their own beyond the numbered ones.
inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageSymbol = 42; // the Symbol font's own encoding

// The code page an \fcharset value stands for; 0 when the value names none (use the default).
int codePageForCharset(int charset);

// Decodes byte runs of any supported code page. Multi-byte pages keep one decoder each, so a
// document full of short runs does not pay for opening a converter per run.
class TextDecoder {
public:
    TextDecoder();
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // Appends the text of a whole byte run; a sequence cut short at the end becomes U+FFFD.
    void decode(int codePage, QByteArrayView bytes, QString& out);

private:
    QStringDecoder* multiByte(int codePage);
    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;
    int m_tablePage = -1;
    const SingleByteTable* m_table = nullptr; // m_tablePage's table; null for a multi-byte page
};

// Windows-1252 encoding of one character, or -1 when it has none (the writer then uses \uN).
int windows1252Byte(char16_t c);

// The Symbol font's character for a byte (private-use U+F020..U+F0FF as written by some
// producers also maps through here).
char16_t symbolCharacter(unsigned char byte);

// True when bytes is well-formed UTF-8.
bool isValidUtf8(QByteArrayView bytes);

} // namespace kt::rtf::detail
