#pragma once

#include <QString>

#include <string_view>

namespace kt::ui {

// A core text (UTF-8) as a QString, at the boundary between the core and the windows.
inline QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace kt::ui
