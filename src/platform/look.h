#pragma once

#include <QColor>
#include <QFont>

namespace kt::platform::look {

inline QColor navy() { return {0, 0, 128}; }
inline QColor darkRed() { return {192, 0, 0}; }

// Bold Arial 9.75 pt: question and text labels everywhere.
QFont labelFont();
// The default dialog font at 8.25 pt: buttons and plain captions.
QFont dialogFont();
QFont arial(double pointSize, bool bold);

} // namespace kt::platform::look
