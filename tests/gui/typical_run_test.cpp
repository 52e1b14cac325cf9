// The typical run from end to end: splash, a section and a page, the answers saved, the story
// composed and saved through the note as .rtf and .dat, and a later run loading it back.
#include "core/question_catalog.h"
#include "editor_fixture.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTest>

using namespace kt;
using namespace kt::ui;

namespace {

class TypicalRun : public kt::test::EditorFixture {};

TEST_F(TypicalRun, FromTheSplashToASavedStoryAndALaterLoad) {
    const QuestionKey growUp{SectionId::Childhood, "GrowUp"};
    const QuestionKey toys{SectionId::Childhood, "Toys"};

    // 1. Enter on the splash: the main menu with every section bullet plain.
    enterMainMenu();
    ASSERT_EQ(active(), window(QStringLiteral("frmMain")));
    EXPECT_TRUE(child(QStringLiteral("frmMain"), QStringLiteral("cmdChildhood"))->isVisible());

    // 2. Childhood: its screen marks nothing yet.
    click(QStringLiteral("frmMain"), QStringLiteral("cmdChildhood"));
    ASSERT_EQ(active(), window(QStringLiteral("frmChildMain")));
    EXPECT_FALSE(isShown(QStringLiteral("frmMain")));
    EXPECT_FALSE(child(QStringLiteral("frmChildMain"), QStringLiteral("cmdGrowUp2"))->isVisible());

    // 3. A question's button: the page, with the focus in its first box.
    click(QStringLiteral("frmChildMain"), QStringLiteral("cmdGrowUp"));
    ASSERT_EQ(active(), window(QStringLiteral("frmChildhood1")));
    auto* first =
        child<QPlainTextEdit>(QStringLiteral("frmChildhood1"), QStringLiteral("txtGrowUp"));
    ASSERT_NE(first, nullptr);

    // 4. Answers typed and saved; Return twice marks the question and leaves the menu plain.
    QTest::keyClicks(first, QStringLiteral("A train driver"));
    QTest::keyClick(first, Qt::Key_Return);
    QTest::keyClicks(first, QStringLiteral("like my uncle."));
    QTest::keyClicks(
        child<QPlainTextEdit>(QStringLiteral("frmChildhood1"), QStringLiteral("txtToys")),
        QStringLiteral("A tin drum"));
    click(QStringLiteral("frmChildhood1"), QStringLiteral("cmdSave"));
    EXPECT_EQ(state().answers.text(growUp), "A train driver\r\nlike my uncle.");
    click(QStringLiteral("frmChildhood1"), QStringLiteral("cmdReturn"));
    ASSERT_EQ(active(), window(QStringLiteral("frmChildMain")));
    EXPECT_TRUE(child(QStringLiteral("frmChildMain"), QStringLiteral("cmdGrowUp2"))->isVisible());
    click(QStringLiteral("frmChildMain"), QStringLiteral("cmdReturn"));
    ASSERT_EQ(active(), window(QStringLiteral("frmMain")));

    // 5. The editor: the reminder, then the composed story with the answers.
    QString duringReminder = QStringLiteral("unset");
    dialogs->answerMessage(MsgButton::Ok, [&] { duringReminder = txt()->Text(); });
    click(QStringLiteral("frmMain"), QStringLiteral("cmdSaveFile"));
    ASSERT_EQ(active(), editor());
    EXPECT_TRUE(duringReminder.isEmpty());
    EXPECT_TRUE(txt()->Text().contains(
        QStringLiteral("when you grew up?\r\n\r\nA train driver\r\nlike my uncle.\r\n\r\n")));

    // 6. Save on the new document: the note, OK, the Save As dialog; both files written.
    trigger("mnuFileSave");
    ASSERT_TRUE(isShown(QStringLiteral("frmNote")));
    const QString rtf = path(QStringLiteral("Our Story.rtf"));
    dialogs->answerSave(rtf);
    pressNoteOk();
    EXPECT_TRUE(contents(rtf).startsWith("{\\rtf"));
    const QByteArray dat = contents(path(QStringLiteral("Our Story.dat")));
    EXPECT_TRUE(dat.startsWith("\"A train driver\r\nlike my uncle.\",\"A tin drum\","));
    EXPECT_TRUE(dat.endsWith("\r\n"));
    EXPECT_EQ(editor()->windowTitle(), rtf + QStringLiteral(" - Text Editor"));

    // Later saves of the named document write both at once.
    txt()->setSelStart(0);
    txt()->setSelText(QStringLiteral("For Emma and Jack.\r\n"));
    QFile::remove(path(QStringLiteral("Our Story.dat")));
    trigger("mnuFileSave");
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("Our Story.dat"))));
    EXPECT_FALSE(editor()->documentModified());

    // Opening the saved story shows what was saved.
    const QString saved = txt()->Text();
    dialogs->answerOpen(rtf);
    trigger("mnuFileOpen");
    EXPECT_EQ(txt()->Text(), saved);

    // Exit: nothing unsaved, so the program ends at once.
    trigger("mnuFileExit");
    EXPECT_TRUE(ended());

    // 7. A later run: Load Previously Saved Data brings the answers back.
    program.reset();
    program = std::make_unique<app::Program>();
    enterMainMenu();
    ASSERT_FALSE(state().answers.isAnswered(growUp));
    dialogs->answerMessage(MsgButton::Yes);
    dialogs->answerOpen(path(QStringLiteral("Our Story.dat")));
    click(QStringLiteral("frmMain"), QStringLiteral("cmdLoad"));
    EXPECT_EQ(state().answers.text(growUp), "A train driver\r\nlike my uncle.");
    EXPECT_EQ(state().answers.text(toys), "A tin drum");
    // The page's Save set its other boxes to the empty text; other pages' slots stayed unset.
    EXPECT_EQ(state().answers.value({SectionId::Childhood, "Games"}),
              std::optional<std::string>(""));
    EXPECT_FALSE(state().answers.value({SectionId::Childhood, "School"}).has_value());
}

} // namespace
