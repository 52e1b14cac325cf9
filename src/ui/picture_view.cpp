#include "ui/picture_view.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace kt::ui {
namespace {

// Decoded pictures kept for drawing: a screenful of photos many times over.
constexpr qsizetype kCacheBytes = qsizetype{64} << 20;
// The toolkit's pictures are sized in pixels of a 96 dpi screen.
constexpr qreal kPictureDpi = 96;

QImage decode(const QVariant& resource, QSize wanted) {
    switch (resource.userType()) {
    case QMetaType::QImage:
        return resource.value<QImage>();
    case QMetaType::QPixmap:
        return resource.value<QPixmap>().toImage();
    case QMetaType::QByteArray: {
        QByteArray bytes = resource.toByteArray();
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        const QSize natural = reader.size();
        // A large photo decodes at about the size it is drawn, which is much faster.
        if (wanted.isValid() && natural.isValid() && wanted.width() < natural.width() &&
            wanted.height() < natural.height())
            reader.setScaledSize(wanted);
        return reader.read();
    }
    default:
        return {};
    }
}

QSize naturalSize(const QVariant& resource) {
    if (resource.userType() == QMetaType::QByteArray) {
        QByteArray bytes = resource.toByteArray();
        QBuffer buffer(&bytes);
        return QImageReader(&buffer).size();
    }
    return decode(resource, {}).size();
}

QVariant resourceOf(QTextDocument& document, const QString& name) {
    return document.resource(QTextDocument::ImageResource, QUrl(name));
}

} // namespace

PictureView::PictureView(QObject* parent) : QObject(parent) {
    m_decoded.setMaxCost(kCacheBytes);
}

void PictureView::attach(QTextDocument& document) {
    document.documentLayout()->registerHandler(QTextFormat::ImageObject, this);
}

QSizeF PictureView::intrinsicSize(QTextDocument* document, int, const QTextFormat& format) {
    const QTextImageFormat image = format.toImageFormat();
    QSizeF size(image.width(), image.height());
    if (size.width() <= 0 || size.height() <= 0) {
        const QSize natural = naturalSize(resourceOf(*document, image.name()));
        if (natural.isEmpty())
            return {};
        if (size.width() > 0)
            size.setHeight(size.width() * natural.height() / natural.width());
        else if (size.height() > 0)
            size.setWidth(size.height() * natural.width() / natural.height());
        else
            size = natural;
    }
    qreal scale = 1;
    if (const QPaintDevice* device = document->documentLayout()->paintDevice())
        scale = device->logicalDpiY() / kPictureDpi;
    size *= scale;
    // No wider than the text, so the story never needs a sideways scroll.
    const qreal room = document->textWidth() - 2 * document->documentMargin() * scale - 1;
    if (document->textWidth() > 0 && room > 0 && size.width() > room)
        size *= room / size.width();
    return size;
}

void PictureView::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                             const QTextFormat& format) {
    const QSize device = (rect.size() * painter->device()->devicePixelRatioF()).toSize();
    if (device.isEmpty())
        return;
    const QImage image = picture(*document, format.toImageFormat().name(), device);
    if (!image.isNull())
        painter->drawImage(rect, image);
}

QImage PictureView::picture(QTextDocument& document, const QString& name, QSize deviceSize) {
    const QString key =
        name + QStringLiteral("@%1x%2").arg(deviceSize.width()).arg(deviceSize.height());
    if (const QImage* kept = m_decoded.object(key))
        return *kept;
    QImage image = decode(resourceOf(document, name), deviceSize);
    if (image.isNull())
        return image;
    if (image.size() != deviceSize)
        image = image.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_decoded.insert(key, new QImage(image), image.sizeInBytes());
    return image;
}

} // namespace kt::ui
