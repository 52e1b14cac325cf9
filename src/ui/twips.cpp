#include "ui/twips.h"

namespace kt::ui {

QPointF centredPosition(const QRect& screen, const QSize& outerSize) {
    return {screen.x() + (screen.width() - outerSize.width()) / 2.0,
            screen.y() + (screen.height() - outerSize.height()) / 2.0};
}

} // namespace kt::ui
