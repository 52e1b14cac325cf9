#include "windows/common/artwork.h"

#include "windows/common/look.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace kt::windows::artwork {

namespace {

QPixmap canvas(QSize size, qreal dpr) {
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

void drawCheck(QPainter& p, const QRectF& r, const QColor& colour, qreal width) {
    QPainterPath path;
    path.moveTo(r.left() + r.width() * 0.12, r.top() + r.height() * 0.55);
    path.lineTo(r.left() + r.width() * 0.40, r.top() + r.height() * 0.85);
    path.lineTo(r.left() + r.width() * 0.90, r.top() + r.height() * 0.15);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

} // namespace

QPixmap checkMark(qreal dpr) {
    QPixmap pm = canvas({13, 12}, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, 13, 12), QColor(0, 0, 96));
    drawCheck(p, QRectF(0.5, 0.5, 12, 11), QColor(235, 20, 20), 2.2);
    return pm;
}

QPixmap infoSymbol(qreal dpr) {
    QPixmap pm = canvas({32, 32}, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 80), 1));
    p.setBrush(look::navy());
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(13.5, 6, 5, 5));
    QPainterPath stem;
    // The serifs overlap the stem; with the even-odd rule the overlaps would show as holes.
    stem.setFillRule(Qt::WindingFill);
    stem.addRoundedRect(QRectF(13.5, 13, 5, 13), 1.2, 1.2);
    stem.addRect(QRectF(11.5, 13, 4, 2));
    stem.addRect(QRectF(11.5, 24.5, 9, 2));
    p.drawPath(stem.simplified());
    return pm;
}

QPixmap iconPixmap(int size, qreal dpr) {
    QPixmap pm = canvas({size, size}, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(look::navy());
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    // A speech bubble: a story being told.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(s * 0.14, s * 0.16, s * 0.72, s * 0.52), s * 0.14, s * 0.14);
    QPainterPath tail;
    tail.moveTo(s * 0.30, s * 0.60);
    tail.lineTo(s * 0.24, s * 0.86);
    tail.lineTo(s * 0.50, s * 0.64);
    tail.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(bubble.united(tail));
    drawCheck(p, QRectF(s * 0.30, s * 0.24, s * 0.42, s * 0.36), look::darkRed(),
              qMax(1.5, s * 0.09));
    return pm;
}

QIcon windowIcon() {
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            i.addPixmap(iconPixmap(size));
        return i;
    }();
    return icon;
}

void paintMakerLettering(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(r, QColor(192, 192, 192));
    QFont f(QStringLiteral("Liberation Serif"));
    f.setItalic(true);
    f.setBold(true);
    f.setPixelSize(qRound(r.height() * 0.52));
    p.setFont(f);
    // A soft shadow under the red script.
    p.setPen(QColor(120, 120, 120));
    p.drawText(r.translated(1.5, 1.5), Qt::AlignCenter, QStringLiteral("Hearthside Software"));
    p.setPen(QColor(200, 16, 16));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("Hearthside Software"));
    p.restore();
}

void paintTitleBubble(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(r.left() + r.width() * 0.04, r.top() + r.height() * 0.06, r.width() * 0.92,
                      r.height() * 0.70);
    QPainterPath bubble;
    bubble.addEllipse(body);
    QPainterPath tail;
    tail.moveTo(body.left() + body.width() * 0.28, body.bottom() - body.height() * 0.12);
    tail.lineTo(body.left() + body.width() * 0.16, r.bottom() - r.height() * 0.04);
    tail.lineTo(body.left() + body.width() * 0.44, body.bottom() - body.height() * 0.04);
    tail.closeSubpath();
    const QPainterPath shape = bubble.united(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(shape.translated(3, 3));
    p.setPen(QPen(QColor(0, 0, 139), 2.5));
    p.setBrush(QColor(255, 252, 235));
    p.drawPath(shape);

    QFont title(QStringLiteral("Liberation Serif"));
    title.setBold(true);
    title.setPixelSize(qRound(body.height() * 0.34));
    p.setFont(title);
    p.setPen(QColor(0, 0, 139));
    const QRectF upper(body.left(), body.top() + body.height() * 0.14, body.width(),
                       body.height() * 0.5);
    p.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Kithtale"));
    QFont sub(QStringLiteral("Liberation Sans"));
    sub.setItalic(true);
    sub.setPixelSize(qRound(body.height() * 0.11));
    p.setFont(sub);
    const QRectF lower(body.left(), upper.bottom() + body.height() * 0.02, body.width(),
                       body.height() * 0.2);
    p.drawText(lower, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("the story of your life"));
    p.restore();
}

} // namespace kt::windows::artwork
