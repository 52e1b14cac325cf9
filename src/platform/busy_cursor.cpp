#include "platform/busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace kt::platform {

BusyCursor::BusyCursor(bool busy) : m_busy(busy) {
    if (m_busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor() {
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace kt::platform
