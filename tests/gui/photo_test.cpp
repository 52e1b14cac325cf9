// Photos with the answers: given on a page through the photo window, shown after their answer in
// the story, saved beside the data file, printed, loaded back; and pictures in the editor.
#include "core/document_composer.h"
#include "core/photo_folder.h"
#include "core/program_state.h"
#include "editor_fixture.h"
#include "rtf/document.h"
#include "rtf/rtf.h"
#include "ui/picture.h"
#include "ui/qs.h"
#include "windows/questionnaire/photo_window.h"

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

const QString kPhotos = QStringLiteral("frmPhotos");
const QString kExifPhoto = QStringLiteral(KITHTALE_TEST_DATA_DIR "/photos/exif-right-top.jpg");
const QString kNotAPicture = QStringLiteral(KITHTALE_TEST_DATA_DIR "/photos/not-a-picture.jpg");

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}
const QColor kRed(220, 20, 20);
const QColor kBlue(20, 20, 220);

QImage decoded(const QByteArray& bytes) {
    return QImage::fromData(bytes);
}

// The pictures of a document in order: their formats and their bytes.
struct Shown {
    QTextImageFormat format;
    QByteArray bytes;
};
std::vector<Shown> picturesOf(const QTextDocument& doc) {
    std::vector<Shown> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QTextImageFormat f = it.fragment().charFormat().toImageFormat();
                out.push_back(
                    {f, doc.resource(QTextDocument::ImageResource, QUrl(f.name())).toByteArray()});
            }
    return out;
}

class Photos : public test::EditorFixture {
protected:
    void openPage(const QString& page) {
        enterMainMenu();
        program->windows().show(page);
        window(QStringLiteral("frmMain"))->hide();
        settle();
    }
    // The access key as the user presses it where the keyboard is; its click lands a moment
    // later, so the caller waits for what it does.
    static void alt(QWidget* focused, Qt::Key key) {
        QTest::keyClick(focused, key, Qt::AltModifier);
    }
    bool waitActive(const QString& name) {
        return QTest::qWaitFor([&] {
            settle();
            return active() == window(name);
        });
    }
    QLineEdit* caption(int n) const {
        return child<QLineEdit>(kPhotos, QStringLiteral("txtCaption%1").arg(n));
    }
    // A drawing of three colours, which is kept as PNG.
    QString drawing() const {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.fillRect(8, 8, 24, 24, Qt::darkGreen);
        p.fillRect(36, 20, 20, 20, Qt::yellow);
        p.end();
        const QString file = path(QStringLiteral("garage.png"));
        image.save(file);
        return file;
    }
};

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

// A story with one photo at 6 x 4.5 in, as the editor writes it, and the same story opened and
// saved again by a word processor (which scales a smaller goal size and adds a fallback
// picture): the photo comes back at its size, its bytes unchanged.
TEST(Picture, APhotoResavedByAWordProcessorComesBackAtItsSize) {
    for (const char* name : {"one-photo.rtf", "resaved-by-a-word-processor.rtf"}) {
        rtf::Document doc;
        ASSERT_TRUE(rtf::loadFile(
            QStringLiteral(KITHTALE_TEST_DATA_DIR "/photos/") + QLatin1String(name), doc));
        const auto shown = picturesOf(doc);
        ASSERT_EQ(shown.size(), 1u) << name;
        EXPECT_EQ(QSizeF(shown[0].format.width(), shown[0].format.height()), QSizeF(576, 432))
            << name;
        EXPECT_EQ(decoded(shown[0].bytes).size(), QSize(160, 120)) << name;
        EXPECT_TRUE(doc.toPlainText().contains(QStringLiteral("Our first car, 1962"))) << name;
    }
}

