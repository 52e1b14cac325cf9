#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRectF;

namespace kt::windows::artwork {

// All artwork is drawn, so it stays sharp at any scale. Sizes are logical pixels; the pixmaps
// carry the given device-pixel ratio.

// 13 x 12: a red check mark on a dark-blue ground, for the answered-look bullets.
QPixmap checkMark(qreal devicePixelRatio);
// 32 x 32: a white "i" on a navy disc.
QPixmap infoSymbol(qreal devicePixelRatio);
// The program's icon at the usual sizes.
QIcon windowIcon();
QPixmap iconPixmap(int size, qreal devicePixelRatio = 1.0);

// The splash artwork, painted into the given rectangle.
void paintMakerLettering(QPainter& painter, const QRectF& rect);
void paintTitleBubble(QPainter& painter, const QRectF& rect);

} // namespace kt::windows::artwork
