#include "platform/look.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kt::platform::look {

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

namespace {

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableGround(const QColor& preferred, std::initializer_list<QColor> textColours) {
    for (const QColor& t : textColours)
        if (contrastRatio(preferred, t) < kReadableContrast)
            return {240, 240, 240};
    return preferred;
}

void keepTextReadable(QWidget& window) {
    QPalette pal = window.palette();
    const QColor preferred = pal.color(QPalette::Active, QPalette::Window);
    const QColor ground = readableGround(
        preferred, {navy(), darkRed(), pal.color(QPalette::Active, QPalette::WindowText)});
    if (ground == preferred)
        return;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Window, ground);
        pal.setColor(group, QPalette::WindowText, Qt::black);
    }
    window.setPalette(pal);
}

} // namespace kt::platform::look
