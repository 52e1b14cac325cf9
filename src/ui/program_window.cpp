#include "ui/program_window.h"

#include "system/frame_extents.h"
#include "ui/ground.h"
#include "ui/twips.h"
#include "ui/window_manager.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace kt::ui {
namespace {
QList<QColor>& textColours() {
    static QList<QColor> colours;
    return colours;
}
} // namespace

void ProgramWindow::setTextColours(const QList<QColor>& colours) {
    textColours() = colours;
}

ProgramWindow::ProgramWindow(const QString& objectName, const QString& caption)
    : QWidget(nullptr, Qt::Window) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    ProgramWindow::applyGround();
}

void ProgramWindow::applyGround() {
    // Back to the desktop's own colours first: a light grey chosen under a dark theme must not
    // outlive it.
    setPalette(QPalette());
    keepTextReadable(*this, textColours());
}

ProgramWindow::~ProgramWindow() = default;

void ProgramWindow::setFixedClientSizeTwips(int width, int height) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setFixedSize(sizeTw(width, height));
}

void ProgramWindow::setTabChain(const QList<QWidget*>& chain) {
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

void ProgramWindow::centreOnScreen() {
    // Until the first show the client size stands for the outer size.
    placeCentred(QMargins());
    m_centreAtFirstShow = true;
}

void ProgramWindow::placeCentred(const QMargins& frame) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPointF pos = centredPosition(screen->geometry(), size().grownBy(frame));
    // Whole pixels: a half pixel from an odd difference goes towards the top left. The client
    // area is placed, so the frame lands where the window manager draws it.
    setGeometry(QRect(
        QPoint(static_cast<int>(pos.x()) + frame.left(), static_cast<int>(pos.y()) + frame.top()),
        size()));
}

void ProgramWindow::showWindow(const QString& name) {
    WindowManager::instance().show(name);
}

WindowManager& ProgramWindow::windows() {
    return WindowManager::instance();
}

bool ProgramWindow::event(QEvent* event) {
    // The show event comes before the window is mapped: the window manager can tell the frame
    // it is going to draw, and no one has seen, let alone moved, the window yet.
    if (event->type() == QEvent::Show && m_centreAtFirstShow && windowHandle()) {
        m_centreAtFirstShow = false;
        QMargins frame = windowHandle()->frameMargins();
        if (frame.isNull())
            frame = system::frameExtentsBeforeShow(*windowHandle());
        placeCentred(frame);
    }
    if (event->type() == QEvent::WindowActivate)
        WindowManager::instance().noteSystemActivation(this);
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyGround();
    return handled;
}

void ProgramWindow::setDefaultButton(QPushButton* button) {
    if (m_defaultButton)
        m_defaultButton->setDefault(false);
    m_defaultButton = button;
    if (button)
        button->setDefault(true);
}

void ProgramWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the focused button, else the window's default button.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
            focused && focused->isEnabled()) {
            focused->click();
            return;
        }
        if (m_defaultButton && m_defaultButton->isEnabled() && m_defaultButton->isVisible()) {
            m_defaultButton->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void ProgramWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Only a hide of the window itself, not the window system minimising it.
    if (!event->spontaneous())
        Q_EMIT hidden();
}

void ProgramWindow::closeEvent(QCloseEvent* event) {
    if (WindowManager::instance().ending() || closeRequested())
        event->accept();
    else
        event->ignore();
}

} // namespace kt::ui
