#pragma once

// The program's one Windows-1252 table and one UTF-8 reader: the answer data file and the
// rich-text codec both use them.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kt::text {

// Windows-1252 bytes 0x80 to 0x9F; every other byte is the code point of the same value. The
// five bytes the code page leaves undefined map to the C1 controls of the same value, as
// Windows itself reads them, so that any byte of an old file survives a load and a save.
inline constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t windows1252ToUnicode(unsigned char b) {
    return (b >= 0x80 && b < 0xA0) ? char32_t(kWindows1252High[b - 0x80]) : char32_t(b);
}

// The byte that stands for cp, or nothing when the code page cannot hold it.
std::optional<unsigned char> unicodeToWindows1252(char32_t cp);

// Appends cp as UTF-8.
void appendUtf8(std::string& out, char32_t cp);

// One well-formed UTF-8 sequence at s[i]: its code point, and i moved past it. Nothing for a
// malformed, overlong, surrogate or out-of-range sequence.
std::optional<char32_t> nextUtf8(std::string_view s, std::size_t& i);

// True when s is well-formed UTF-8 throughout.
bool isValidUtf8(std::string_view s);

// The length of the run of ASCII bytes at the start of s.
std::size_t asciiRun(std::string_view s);

} // namespace kt::text
