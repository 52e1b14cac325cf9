#include "platform/controls.h"

#include "platform/artwork.h"
#include "platform/look.h"
#include "platform/twips.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace kt::platform {

ClickLabel::ClickLabel(QWidget* parent, const QString& objectName, const QString& text)
    : QLabel(text, parent) {
    setObjectName(objectName);
    setCursor(Qt::PointingHandCursor);
}

bool ClickLabel::event(QEvent* event) {
    // The access key only moves the focus to the buddy; QLabel would also click a button buddy.
    if (event->type() == QEvent::Shortcut && buddy()) {
        if (buddy()->focusPolicy() != Qt::NoFocus)
            buddy()->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return QLabel::event(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

BulletButton::BulletButton(QWidget* parent, const QString& objectName, bool checked)
    : QPushButton(parent), m_checked(checked) {
    setObjectName(objectName);
    setFlat(true);
    setAutoDefault(false);
    setCursor(Qt::PointingHandCursor);
}

void BulletButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), isDown() ? look::navy().lighter(160) : look::navy());
    if (m_checked) {
        const QPixmap check = artwork::checkMark(devicePixelRatioF());
        const QSizeF s = check.deviceIndependentSize();
        p.drawPixmap(QPointF((width() - s.width()) / 2.0, (height() - s.height()) / 2.0), check);
    }
    if (hasFocus()) {
        // A visible focus: a white inner frame and a dark outline, readable on any ground.
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
        p.setPen(QPen(QColor(255, 200, 0), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

QLabel* addLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y,
                 int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setFont(look::labelFont());
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, look::navy());
    label->setPalette(pal);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rectTw(x, y, w, h));
    return label;
}

QPushButton* addButton(QWidget* parent, const QString& objectName, const QString& caption, int x,
                       int y, int w, int h, const QString& toolTip) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setFont(look::dialogFont());
    button->setGeometry(rectTw(x, y, w, h));
    button->setAutoDefault(false);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    return button;
}

} // namespace kt::platform
