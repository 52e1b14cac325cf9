#include "ui/ground.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kt::ui {
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

QColor readableGround(const QColor& preferred, std::initializer_list<QColor> texts) {
    for (const QColor& t : texts)
        if (contrastRatio(preferred, t) < kReadableContrast)
            return {240, 240, 240};
    return preferred;
}

void keepTextReadable(QWidget& window, const QList<QColor>& texts) {
    QPalette pal = window.palette();
    const QColor preferred = pal.color(QPalette::Active, QPalette::Window);
    bool readable = contrastRatio(preferred, pal.color(QPalette::Active, QPalette::WindowText)) >=
                    kReadableContrast;
    for (const QColor& t : texts)
        readable = readable && contrastRatio(preferred, t) >= kReadableContrast;
    if (readable)
        return;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Window, QColor(240, 240, 240));
        pal.setColor(group, QPalette::WindowText, Qt::black);
    }
    window.setPalette(pal);
}

} // namespace kt::ui
