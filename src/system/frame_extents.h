#pragma once

#include <QMargins>

class QWindow;

namespace kt::system {

// The frame a window manager will put around `window`, asked of it before the window is first
// shown (X11 window managers that answer frame-extent requests). Null where nobody frames
// windows, where the window manager does not answer, and on other platforms.
QMargins frameExtentsBeforeShow(const QWindow& window);

} // namespace kt::system
