#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QTextObjectInterface>

namespace kt::ui {

// Draws a document's pictures on the screen. The toolkit's own drawing decodes a picture held
// as encoded bytes at every paint, so each keystroke near a photo would decode it again; this
// keeps the decoded pictures at the size they are drawn, and shows a picture wider than the
// text no wider than the text (the document keeps its own size, for printing and saving).
class PictureView final : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit PictureView(QObject* parent = nullptr);

    // Draws the pictures of this document from now on.
    void attach(QTextDocument& document);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

private:
    QImage picture(QTextDocument& document, const QString& name, QSize deviceSize);

    // Keyed by name and size; the cost is the bytes the picture takes.
    QCache<QString, QImage> m_decoded;
};

} // namespace kt::ui
