#include "windows/common/controls.h"

#include "ui/twips.h"
#include "windows/common/artwork.h"
#include "windows/common/look.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace kt::windows {

using namespace kt::ui;

namespace {

// A label the keyboard can reach acts as a button, and tells assistive technology so.
class ClickLabelAccessible : public QAccessibleWidget {
public:
    explicit ClickLabelAccessible(ClickLabel* label)
        : QAccessibleWidget(label, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        const auto* l = static_cast<const ClickLabel*>(widget());
        switch (t) {
        case QAccessible::Name:
            return l->accessibleName().isEmpty() ? withoutAccessKey(l->text())
                                                 : l->accessibleName();
        case QAccessible::Description:
            return l->accessibleDescription().isEmpty() ? l->toolTip() : l->accessibleDescription();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction())
            static_cast<ClickLabel*>(widget())->click();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* clickLabelAccessible(const QString&, QObject* object) {
    auto* label = qobject_cast<ClickLabel*>(object);
    return label && label->keyboardReachable() ? new ClickLabelAccessible(label) : nullptr;
}

} // namespace

ClickLabel::ClickLabel(QWidget* parent, const QString& objectName, const QString& text)
    : QLabel(text, parent) {
    setObjectName(objectName);
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::setKeyboardReachable() {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(clickLabelAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    m_reachable = true;
    setFocusPolicy(Qt::StrongFocus);
    // The toolkit made this label's interface, a plain text's, while constructing it; drop
    // that one so the next look-up makes the button's.
    QAccessible::deleteAccessibleInterface(
        QAccessible::uniqueId(QAccessible::queryAccessibleInterface(this)));
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (m_reachable && event->modifiers() == Qt::NoModifier &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        click();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // A frame in the text's colour, over the label's edge: there is no room outside it.
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
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

void BulletButton::describe(const QString& name, const QString& state, const QString& description) {
    setAccessibleName(state.isEmpty() ? name
                                      : name + QStringLiteral(" (") + state + QLatin1Char(')'));
    setAccessibleDescription(description);
}

void BulletButton::giveWayTo(BulletButton& mark) {
    const bool focused = window()->focusWidget() == this;
    mark.show();
    if (focused)
        mark.setFocus(Qt::OtherFocusReason);
    hide();
}

void BulletButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), isDown() ? look::navy().lighter(160) : look::navy());
    if (m_checked) {
        // Drawn for the device being painted, and placed on whole device pixels, so the mark is
        // never resampled: sharp at any scale.
        const qreal dpr = p.device()->devicePixelRatioF();
        const QPixmap check = artwork::checkMark(dpr);
        const auto centred = [dpr](int logical, int device) {
            return std::floor((logical * dpr - device) / 2.0) / dpr;
        };
        p.drawPixmap(QPointF(centred(width(), check.width()), centred(height(), check.height())),
                     check);
    }
    if (hasFocus())
        paintFocusFrame(p);
}

void BulletButton::paintFocusFrame(QPainter& p) const {
    // A white inner frame inside a dotted amber outline: plain on the navy and on any ground.
    // Drawn on whole device pixels, from the first to the last one the bullet's fill covers, so
    // both frames are equally thick on every side at any scale (at 150 % a bullet may start half
    // way through a device pixel).
    const qreal dpr = p.device()->devicePixelRatioF();
    const QPointF origin = QPointF(mapTo(window(), QPoint(0, 0))) * dpr;
    // The toolkit puts a filled edge at device position `a` on the nearest pixel boundary,
    // halves rounding up.
    const auto edge = [](qreal a, qreal from) { return std::floor(a + 0.5) - from; };
    const qreal left = edge(origin.x(), origin.x()), top = edge(origin.y(), origin.y());
    const qreal right = edge(origin.x() + width() * dpr, origin.x());
    const qreal bottom = edge(origin.y() + height() * dpr, origin.y());
    const qreal t = std::max<qreal>(1, std::round(dpr));
    p.save();
    p.scale(1 / dpr, 1 / dpr);
    const QColor amber(255, 200, 0);
    for (qreal x = left; x < right; x += 2 * t) {
        const qreal w = std::min(t, right - x);
        p.fillRect(QRectF(x, top, w, t), amber);
        p.fillRect(QRectF(x, bottom - t, w, t), amber);
    }
    for (qreal y = top; y < bottom; y += 2 * t) {
        const qreal h = std::min(t, bottom - y);
        p.fillRect(QRectF(left, y, t, h), amber);
        p.fillRect(QRectF(right - t, y, t, h), amber);
    }
    const QRectF inner(left + t, top + t, right - left - 2 * t, bottom - top - 2 * t);
    p.fillRect(QRectF(inner.left(), inner.top(), inner.width(), t), Qt::white);
    p.fillRect(QRectF(inner.left(), inner.bottom() - t, inner.width(), t), Qt::white);
    p.fillRect(QRectF(inner.left(), inner.top(), t, inner.height()), Qt::white);
    p.fillRect(QRectF(inner.right() - t, inner.top(), t, inner.height()), Qt::white);
    p.restore();
}

PushButton::PushButton(QWidget* parent, const QString& objectName, const QString& caption)
    : QPushButton(caption, parent) {
    setObjectName(objectName);
}

QString withoutAccessKey(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&'))
                out += caption[++i];
            continue;
        }
        out += caption[i];
    }
    return out;
}

void applyLabelLook(QLabel& label) {
    label.setFont(look::labelFont());
    QPalette pal = label.palette();
    pal.setColor(QPalette::WindowText, look::navy());
    label.setPalette(pal);
}

QLabel* addLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y,
                 int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    applyLabelLook(*label);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rectTw(x, y, w, h));
    return label;
}

QPushButton* addButton(QWidget* parent, const QString& objectName, const QString& caption, int x,
                       int y, int w, int h, const QString& toolTip) {
    auto* button = new PushButton(parent, objectName, caption);
    button->setFont(look::dialogFont());
    button->setGeometry(rectTw(x, y, w, h));
    button->setAutoDefault(false);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    return button;
}

} // namespace kt::windows
