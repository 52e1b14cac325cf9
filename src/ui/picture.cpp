#include "ui/picture.h"

#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/progress.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QSet>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace kt::ui {
namespace {

// A printed page's text width (6.5 inches: A4 and Letter with 2 cm margins both hold it) and
// about half its height, in 1/96-inch pixels.
constexpr double kStoryWidth = 624;
constexpr double kStoryHeight = 432;

// Pictures of this many colours or fewer are drawings: PNG keeps them sharp and small.
constexpr int kFewColours = 256;

bool hasTransparency(const QImage& image) {
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) < 255)
                return true;
    }
    return false;
}

bool hasFewColours(const QImage& image) {
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB ||
        image.format() == QImage::Format_Indexed8)
        return true;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> seen;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            seen.insert(line[x]);
            if (seen.size() > kFewColours)
                return false; // a photo: found out within its first rows
        }
    }
    return true;
}

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

std::optional<Picture> preparePicture(const QImage& source) {
    if (source.isNull())
        return std::nullopt;
    QImage image = source;
    if (std::max(image.width(), image.height()) > kMaxPictureSide)
        image = image.scaled(kMaxPictureSide, kMaxPictureSide, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    Picture picture;
    picture.png = hasTransparency(image) || hasFewColours(image);
    picture.pixels = image.size();
    QBuffer buffer(&picture.bytes);
    buffer.open(QIODevice::WriteOnly);
    bool written = false;
    if (picture.png) {
        written = image.save(&buffer, "PNG");
    } else {
        const bool grey = image.isGrayscale();
        written = image.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32)
                      .save(&buffer, "JPEG", kJpegQuality);
    }
    if (!written || picture.bytes.isEmpty())
        return std::nullopt;
    return picture;
}

std::optional<Picture> preparePicture(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // Decoded at the size kept: a 12-megapixel photo reads in a fraction of the time.
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > kMaxPictureSide)
        reader.setScaledSize(size.scaled(kMaxPictureSide, kMaxPictureSide, Qt::KeepAspectRatio));
    return preparePicture(reader.read());
}

QString pictureFileFilter() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return QStringLiteral("Pictures (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(")|") +
           patterns.join(QLatin1Char(';')) + QStringLiteral("|All Files (*.*)|*.*");
}

QSizeF storySize(QSize pixels) {
    if (pixels.isEmpty())
        return {};
    const double scale =
        std::min({kStoryWidth / pixels.width(), kStoryHeight / pixels.height(), 1.0});
    return {std::max(1.0, std::round(pixels.width() * scale)),
            std::max(1.0, std::round(pixels.height() * scale))};
}

void insertPicture(QTextCursor& cursor, const Picture& picture) {
    const QByteArray hash =
        QCryptographicHash::hash(picture.bytes, QCryptographicHash::Sha1).toHex().left(20);
    const QString name = QStringLiteral("picture:%1.%2")
                             .arg(QString::fromLatin1(hash),
                                  picture.png ? QStringLiteral("png") : QStringLiteral("jpg"));
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name),
                                   QVariant(picture.bytes));
    QTextImageFormat format;
    format.setName(name);
    const QSizeF size = storySize(picture.pixels);
    format.setWidth(size.width());
    format.setHeight(size.height());
    cursor.insertImage(format);
}

QList<Picture> picturesIn(const QMimeData& data, QStringList* unreadable) {
    QList<Picture> pictures;
    if (data.hasImage()) {
        if (auto p = preparePicture(qvariant_cast<QImage>(data.imageData())))
            pictures << *p;
        return pictures;
    }
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        // Only what looks like a picture; any other file dropped stays a name in the text.
        if (QImageReader(path).format().isEmpty())
            continue;
        if (auto p = preparePicture(path))
            pictures << *p;
        else
            *unreadable << fileName(path);
    }
    return pictures;
}

void tellUnreadablePictures(const QStringList& names) {
    const QString text =
        (names.size() == 1
             ? QStringLiteral("This file is not a picture that can be added to your story:")
             : QStringLiteral("These files are not pictures that can be added to your story:")) +
        QStringLiteral("\n\n") + names.join(QLatin1Char('\n'));
    messageBox(text, QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok,
               MsgButton::Ok);
}

QList<Picture> choosePictures(QWidget* window) {
    FileRequest request;
    request.filter = pictureFileFilter();
    request.fileMustExist = true;
    const std::optional<QStringList> chosen = Dialogs::current().openFiles(request);
    if (!chosen)
        return {};
    QList<Picture> pictures;
    QStringList unreadable;
    {
        // A phone's photos take a tenth of a second or more each to turn and scale: many of
        // them are told as they go, and can be cancelled (then none is added).
        const BusyCursor busy(true, window);
        Progress progress(QStringLiteral("Preparing your photos..."), window);
        for (qsizetype i = 0; i < chosen->size(); ++i) {
            if (!progress.step(int(i), int(chosen->size())))
                return {};
            const QString& path = chosen->at(i);
            if (auto p = preparePicture(path))
                pictures << *p;
            else
                unreadable << fileName(path);
        }
    }
    if (!unreadable.isEmpty())
        tellUnreadablePictures(unreadable);
    return pictures;
}

} // namespace kt::ui
