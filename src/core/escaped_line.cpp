#include "core/escaped_line.h"

namespace kt {

void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
}

bool unescapeInto(std::string_view in, std::string& out) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size())
            return false;
        switch (in[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        default:
            return false;
        }
    }
    return true;
}

bool readHeadedLines(std::string_view bytes, std::string_view header,
                     const HeadedLinesErrors& errors,
                     const std::function<bool(std::string_view)>& each, std::string* error) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (bytes.empty())
        return failWith(error, std::string(errors.empty));
    bool first = true;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (first) {
            if (line != header)
                return failWith(error, std::string(errors.wrongHeader));
            first = false;
        } else if (!line.empty() && !each(line)) {
            return false;
        }
    }
    return true;
}

bool failWith(std::string* error, std::string reason) {
    if (error)
        *error = std::move(reason);
    return false;
}

} // namespace kt
