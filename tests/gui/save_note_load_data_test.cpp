// The save note's flag and the main menu's load of an answer data file, headless through the
// dialog seam.
#include "core/answer_data_file.h"
#include "core/question_catalog.h"
#include "support/program_fixture.h"
#include "ui/twips.h"
#include "windows/common/look.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;

namespace {

const QString kNote = QStringLiteral("frmNote");
const QString kEditor = QStringLiteral("frmTxtEditor");
const QString kMain = QStringLiteral("frmMain");

// Stands in for the text editor: records NoteAccepted at each of its activations.
class EditorStandIn : public ProgramWindow {
public:
    explicit EditorStandIn(ProgramState& state)
        : ProgramWindow(QStringLiteral("frmTxtEditor"), QStringLiteral("Kithtale")),
          m_state(state) {
        setFixedClientSizeTwips(9000, 6000);
    }
    void activated() override { seen.push_back(static_cast<char>(m_state.noteAccepted)); }
    std::string seen;

private:
    ProgramState& m_state;
};

class SaveNoteTest : public kt::test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        enterMainMenu();
        program->windows().registerWindow(kEditor, [this] { return new EditorStandIn(state()); });
        // The usual road to the note: main menu, editor, then the note over the editor.
        program->windows().show(kEditor);
        window(kMain)->hide();
        settle();
    }
    EditorStandIn& editor() { return *static_cast<EditorStandIn*>(window(kEditor)); }
    void showNote() {
        program->windows().show(kNote);
        settle();
    }
};

