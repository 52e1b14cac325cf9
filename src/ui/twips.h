#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace kt::ui {

// Layouts are given in twips. 15 twips make one logical pixel; Qt's device-pixel ratio then
// scales logical pixels, so the layout keeps its proportions on high-density screens.
inline constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) {
    // Round half away from zero so 255 twips (17 px) and 7.5 px cases land on whole pixels.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr QPoint pointTw(int x, int y) {
    return {px(x), px(y)};
}
constexpr QSize sizeTw(int w, int h) {
    return {px(w), px(h)};
}
constexpr QRect rectTw(int x, int y, int w, int h) {
    return {px(x), px(y), px(w), px(h)};
}

// Centring rule: (screen - outer) / 2 on each axis, halved exactly (a fraction where the
// difference is odd). The screen's own origin is added for screens not at (0, 0).
QPointF centredPosition(const QRect& screen, const QSize& outerSize);

} // namespace kt::ui
