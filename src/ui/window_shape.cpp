#include "ui/window_shape.h"

#include <QPolygon>
#include <QRegion>
#include <QWidget>

namespace kt::ui {

void setPolygonShape(QWidget& window, const QVector<QPoint>& points) {
    window.setMask(QRegion(QPolygon(points), Qt::OddEvenFill));
    window.update();
}

} // namespace kt::ui
