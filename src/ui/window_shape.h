#pragma once

#include <QPoint>
#include <QVector>

class QWidget;

namespace kt::ui {

// Gives a frameless top-level window the outline of a polygon, in window pixel coordinates,
// filled by the even-odd rule.
void setPolygonShape(QWidget& window, const QVector<QPoint>& points);

} // namespace kt::ui
