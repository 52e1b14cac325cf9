#pragma once

#include <QColor>
#include <QList>

#include <initializer_list>

class QWidget;

namespace kt::ui {

// Text must stand out from its ground at least this much (the usual rule for body text).
inline constexpr double kReadableContrast = 4.5;

// Contrast between two colours by the usual relative-luminance rule (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);
// The preferred ground when every text colour reads on it at 4.5:1 or better, else a light grey
// on which they all do (a dark desktop theme must not make coloured text unreadable).
QColor readableGround(const QColor& preferred, std::initializer_list<QColor> texts);
// Keeps a window on the desktop's own window colour unless the given text colours would not
// read on it; then the window, and what inherits its colours, gets the light grey with black
// plain text.
void keepTextReadable(QWidget& window, const QList<QColor>& texts);

} // namespace kt::ui
