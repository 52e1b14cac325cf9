#include "platform/look.h"

#include <QApplication>

namespace kt::platform::look {

QFont arial(double pointSize, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont labelFont() { return arial(9.75, true); }

QFont dialogFont() {
    QFont f = QApplication::font();
    f.setPointSizeF(8.25);
    return f;
}

} // namespace kt::platform::look
