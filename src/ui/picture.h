#pragma once

#include <QByteArray>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

class QImage;
class QMimeData;
class QTextCursor;
class QWidget;

namespace kt::ui {

// A picture made ready for a story: turned upright, at most kMaxPictureSide pixels on its long
// side, and encoded as JPEG, or as PNG when it has transparent parts or few colours (a drawing,
// a screenshot), where JPEG would smear its edges. Fifty phone photos make a few tens of MB.
struct Picture {
    QByteArray bytes;
    bool png = false;
    QSize pixels;
};

inline constexpr int kMaxPictureSide = 1600;
inline constexpr int kJpegQuality = 85;

// Reads the picture file at path, turned upright by its EXIF orientation. nullopt when the file
// is not a picture the program can read.
std::optional<Picture> preparePicture(const QString& path);
// The same for a picture in memory (a paste); nullopt for an empty image.
std::optional<Picture> preparePicture(const QImage& image);

// The open dialog's filter for pictures: every format the toolkit reads here.
QString pictureFileFilter();

// The size a picture takes in a story, in 1/96-inch pixels: the text width of a printed page
// (A4 or Letter with the print's 2 cm margins), at most about half the page high, never
// enlarged beyond its own pixels.
QSizeF storySize(QSize pixels);

// Inserts the picture at the cursor: an image of the document at its story size, whose
// resource holds the encoded bytes, which the rich-text writer saves as they are.
void insertPicture(QTextCursor& cursor, const Picture& picture);

// The pictures a drop or a paste carries: an image, or the local files among its links that
// look like pictures. The names of those that cannot be read go to *unreadable.
QList<Picture> picturesIn(const QMimeData& data, QStringList* unreadable);

// Tells in one message that these files (by name) are not pictures that can be added.
void tellUnreadablePictures(const QStringList& names);

// Asks for picture files through the dialog seam, several at once, and reads them under the
// wait cursor; files that are not readable pictures are told in one message and left out.
// Empty when the dialog was cancelled.
QList<Picture> choosePictures(QWidget* window);

} // namespace kt::ui
