#pragma once

#include <cstdint>

namespace kt::rtf::detail {

// Word processors give complex scripts (right-to-left and Indic, Thai...) and East Asian
// scripts their own bold, italic and size: RTF's associated character properties.
enum class Script : std::uint8_t { Neutral, Latin, Complex, EastAsian };

constexpr Script scriptOf(char16_t c) {
    if (c < 0x0590) {
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 0xC0;
        return letter && c != 0xD7 && c != 0xF7 ? Script::Latin : Script::Neutral;
    }
    if (c < 0x0900)
        return Script::Complex; // Hebrew, Arabic, Syriac, Thaana, NKo
    if (c < 0x1000)
        return Script::Complex; // Indic scripts, Sinhala, Thai, Lao, Tibetan
    if (c >= 0x1780 && c < 0x1800)
        return Script::Complex; // Khmer
    if (c >= 0x1100 && c < 0x1200)
        return Script::EastAsian; // Hangul jamo
    if (c >= 0x2000 && c < 0x2E80)
        return Script::Neutral; // punctuation, symbols, arrows
    if (c >= 0x2E80 && c < 0xA4D0)
        return Script::EastAsian; // CJK radicals, kana, ideographs, Yi
    if (c >= 0xAC00 && c < 0xD7B0)
        return Script::EastAsian; // Hangul syllables
    if (c >= 0xD840 && c < 0xD880)
        return Script::EastAsian; // high surrogate of a supplementary ideograph
    if (c >= 0xD800 && c < 0xE000)
        return Script::Neutral; // emoji and the rest of the supplementary planes
    if (c >= 0xF900 && c < 0xFB00)
        return Script::EastAsian; // compatibility ideographs
    if (c >= 0xFB1D && c < 0xFE00)
        return Script::Complex; // Hebrew and Arabic presentation forms
    if (c >= 0xFE30 && c < 0xFE50)
        return Script::EastAsian;
    if (c >= 0xFE70 && c < 0xFF00)
        return Script::Complex;
    if (c >= 0xFF00 && c < 0xFFF0)
        return Script::EastAsian; // full-width forms
    return c >= 0xE000 ? Script::Neutral : Script::Latin;
}

} // namespace kt::rtf::detail
