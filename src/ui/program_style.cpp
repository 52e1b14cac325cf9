#include "ui/program_style.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace kt::ui {

namespace {

class ProgramStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element != CE_PushButton || !(option->state & State_HasFocus))
            return;
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (!button || (button->features & QStyleOptionButton::Flat))
            return;
        QRect frame = subElementRect(SE_PushButtonFocusRect, button, widget);
        // Never on the bevel's edge, where a style draws its own outline.
        frame = frame.intersected(option->rect.adjusted(3, 3, -3, -3));
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 1));
        painter->drawRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
    }
};

} // namespace

void installProgramStyle(QStyle* base) {
    if (!base) {
        const QStyle* current = QApplication::style();
        if (const auto* proxy = qobject_cast<const QProxyStyle*>(current))
            current = proxy->baseStyle();
        base = QStyleFactory::create(current->name());
    }
    QApplication::setStyle(new ProgramStyle(base));
}

} // namespace kt::ui
