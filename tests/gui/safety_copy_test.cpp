// The safety copy inside one process: what it keeps, when, what brings it back, and what drops
// it. A run that "dies" here is a Program destroyed without the program's own exit; a real kill
// is in tests/fault.
#include "editor_fixture.h"

#include "core/answer_data_file.h"
#include "core/safety_copy.h"
#include "windows/app/safety_copy.h"
#include "windows/questionnaire/answer_page.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace kt;
using namespace kt::test;
using namespace std::chrono_literals;
using ui::MsgButton;

namespace {

const QString kPage = QStringLiteral("frmChildhood1");

class SafetyCopy : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        ASSERT_TRUE(root.isValid());
        keep();
    }

    void keep() { keepSafetyCopy(root.path()); }
    app::SafetyCopy* copy() const { return program->safetyCopy(); }
    // The program goes without its own exit, as at a logout or a crash after the last write.
    void dieAndStartAgain() {
        dialogs->messages.clear(); // what the last run asked
        program.reset();
        program = std::make_unique<app::Program>();
        keep();
    }

    // The runs that have a copy or a lock in the folder.
    QStringList runs() const {
        return QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    safety::Copy onDisk() const {
        safety::Copy c;
        EXPECT_TRUE(safety::read(QFile::encodeName(copy()->runFolder()).toStdString(), c));
        return c;
    }
    bool hasCopy() const {
        return QFileInfo::exists(copy()->runFolder() + QStringLiteral("/copy.txt"));
    }

    void showPage() {
        program->windows().show(kPage);
        if (auto* menu = window(QStringLiteral("frmMain")))
            menu->hide();
        settle();
    }
    questionnaire::AnswerBox* box(const char* stem) const {
        return child<questionnaire::AnswerBox>(kPage,
                                               QStringLiteral("txt") + QString::fromLatin1(stem));
    }
    const ui::MessageRequest& onlyQuestion() const {
        EXPECT_EQ(dialogs->messages.size(), 1u);
        return dialogs->messages.back();
    }

    QTemporaryDir root;
};

TEST_F(SafetyCopy, WorkNoFileHoldsComesBackAfterTheProgramDies) {
    enterMainMenu();
    showPage();
    QTest::keyClicks(box("GrowUp"), QStringLiteral("Grandpa's \"farm\""));
    click(kPage, QStringLiteral("cmdSave"));
    const CatalogEntry& farm = *std::find_if(
        QuestionCatalog::instance().all().begin(), QuestionCatalog::instance().all().end(),
        [](const CatalogEntry& e) { return e.key.stem == std::string_view("GrowUp"); });
    state().photos.of(farm).push_back({"\xFF\xD8\xFF the barn", PhotoFormat::Jpeg, "The farm"});
    QTest::keyClicks(box("Toys"), QStringLiteral("A tin drum,"));
    QTest::keyClick(box("Toys"), Qt::Key_Return);
    ASSERT_TRUE(typeAndPause(box("Toys"), QStringLiteral("and a kite")));
    const AnswerStore saved = state().answers;
    const PhotoStore photos = state().photos;
    EXPECT_EQ(onDisk().answers, saved);
    EXPECT_EQ(onDisk().photos, photos);
    EXPECT_EQ(onDisk().boxes[1], "A tin drum,\r\nand a kite") << "the box's text, not yet saved";

    dieAndStartAgain();
    dialogs->answerMessage(MsgButton::Yes);
    enterMainMenu();
    const ui::MessageRequest& q = onlyQuestion();
    EXPECT_EQ(q.title, QStringLiteral("Kithtale"));
    EXPECT_EQ(q.icon, ui::MsgIcon::Question);
    EXPECT_EQ(q.buttons, MsgButton::Yes | MsgButton::No);
    EXPECT_EQ(q.defaultButton, MsgButton::Yes);
    EXPECT_TRUE(q.text.contains(QStringLiteral(" and holds 1 answer, 1 photo and writing on an "
                                               "answer page that had not been saved yet.")))
        << q.text.toStdString();
    EXPECT_TRUE(q.text.contains(QStringLiteral("asked once more"))) << q.text.toStdString();

    EXPECT_EQ(state().answers, saved);
    EXPECT_EQ(state().photos, photos);
    showPage();
    EXPECT_EQ(box("GrowUp")->answer(), "Grandpa's \"farm\"");
    EXPECT_EQ(box("Toys")->answer(), "A tin drum,\r\nand a kite");
    EXPECT_EQ(static_cast<questionnaire::AnswerPage*>(window(kPage))->modifiedFlag(),
              questionnaire::Modified::Yes)
        << "Return asks about it";

    // Once this run's copy holds it all, the copy it came from goes.
    ASSERT_TRUE(waitUntil([&] { return runs().size() == 1; })) << runs().join(u' ').toStdString();
    copy()->finishWriting();
    EXPECT_EQ(onDisk().answers, saved);
    EXPECT_EQ(onDisk().boxes[1], "A tin drum,\r\nand a kite");
}