TEST_F(Photos, APhotoGivenOnAPageIsInTheStoryItsFilesItsPrintAndTheNextRun) {
    const auto& catalog = QuestionCatalog::instance();
    const CatalogEntry& whenGet = catalog.entry({SectionId::FirstCar, "WhenGet"});
    const CatalogEntry& getting = catalog.entry({SectionId::FirstCar, "Getting"});
    const QString page = QStringLiteral("frmFirstCar");
    openPage(page);

    // Something typed and not saved; then Alt+P from the second question's box.
    auto* car = child<QPlainTextEdit>(page, QStringLiteral("txtCar"));
    QTest::keyClicks(car, QStringLiteral("A blue Beetle"));
    auto* when = child<QPlainTextEdit>(page, QStringLiteral("txtWhenGet"));
    when->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return when->hasFocus(); }));
    QTest::keyClicks(when, QStringLiteral("In 1962"));
    alt(when, Qt::Key_P);
    ASSERT_TRUE(waitActive(kPhotos));
    EXPECT_FALSE(isShown(page));
    EXPECT_TRUE(
        child<QLabel>(kPhotos, QStringLiteral("lblQuestion"))->text().endsWith(qs(whenGet.text)));

    // Two pictures at once; the first new one's caption has the keyboard.
    dialogs->answerOpenFiles(QStringList{kExifPhoto, drawing()});
    click(kPhotos, QStringLiteral("cmdAdd"));
    EXPECT_TRUE(dialogs->opens.back().filter.startsWith(QStringLiteral("Pictures (")));
    ASSERT_EQ(state().photos.of(whenGet).size(), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption(1)->hasFocus(); }));
    QTest::keyClicks(caption(1), QStringLiteral("Our first car"));
    QTest::keyClick(caption(1), Qt::Key_Down);
    ASSERT_TRUE(caption(2)->hasFocus());
    QTest::keyClicks(caption(2), QStringLiteral("The garage"));
    alt(caption(2), Qt::Key_U); // the drawing first
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return state().photos.of(whenGet)[0].format == PhotoFormat::Png; }));
    const auto& photos = state().photos.of(whenGet);
    EXPECT_EQ(photos[0].caption, "The garage");
    EXPECT_EQ(photos[1].caption, "Our first car");
    EXPECT_EQ(static_cast<questionnaire::PhotoWindow*>(window(kPhotos))->currentPhoto(), 0);

    // Return: the page as it was left, with its count of photos.
    alt(caption(1), Qt::Key_R);
    ASSERT_TRUE(waitActive(page));
    EXPECT_EQ(car->toPlainText(), QStringLiteral("A blue Beetle"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return when->hasFocus(); }));
    auto* count = child<QLabel>(page, QStringLiteral("lblPhotosWhenGet"));
    EXPECT_TRUE(count->isVisible());
    EXPECT_EQ(count->text(), QStringLiteral("2 photos"));
    EXPECT_FALSE(child<QLabel>(page, QStringLiteral("lblPhotosCar"))->isVisible());
    EXPECT_TRUE(
        when->accessibleDescription().endsWith(QStringLiteral("This question has 2 photos.")));
    click(page, QStringLiteral("cmdSave"));

    // The story: after the answer, each photo after an empty line with its caption under it.
    dialogs->answerMessage(MsgButton::Ok);
    program->windows().show(QStringLiteral("frmTxtEditor"));
    window(page)->hide();
    settle();
    const QString obj(QChar::ObjectReplacementCharacter);
    EXPECT_TRUE(
        txt()->Text().contains(qs(whenGet.text) + QStringLiteral("\r\n\r\nIn 1962\r\n\r\n") + obj +
                               QStringLiteral("\r\nThe garage\r\n\r\n") + obj +
                               QStringLiteral("\r\nOur first car\r\n\r\n") + qs(getting.text)))
        << txt()->Text().toStdString();
    EXPECT_FALSE(txt()->document()->isUndoAvailable()) << "composing is no edit to undo";
    const auto shown = picturesOf(*txt()->document());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(QSizeF(shown[1].format.width(), shown[1].format.height()), QSizeF(20, 40));

    // Saved: the story with both pictures at their size, the data file, the photo folder.
    const QString rtf = path(QStringLiteral("Story.rtf"));
    dialogs->answerSave(rtf);
    trigger("mnuFileSaveAs");
    pressNoteOk();
    ASSERT_EQ(editor()->currentFile(), rtf);
    const QByteArray saved = contents(rtf);
    EXPECT_EQ(saved.count("\\pngblip"), 1);
    EXPECT_EQ(saved.count("\\jpegblip"), 1);
    EXPECT_TRUE(saved.contains("\\picwgoal300\\pichgoal600")) << "20 x 40 pixels in twips";
    rtf::Document reread;
    ASSERT_TRUE(rtf::loadFile(rtf, reread));
    const auto back = picturesOf(reread);
    ASSERT_EQ(back.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(back[i].format.width(), shown[i].format.width());
        EXPECT_EQ(back[i].format.height(), shown[i].format.height());
        EXPECT_EQ(back[i].bytes, shown[i].bytes);
    }
    const QString index =
        QString::fromUtf8(contents(path(QStringLiteral("Story photos/index.txt"))));
    EXPECT_EQ(index.count(QStringLiteral("FirstCar.WhenGet\t")), 2);
    EXPECT_TRUE(index.contains(QStringLiteral("\tThe garage\r\n")));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("Story.dat"))));

    // Printed: both pictures are in the PDF.
    const QString pdf = path(QStringLiteral("Story.pdf"));
    dialogs->answerPrinter(pdf);
    trigger("mnuFilePrint");
    EXPECT_EQ(test::pdfImageCount(pdf), 2);

    // A later run loads the answers with their photos and captions.
    const PhotoStore before = state().photos;
    trigger("mnuFileExit");
    ASSERT_TRUE(ended());
    program.reset();
    program = std::make_unique<app::Program>();
    enterMainMenu();
    ASSERT_TRUE(state().photos.empty());
    dialogs->answerMessage(MsgButton::Yes);
    dialogs->answerOpen(path(QStringLiteral("Story.dat")));
    click(QStringLiteral("frmMain"), QStringLiteral("cmdLoad"));
    EXPECT_EQ(state().photos, before);
    EXPECT_EQ(state().answers.text(whenGet.key), "In 1962");
}

