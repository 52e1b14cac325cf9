#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kt {

// A text kept on one line of a small UTF-8 file: backslash, tab, CR and LF written as
// "\\", "\t", "\r" and "\n", so the line's tabs stay field separators.
void appendEscaped(std::string& out, std::string_view text);

// The reverse; false for a backslash that starts no escape.
bool unescapeInto(std::string_view in, std::string& out);

// What a file of such lines says when it cannot be read at all.
struct HeadedLinesErrors {
    std::string_view empty;
    std::string_view wrongHeader;
};

// Reads such a file: lines end in LF or CRLF, a leading byte order mark is ignored, and the first
// line must be `header`. Every later line that is not empty goes to `each`, which stops the
// reading by returning false (having set the error).
bool readHeadedLines(std::string_view bytes, std::string_view header,
                     const HeadedLinesErrors& errors,
                     const std::function<bool(std::string_view)>& each, std::string* error);

// Gives `reason` to the caller's error, when it asked for one, and returns false.
bool failWith(std::string* error, std::string reason);

} // namespace kt
