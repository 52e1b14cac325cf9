#pragma once

#include <string>
#include <string_view>

namespace kt {

// A text kept on one line of a small UTF-8 file: backslash, tab, CR and LF written as
// "\\", "\t", "\r" and "\n", so the line's tabs stay field separators.
void appendEscaped(std::string& out, std::string_view text);

// The reverse; false for a backslash that starts no escape.
bool unescapeInto(std::string_view in, std::string& out);

} // namespace kt