TEST_F(Photos, ThePhotoWindowTellsAFileThatIsNoPictureAndRemovesOnlyOnYes) {
    const CatalogEntry& car = QuestionCatalog::instance().entry({SectionId::FirstCar, "Car"});
    state().photos.of(car).push_back({"\xFF\xD8\xFF", PhotoFormat::Jpeg, "kept"});
    state().photos.of(car).push_back({"\xFF\xD8\xFF!", PhotoFormat::Jpeg, "second"});
    openPage(QStringLiteral("frmFirstCar"));
    click(QStringLiteral("frmFirstCar"), QStringLiteral("cmdPhotos"));
    ASSERT_EQ(active(), window(kPhotos));
    const PhotoStore before = state().photos;

    dialogs->answerOpenFiles(QStringList{kNotAPicture});
    dialogs->answerMessage(MsgButton::Ok);
    click(kPhotos, QStringLiteral("cmdAdd"));
    EXPECT_EQ(dialogs->messages.back(),
              (MessageRequest{QStringLiteral("This file is not a picture that can be added to "
                                             "your story:\n\nnot-a-picture.jpg"),
                              QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok,
                              MsgButton::Ok}));
    EXPECT_EQ(state().photos, before);

    caption(2)->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption(2)->hasFocus(); }));
    dialogs->answerMessage(MsgButton::No);
    click(kPhotos, QStringLiteral("cmdRemove"));
    EXPECT_EQ(dialogs->messages.back().text,
              QStringLiteral("Do you want to take photo 2 out of your story?  The picture on your "
                             "computer stays as it is."));
    EXPECT_EQ(dialogs->messages.back().defaultButton, MsgButton::No);
    EXPECT_EQ(state().photos, before);
    dialogs->answerMessage(MsgButton::Yes);
    click(kPhotos, QStringLiteral("cmdRemove"));
    ASSERT_EQ(state().photos.of(car).size(), 1u);
    EXPECT_EQ(state().photos.of(car)[0].caption, "kept");
    EXPECT_TRUE(caption(1)->hasFocus());
    EXPECT_EQ(caption(2), nullptr);
}

TEST_F(Photos, AStoryWithoutPhotosIsTheComposedTextAndLeavesNoFolder) {
    openEditor();
    EXPECT_EQ(txt()->Text(), QString::fromStdString(DocumentComposer(state().answers)));
    dialogs->answerSave(path(QStringLiteral("Plain.rtf")));
    trigger("mnuFileSaveAs");
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    EXPECT_FALSE(contents(path(QStringLiteral("Plain.rtf"))).contains("\\pict"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("Plain.dat"), QStringLiteral("Plain.rtf")}));
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