TEST_F(SaveNoteTest, TextsLayoutFontsAndColours) {
    showNote();
    auto* note = window(kNote);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->windowTitle(), QStringLiteral("Kithtale"));
    EXPECT_EQ(note->size(), sizeTw(5790, 4080));
    EXPECT_FALSE(note->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    struct Expect {
        const char* name;
        QRect place;
        QColor colour;
        QString text;
    };
    const Expect labels[] = {
        {"lblNote", rectTw(120, 600, 5535, 1695), look::navy(),
         QStringLiteral("When you save to a file, TWO files with the same name are actually "
                        "created:  The main file, with a '.rtf' extension, and a data file, with "
                        "a '.dat' extension.  These are saved in the same folder.  The '.dat' file "
                        "is used to reload your information into the text boxes if you quit, "
                        "restart the program and click on 'Load Previously Saved Data' on the Main "
                        "page.")},
        {"Label2", rectTw(120, 2400, 5655, 255), look::darkRed(),
         QStringLiteral("Don't delete either file if needed for future use!")},
        {"Label3", rectTw(120, 2760, 5535, 735), look::navy(),
         QStringLiteral("Changes to answers MUST be made in the individual text boxes in order to "
                        "reload the correct information later!")},
    };
    for (const auto& e : labels) {
        auto* label = child<QLabel>(kNote, QString::fromLatin1(e.name));
        ASSERT_NE(label, nullptr) << e.name;
        EXPECT_EQ(label->geometry(), e.place) << e.name;
        EXPECT_EQ(label->text(), e.text) << e.name;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), e.colour) << e.name;
        EXPECT_EQ(label->font().family(), QStringLiteral("Arial")) << e.name;
        EXPECT_TRUE(label->font().bold()) << e.name;
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 9.75) << e.name;
        EXPECT_TRUE(label->wordWrap()) << e.name;
    }

    auto* label1 = child<QLabel>(kNote, QStringLiteral("Label1"));
    ASSERT_NE(label1, nullptr);
    EXPECT_EQ(label1->text(), QStringLiteral("NOTE:"));
    EXPECT_EQ(label1->pos(), pointTw(120, 240));
    EXPECT_EQ(label1->size(), label1->sizeHint()) << "sized to its text";
    EXPECT_EQ(label1->palette().color(QPalette::WindowText), look::darkRed());
    EXPECT_TRUE(label1->font().bold());

    auto* ok = child<QPushButton>(kNote, QStringLiteral("cmdOK"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->geometry(), rectTw(2280, 3480, 1335, 495));
    EXPECT_DOUBLE_EQ(ok->font().pointSizeF(), 8.25);
    EXPECT_TRUE(ok->toolTip().isEmpty());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(SaveNoteTest, ActivationResetsTheFlagAndOkSetsItOnceAndBringsTheEditorBack) {
    ASSERT_EQ(editor().seen.size(), 1u);
    state().noteAccepted = NoteAccepted::Yes; // left over from somewhere: must not carry over
    showNote();
    EXPECT_EQ(state().noteAccepted, NoteAccepted::No);
    EXPECT_TRUE(isShown(kEditor)) << "the editor stays shown behind the note";
    EXPECT_EQ(active(), window(kNote));

    click(kNote, QStringLiteral("cmdOK"));
    EXPECT_EQ(state().noteAccepted, NoteAccepted::Yes);
    EXPECT_FALSE(isShown(kNote));
    ASSERT_NE(window(kNote), nullptr) << "OK hides the note, it does not destroy it";
    EXPECT_EQ(active(), window(kEditor));
    // The editor's activation saw the acceptance exactly once.
    EXPECT_EQ(editor().seen, "NY");
    settle();
    EXPECT_EQ(editor().seen.size(), 2u);
}

TEST_F(SaveNoteTest, ByKeyboardOkHasTheFocusAndEnterPressesIt) {
    showNote();
    auto* note = window(kNote);
    EXPECT_EQ(note->focusWidget(), child(kNote, QStringLiteral("cmdOK")));
    QTest::keyClick(note, Qt::Key_Return);
    settle();
    EXPECT_EQ(state().noteAccepted, NoteAccepted::Yes);
    EXPECT_FALSE(isShown(kNote));
    EXPECT_EQ(active(), window(kEditor));
}

TEST_F(SaveNoteTest, ASecondShowingResetsToNoUntilOkAgain) {
    showNote();
    click(kNote, QStringLiteral("cmdOK"));
    ASSERT_EQ(state().noteAccepted, NoteAccepted::Yes);

    showNote();
    EXPECT_EQ(state().noteAccepted, NoteAccepted::No);
    click(kNote, QStringLiteral("cmdOK"));
    EXPECT_EQ(state().noteAccepted, NoteAccepted::Yes);
    EXPECT_EQ(editor().seen, "NYY");
}

TEST_F(SaveNoteTest, TitleBarCloseDestroysItAndLeavesNo) {
    showNote();
    EXPECT_TRUE(window(kNote)->close());
    settle();
    EXPECT_EQ(window(kNote), nullptr) << "destroyed, created afresh when next shown";
    EXPECT_EQ(state().noteAccepted, NoteAccepted::No);
    EXPECT_TRUE(isShown(kEditor));
    EXPECT_FALSE(ended());
    EXPECT_TRUE(dialogs->messages.empty()) << "no question of its own";

    showNote();
    ASSERT_NE(window(kNote), nullptr);
    EXPECT_TRUE(isShown(kNote));
    EXPECT_EQ(state().noteAccepted, NoteAccepted::No);
}

// ---- LoadData -----------------------------------------------------------------------------

MessageRequest loadQuestion() {
    return {QStringLiteral("NOTE:  Previously saved data must be data previously saved by THIS "
                           "program and must have a '.dat' extension.  Also, any current data not "
                           "yet saved TO A FILE will be lost.  Do you still want to load "
                           "previously saved data?"),
            QStringLiteral("Kithtale"), MsgIcon::Question,
            MsgButton::Yes | MsgButton::No | MsgButton::Cancel, MsgButton::Cancel};
}

class LoadDataTest : public kt::test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        enterMainMenu();
        // Answers typed in this run, one slot left unset and one empty.
        for (const auto& e : QuestionCatalog::instance().all())
            state().answers.setTextOf(e, "typed today #" + std::to_string(e.sequence));
        state().answers.setUnset({SectionId::Jobs, "Best"});
        state().answers.setText({SectionId::Jobs, "Worst"}, "");
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void writeFile(const char* name, const std::string& bytes) const {
        std::ofstream out(QFile::encodeName(path(name)).toStdString(), std::ios::binary);
        out << bytes;
    }
    bool markShown(const char* bullet) const {
        return child(kMain, QString::fromLatin1(bullet) + QLatin1Char('2'))->isVisible();
    }
    void reactivateMainMenu() {
        auto& wm = program->windows();
        wm.registerWindow(QStringLiteral("frmElsewhere"), [] {
            return new ProgramWindow(QStringLiteral("frmElsewhere"), QStringLiteral("Kithtale"));
        });
        wm.show(QStringLiteral("frmElsewhere"));
        window(kMain)->hide();
        settle();
        wm.show(kMain);
        window(QStringLiteral("frmElsewhere"))->hide();
        settle();
    }

    QTemporaryDir dir;
};

