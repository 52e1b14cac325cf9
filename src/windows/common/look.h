#pragma once

#include <QColor>
#include <QFont>

class QWidget;

namespace kt::windows::look {

inline QColor navy() {
    return {0, 0, 128};
}
inline QColor darkRed() {
    return {192, 0, 0};
}

// Bold Arial 9.75 pt: question and text labels everywhere.
QFont labelFont();
// The default dialog font at 8.25 pt: buttons and plain captions.
QFont dialogFont();
QFont arial(double pointSize, bool bold);

// Keeps a window on the desktop's own window colour unless the program's navy and dark-red
// texts would not read on it; then the window, and what inherits its colours, gets the light
// grey with black plain text.
void keepTextReadable(QWidget& window);

} // namespace kt::windows::look
