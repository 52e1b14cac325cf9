#include "ui/zoom.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kt::ui {

int zoomSteps(const QKeyEvent& event) {
    if (!(event.modifiers() & Qt::ControlModifier))
        return 0;
    switch (event.key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return 1;
    case Qt::Key_Minus:
        return -1;
    default:
        return 0;
    }
}

int zoomSteps(const QWheelEvent& event, int& pending) {
    if (!(event.modifiers() & Qt::ControlModifier))
        return 0;
    constexpr int kNotch = QWheelEvent::DefaultDeltasPerStep;
    pending += event.angleDelta().y();
    const int steps = pending / kNotch;
    pending -= steps * kNotch;
    return steps;
}

double zoomedBy(double factor, int steps) {
    return std::clamp(factor * std::pow(kZoomStep, steps), kMinZoom, kMaxZoom);
}

} // namespace kt::ui