TEST_F(LoadDataTest, EveryWayOutButAGoodFileLeavesTheStoreExactlyAsItWas) {
    writeFile("short.dat", ",,,,,,,,,\"\",,,,,\"cut here");
    writeFile("empty.dat", "");
    const AnswerStore before = state().answers;

    struct Case {
        const char* name;
        MsgButton answer;
        bool dialogAsked;
        std::optional<QString> chosen;
    };
    const Case cases[] = {
        {"No", MsgButton::No, false, {}},
        {"Cancel", MsgButton::Cancel, false, {}},
        {"dialog cancelled", MsgButton::Yes, true, std::nullopt},
        {"file missing", MsgButton::Yes, true, path("no such file.dat")},
        {"file short", MsgButton::Yes, true, path("short.dat")},
        {"file empty", MsgButton::Yes, true, path("empty.dat")},
        {"a folder", MsgButton::Yes, true, dir.path()},
    };
    for (const auto& c : cases) {
        dialogs->messages.clear();
        dialogs->opens.clear();
        dialogs->answerMessage(c.answer);
        if (c.dialogAsked)
            dialogs->answerOpen(c.chosen);
        click(kMain, QStringLiteral("cmdLoad"));

        ASSERT_EQ(dialogs->messages.size(), 1u) << c.name << ": no message of its own";
        EXPECT_EQ(dialogs->messages[0], loadQuestion()) << c.name;
        EXPECT_EQ(dialogs->opens.size(), c.dialogAsked ? 1u : 0u) << c.name;
        EXPECT_TRUE(state().answers == before) << c.name;
        EXPECT_TRUE(isShown(kMain)) << c.name;
        EXPECT_EQ(active(), window(kMain)) << c.name;
    }
}

TEST_F(LoadDataTest, TheOpenDialogIsAskedExactlySo) {
    dialogs->answerMessage(MsgButton::Yes);
    dialogs->answerOpen(std::nullopt);
    click(kMain, QStringLiteral("cmdLoad"));
    ASSERT_EQ(dialogs->opens.size(), 1u);
    FileRequest want;
    want.filter = QStringLiteral("Data Files (*.dat)|*.dat|");
    EXPECT_EQ(dialogs->opens[0], want);
    EXPECT_TRUE(dialogs->opens[0].initialName.isEmpty());
    EXPECT_FALSE(dialogs->opens[0].fileMustExist);
    EXPECT_EQ(dialogs->log,
              (QStringList{QStringLiteral("message:Kithtale"), QStringLiteral("open")}));
}

TEST_F(LoadDataTest, AGoodFileReplacesEverySlotUnsetIncludedWhateverItsExtension) {
    AnswerStore saved;
    for (const auto& e : QuestionCatalog::instance().questions(SectionId::FirstCar))
        saved.setTextOf(e, "from the file: " + std::string(e.key.stem));
    saved.setText({SectionId::Childhood, "Lived"}, "On a farm,\r\n\"the old place\"");
    saved.setText({SectionId::Travel, "Countries"},
                  "\xC5\x81\xC3\xB3\x64\xC5\xBA, \xCE\xB1\xCE\xB2");
    saved.setText({SectionId::Jobs, "Want"}, ""); // empty, not unset
    writeFile("copy of story.txt", encodeAnswerRecord(saved));

    dialogs->answerMessage(MsgButton::Yes);
    dialogs->answerOpen(path("copy of story.txt"));
    click(kMain, QStringLiteral("cmdLoad"));

    EXPECT_TRUE(state().answers == saved);
    EXPECT_FALSE(state().answers.value({SectionId::Childhood, "GrowUp"}).has_value())
        << "an answer typed today is gone where the file says unset";
    EXPECT_EQ(state().answers.value({SectionId::Jobs, "Want"}), std::optional<std::string>(""));
    EXPECT_EQ(dialogs->messages.size(), 1u) << "no message after a load";
}

TEST_F(LoadDataTest, MarksFollowAtTheNextActivationOnly) {
    // A section completed by the loaded answers, through the label this time.
    AnswerStore saved;
    for (const auto& e : QuestionCatalog::instance().questions(SectionId::Wedding))
        saved.setTextOf(e, "yes");
    writeFile("story.dat", encodeAnswerRecord(saved));
    ASSERT_FALSE(markShown("cmdWedding"));

    dialogs->answerMessage(MsgButton::Yes);
    dialogs->answerOpen(path("story.dat"));
    auto* label = child<QLabel>(kMain, QStringLiteral("lblLoad"));
    ASSERT_NE(label, nullptr);
    QTest::mouseClick(label, Qt::LeftButton);
    settle();
    ASSERT_TRUE(state().answers == saved);

    EXPECT_FALSE(markShown("cmdWedding")) << "nothing is refreshed while the menu stays in front";
    EXPECT_TRUE(child(kMain, QStringLiteral("cmdWedding"))->isVisible());
    reactivateMainMenu();
    EXPECT_TRUE(markShown("cmdWedding"));
    EXPECT_FALSE(child(kMain, QStringLiteral("cmdWedding"))->isVisible());
}

} // namespace