TEST_F(SafetyCopy, OneNoKeepsTheCopyForTheNextStartAndASecondNoRemovesIt) {
    enterMainMenu();
    showPage();
    ASSERT_TRUE(typeAndPause(box("Games"), QStringLiteral("hopscotch")));
    const QString dead = QFileInfo(copy()->runFolder()).fileName();

    for (const char* expected : {"asked once more", "You chose No once before"}) {
        dieAndStartAgain();
        dialogs->answerMessage(MsgButton::No);
        enterMainMenu();
        EXPECT_TRUE(onlyQuestion().text.contains(QString::fromLatin1(expected)))
            << onlyQuestion().text.toStdString();
        dialogs->messages.clear();
        EXPECT_EQ(state().answers, AnswerStore()) << "nothing is restored";
    }
    EXPECT_FALSE(runs().contains(dead));
    dieAndStartAgain();
    enterMainMenu(); // and no question: the scripted dialogs fail the test on one
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(SafetyCopy, TheProgramsOwnExitsDropTheCopy) {
    // Closing a page from its title bar, then Yes.
    enterMainMenu();
    showPage();
    ASSERT_TRUE(typeAndPause(box("Hobbies"), QStringLiteral("stamps")));
    ASSERT_EQ(runs().size(), 1);
    dialogs->answerMessage(MsgButton::Yes);
    window(kPage)->close();
    ASSERT_TRUE(ended());
    EXPECT_TRUE(runs().isEmpty());

    // The editor's closing question answered No on its Exit.
    dieAndStartAgain();
    openEditor();
    txt()->moveCursor(QTextCursor::End);
    ASSERT_TRUE(typeAndPause(txt(), QStringLiteral("The end.")));
    EXPECT_TRUE(onDisk().story);
    dialogs->answerMessage(MsgButton::No);
    trigger("mnuFileExit");
    ASSERT_TRUE(ended());
    EXPECT_TRUE(runs().isEmpty());

    dieAndStartAgain();
    enterMainMenu();
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(SafetyCopy, ASaveThatWritesBothFilesLeavesNothingToOffer) {
    enterMainMenu();
    showPage();
    QTest::keyClicks(box("GrowUp"), QStringLiteral("on a farm"));
    click(kPage, QStringLiteral("cmdSave"));
    window(kPage)->hide();
    dialogs->answerMessage(MsgButton::Ok); // the reminder
    program->windows().show(QStringLiteral("frmTxtEditor"));
    settle();
    txt()->moveCursor(QTextCursor::End);
    ASSERT_TRUE(typeAndPause(txt(), QStringLiteral("Written in the editor.")));
    ASSERT_TRUE(hasCopy());
    EXPECT_TRUE(onDisk().story);

    trigger("mnuFileSave");
    dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    pressNoteOk();
    ASSERT_TRUE(QFileInfo::exists(path(QStringLiteral("Story.dat"))));
    ASSERT_TRUE(waitUntil([&] { return !hasCopy(); }));

    dieAndStartAgain();
    enterMainMenu();
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(runs(), QStringList{QFileInfo(copy()->runFolder()).fileName()})
        << "a run with nothing to offer leaves no folder";
}

TEST_F(SafetyCopy, AnswersJustLoadedFromAFileNeedNoCopy) {
    AnswerStore onFile;
    onFile.setText({SectionId::Final, "Self"}, "from the file");
    const QString dat = path(QStringLiteral("Earlier.dat"));
    ASSERT_TRUE(writeDataFile(QFile::encodeName(dat).toStdString(), onFile));
    enterMainMenu();
    showPage();
    ASSERT_TRUE(typeAndPause(box("GrowUp"), QStringLiteral("typed, then saved")));
    click(kPage, QStringLiteral("cmdSave"));
    ASSERT_TRUE(hasCopy());

    program->windows().show(QStringLiteral("frmMain"));
    window(kPage)->hide();
    settle();
    dialogs->answerMessage(MsgButton::Yes);
    dialogs->answerOpen(dat);
    click(QStringLiteral("frmMain"), QStringLiteral("cmdLoad"));
    ASSERT_EQ(state().answers, onFile);
    EXPECT_TRUE(waitUntil([&] { return !hasCopy(); }));
}

TEST_F(SafetyCopy, TheEditorsUnsavedStoryComesBackWithItsPicturesUnsavedInItsFile) {
    openEditor();
    trigger("mnuFileSaveAs");
    dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    EXPECT_FALSE(hasCopy()) << "what a file holds needs no copy";

    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(qRgb(200, 30, 10));
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    txt()->document()->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pic")), png);
    QTextCursor c = txt()->textCursor();
    c.movePosition(QTextCursor::End);
    QTextImageFormat picture;
    picture.setName(QStringLiteral("pic"));
    c.insertImage(picture);
    txt()->setTextCursor(c);
    ASSERT_TRUE(typeAndPause(txt(), QStringLiteral(" Grandma's kitchen.")));
    const QString text = txt()->Text();

    dieAndStartAgain();
    dialogs->answerMessage(MsgButton::Yes);
    enterMainMenu();
    EXPECT_TRUE(onlyQuestion().text.contains(
        QStringLiteral(" and holds the changes you had made to your life story.")))
        << onlyQuestion().text.toStdString();
    dialogs->answerMessage(MsgButton::Ok); // the reminder
    click(QStringLiteral("frmMain"), QStringLiteral("cmdSaveFile"));
    EXPECT_EQ(txt()->Text(), text);
    EXPECT_TRUE(editor()->documentModified());
    EXPECT_EQ(editor()->windowTitle(),
              path(QStringLiteral("Story.rtf")) + QStringLiteral(" - Text Editor"));
    QByteArray shown;
    for (QTextBlock b = txt()->document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                shown = txt()
                            ->document()
                            ->resource(QTextDocument::ImageResource,
                                       QUrl(it.fragment().charFormat().toImageFormat().name()))
                            .toByteArray();
    EXPECT_EQ(shown, png) << "the picture's own bytes";

    // Kept until a save: the story is in the run's copy now, and a second editor composes.
    ASSERT_TRUE(waitUntil([&] { return runs().size() == 1; }));
    copy()->finishWriting();
    EXPECT_TRUE(onDisk().story);
}

TEST_F(SafetyCopy, WhileInputGoesOnTheCopyIsStillWrittenAtLeastOnceAWhile) {
    copy()->setTimings({1h, 100ms});
    enterMainMenu();
    showPage();
    QSignalSpy written(copy(), &app::SafetyCopy::written);
    QElapsedTimer typing;
    typing.start();
    while (typing.elapsed() < 600) {
        QTest::keyClick(box("Games"), Qt::Key_A);
        QTest::qWait(10);
    }
    copy()->finishWriting();
    EXPECT_GE(written.count(), 1) << "no pause came, yet the longest wait was kept";
    EXPECT_EQ(onDisk().boxes[2].value_or("").substr(0, 3), "aaa");
}

} // namespace
