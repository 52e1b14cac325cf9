#pragma once

class QKeyEvent;
class QWheelEvent;

namespace kt::ui {

// Reading comfort in the text views: Ctrl++ (or Ctrl+=) and Ctrl+- zoom one step in and out,
// Ctrl + mouse wheel one step per notch. Only the view grows; the text and its formats stay.
constexpr double kMinZoom = 0.5;
constexpr double kMaxZoom = 4.0;
constexpr double kZoomStep = 1.1;

// +1 for a zoom-in key, -1 for a zoom-out key, 0 for any other key.
int zoomSteps(const QKeyEvent& event);
// Whole notches of a Ctrl + wheel turn, away from the user zooming in; a fine-grained wheel's
// part notches add up in `pending`. 0 without Ctrl.
int zoomSteps(const QWheelEvent& event, int& pending);
// The factor after `steps` steps, within the zoom's range.
double zoomedBy(double factor, int steps);

} // namespace kt::ui
