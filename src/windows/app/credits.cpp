#include "windows/app/credits.h"

#include "windows/window_names.h"

#include "ui/twips.h"
#include "ui/window_shape.h"
#include "windows/app/info_texts.h"
#include "windows/app/star_outline.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace kt::app {

using namespace kt::ui;
using namespace kt::windows;

QVector<QPoint> starPolygon() {
    QVector<QPoint> polygon;
    for (const StarPoint& p : starOutline())
        polygon.append(QPoint(p.x, p.y));
    return polygon;
}

void CreditsWindow::applyGround() {
    // Navy whatever the desktop's colours: the white dedication is made for it.
    QPalette pal;
    pal.setColor(QPalette::Window, look::navy());
    setPalette(pal);
}

CreditsWindow::CreditsWindow() : ProgramWindow(windows::kCredits, QString()) {
    // No frame, no title bar, not in the taskbar; it still takes the keyboard focus.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFixedSize(sizeTw(6945, 5295));
    setAccessibleName(QStringLiteral("Credits"));

    CreditsWindow::applyGround();
    setAutoFillBackground(true);

    auto* label = new QLabel(texts::dedication(), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setTextFormat(Qt::PlainText);
    label->setFont(look::arial(15.75, false));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette lp = label->palette();
    lp.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(lp);
    label->setGeometry(rectTw(1440, 1800, 3135, 1095));

    auto* close = addButton(this, QStringLiteral("cmdClose"), QStringLiteral("&Close"), 2640, 3000,
                            615, 375, QStringLiteral("Click here to close this window."));
    connect(close, &QPushButton::clicked, this, [this] { backToAbout(); });
    close->setFocus();

    setPolygonShape(*this, starPolygon());

    // Not centred by the usual rule: what the user sees is the star, so the star is centred.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QPointF pos = centredPosition(screen->geometry(), QSize(400, 300));
        move(static_cast<int>(pos.x()), static_cast<int>(pos.y()));
    }
}

void CreditsWindow::backToAbout() {
    showWindow(windows::kAbout);
    hide();
}

bool CreditsWindow::closeRequested() {
    backToAbout();
    return false;
}

void CreditsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        backToAbout();
        return;
    }
    ProgramWindow::keyPressEvent(event);
}

} // namespace kt::app
