#include "ui/busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

namespace kt::ui {

BusyCursor::BusyCursor(bool busy, QWidget* window) : m_busy(busy) {
    if (!m_busy)
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    if (window && window->isVisible())
        window->repaint();
}

BusyCursor::~BusyCursor() {
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace kt::ui
