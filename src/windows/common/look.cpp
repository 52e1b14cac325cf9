#include "windows/common/look.h"

#include "ui/ground.h"

namespace kt::windows::look {

QFont arial(double pointSize, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont labelFont() {
    return arial(9.75, true);
}

// Arial rather than the desktop's own dialog font: some desktops' are wider than the one the
// buttons were sized for, and captions would be cut off.
QFont dialogFont() {
    return arial(8.25, false);
}

void keepTextReadable(QWidget& window) {
    ui::keepTextReadable(window, {navy(), darkRed()});
}

} // namespace kt::windows::look
