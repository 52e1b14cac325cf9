#include "platform/twips.h"

namespace kt::platform {

QPointF centredPosition(const QRect& screen, const QSize& outerSize) {
    return {screen.x() + (screen.width() - outerSize.width()) / 2.0,
            screen.y() + (screen.height() - outerSize.height()) / 2.0};
}

} // namespace kt::platform
