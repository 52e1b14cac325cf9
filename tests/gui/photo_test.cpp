// Pictures in the editor: made ready for a story, inserted from the menu, a paste or a drop.
#include "editor_fixture.h"
#include "rtf/document.h"
#include "rtf/rtf.h"
#include "ui/picture.h"
#include "ui/qs.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextImageFormat>

using namespace kt;
using namespace kt::ui;

namespace {

const QString kExifPhoto = QStringLiteral(KITHTALE_TEST_DATA_DIR "/photos/exif-right-top.jpg");

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}
const QColor kRed(220, 20, 20);
const QColor kBlue(20, 20, 220);

QImage decoded(const QByteArray& bytes) {
    return QImage::fromData(bytes);
}

class Photos : public test::EditorFixture {};

TEST(Picture, ComesInUprightAtMost1600PixelsLongAndInTheFormatThatSuitsIt) {
    // Stored 40 x 20 with the EXIF orientation "right, top": upright it is 20 x 40, red above.
    const auto upright = preparePicture(kExifPhoto);
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->pixels, QSize(20, 40));
    EXPECT_FALSE(upright->png);
    const QImage shown = decoded(upright->bytes);
    EXPECT_TRUE(near(shown.pixelColor(10, 5), kRed))
        << shown.pixelColor(10, 5).name().toStdString();
    EXPECT_TRUE(near(shown.pixelColor(10, 35), kBlue));

    // A 12-megapixel photo (noise: nothing a PNG would keep small).
    QImage big(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < big.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(big.scanLine(y));
        for (int x = 0; x < big.width(); ++x)
            line[x] = qRgb(x / 16 + random.bounded(24), y / 12, random.bounded(64));
    }
    QByteArray bigJpeg;
    QBuffer buffer(&bigJpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(big.save(&buffer, "JPEG", 95));
    const QString bigFile = QDir::temp().filePath(QStringLiteral("kithtale-big-photo.jpg"));
    QFile f(bigFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bigJpeg);
    f.close();
    const auto small = preparePicture(bigFile);
    QFile::remove(bigFile);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->pixels, QSize(1600, 1200));
    EXPECT_EQ(decoded(small->bytes).size(), QSize(1600, 1200));
    EXPECT_FALSE(small->png);
    EXPECT_LT(small->bytes.size(), 1 << 20) << "fifty make a few tens of MB at most";

    // Transparency and a handful of colours are kept as PNG, the transparency with it.
    QImage cutout(100, 80, QImage::Format_ARGB32);
    cutout.fill(Qt::transparent);
    QPainter(&cutout).fillRect(20, 20, 40, 40, Qt::red);
    const auto png = preparePicture(cutout);
    ASSERT_TRUE(png);
    EXPECT_TRUE(png->png);
    EXPECT_EQ(qAlpha(decoded(png->bytes).pixel(1, 1)), 0);

    // In the story: the text width, at most about half a page high, never enlarged.
    EXPECT_EQ(storySize({1600, 1200}), QSizeF(576, 432));
    EXPECT_EQ(storySize({1200, 1600}), QSizeF(324, 432));
    EXPECT_EQ(storySize({1600, 400}), QSizeF(624, 156));
    EXPECT_EQ(storySize({300, 200}), QSizeF(300, 200));
}

TEST_F(Photos, TheEditorTakesPicturesFromTheMenuAPasteAndADropAndUndoTakesThemBack) {
    openEditor();
    dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    trigger("mnuFileSaveAs");
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    const QString before = txt()->Text();
    const QString obj(QChar::ObjectReplacementCharacter);

    // Edit > Insert Picture..., at the cursor; a change; one undo takes it back.
    txt()->setSelStart(9);
    dialogs->answerOpenFiles(QStringList{kExifPhoto});
    trigger("mnuEditInsertPicture");
    EXPECT_EQ(txt()->Text(), before.left(9) + obj + before.mid(9));
    EXPECT_TRUE(editor()->documentModified());
    txt()->undo();
    EXPECT_EQ(txt()->Text(), before);

    // A picture alone on the clipboard: Paste is offered and brings it in; text stays text.
    QGuiApplication::clipboard()->setImage(QImage(kExifPhoto));
    openEditMenu();
    EXPECT_TRUE(item("mnuEditPaste")->isEnabled());
    txt()->setSelStart(0);
    trigger("mnuEditPaste");
    EXPECT_EQ(txt()->Text(), obj + before);
    QGuiApplication::clipboard()->setText(QStringLiteral("plain"));
    trigger("mnuEditPaste");
    EXPECT_EQ(txt()->Text(), obj + QStringLiteral("plain") + before);

    // A picture file dropped on the story.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(kExifPhoto)});
    data.setText(kExifPhoto);
    txt()->setSelStart(0);
    const QPoint at = txt()->cursorRect().center();
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // A drop goes to where the drag entered.
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(txt()->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QCoreApplication::sendEvent(txt()->viewport(), &drop);
    EXPECT_EQ(txt()->Text().count(obj), 2);
    EXPECT_FALSE(txt()->Text().contains(kExifPhoto));
}

} // namespace
