// The safety copy under real faults: the program killed with SIGKILL in a child process, and a
// disk that refuses the copy.
#include "core/safety_copy.h"
#include "fault/fault_support.h"
#include "support/program_fixture.h"
#include "windows/app/safety_copy.h"
#include "windows/questionnaire/answer_page.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kt;
using namespace kt::test;
using namespace std::chrono_literals;
using ui::MsgButton;

namespace {

class SafetyCopyFaults : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        ASSERT_TRUE(root.isValid());
        keep();
    }
    void keep() { keepSafetyCopy(root.path()); }
    app::SafetyCopy* copy() const { return program->safetyCopy(); }

    questionnaire::AnswerBox* showPage(const QString& name, const char* stem) {
        program->windows().show(name);
        window(QStringLiteral("frmMain"))->hide();
        settle();
        return child<questionnaire::AnswerBox>(name, QStringLiteral("txt") + QLatin1String(stem));
    }
    static safety::Copy read(const QString& run) {
        safety::Copy c;
        EXPECT_TRUE(safety::read(QFile::encodeName(run).toStdString(), c)) << run.toStdString();
        return c;
    }

    QTemporaryDir root;
};

TEST_F(SafetyCopyFaults, AfterAKillEveryAnswerAndBoxComesBackByteForByte) {
    QProcess killed;
    killed.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    killed.start(QStringLiteral(SAFETY_CHILD), {root.path()});
    ASSERT_TRUE(killed.waitForStarted());
    QString ready;
    while (!ready.startsWith(QStringLiteral("ready ")) && killed.waitForReadyRead(60'000))
        ready = QString::fromUtf8(killed.readLine()).trimmed();
    ASSERT_TRUE(ready.startsWith(QStringLiteral("ready "))) << "the child never got its copy";
    const QString childRun = ready.mid(6);

    // While it lives, a second run offers nothing and keeps a copy of its own.
    enterMainMenu();
    EXPECT_TRUE(dialogs->messages.empty()) << "a live run's copy is never offered";
    QWidget* self = showPage(QStringLiteral("frmFinal"), "Self");
    ASSERT_TRUE(typeAndPause(self, QStringLiteral("mine")));
    const QString ownRun = copy()->runFolder();
    ASSERT_NE(ownRun, childRun);
    const auto& all = QuestionCatalog::instance().all();
    EXPECT_EQ(read(ownRun).boxes[73], "mine");
    EXPECT_EQ(read(childRun).boxes[73], std::nullopt);
    EXPECT_EQ(read(childRun).boxes[1], fault::kTypedNotSaved);
    // Its own exit takes its copy, and only its.
    dialogs->answerMessage(MsgButton::Yes);
    window(QStringLiteral("frmFinal"))->close();
    ASSERT_TRUE(ended());
    EXPECT_FALSE(QDir(ownRun).exists());
    EXPECT_TRUE(QDir(childRun).exists());

    killed.kill(); // SIGKILL
    ASSERT_TRUE(killed.waitForFinished());
    ASSERT_EQ(killed.exitStatus(), QProcess::CrashExit);

    program.reset();
    program = std::make_unique<app::Program>();
    keep();
    dialogs->messages.clear();
    dialogs->answerMessage(MsgButton::Yes);
    enterMainMenu();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_TRUE(dialogs->messages.front().text.contains(
        QStringLiteral(" and holds 1 answer and writing on an answer page")))
        << dialogs->messages.front().text.toStdString();

    // Save wrote every box of the page: the one typed, and the others empty but set.
    AnswerStore expected;
    for (const CatalogEntry& e :
         QuestionCatalog::instance().questionsOnPage(SectionId::Childhood, 1))
        expected.setTextOf(e, "");
    expected.setTextOf(all[0], fault::kTypedAndSaved);
    EXPECT_EQ(state().answers, expected);
    showPage(QStringLiteral("frmChildhood1"), "GrowUp");
    const auto* page = window(QStringLiteral("frmChildhood1"));
    EXPECT_EQ(page->findChild<questionnaire::AnswerBox*>(QStringLiteral("txtGrowUp"))->answer(),
              fault::kTypedAndSaved);
    EXPECT_EQ(page->findChild<questionnaire::AnswerBox*>(QStringLiteral("txtToys"))->answer(),
              fault::kTypedNotSaved);
}

TEST_F(SafetyCopyFaults, AFullDiskIsToldOnceAndTypingGoesOn) {
    enterMainMenu();
    QWidget* box = showPage(QStringLiteral("frmChildhood1"), "Games");
    for (const CatalogEntry& e : QuestionCatalog::instance().all())
        state().answers.setTextOf(e, std::string(1000, 'x'));
    auto full = std::make_unique<fault::FileSizeLimit>(16 * 1024);
    ASSERT_TRUE(full->active());

    dialogs->answerMessage(MsgButton::Ok);
    EXPECT_FALSE(typeAndPause(box, QStringLiteral("ab")));
    EXPECT_TRUE(copy()->failing());
    ASSERT_EQ(dialogs->messages.size(), 1u);
    const ui::MessageRequest& told = dialogs->messages.front();
    EXPECT_TRUE(told.text.startsWith(
        QStringLiteral("Kithtale could not keep a safety copy of your writing just now.")));
    EXPECT_EQ(told.icon, ui::MsgIcon::Exclamation);
    EXPECT_EQ(told.buttons, MsgButton::Ok);

    // Not told again; the typing is all there.
    EXPECT_FALSE(typeAndPause(box, QStringLiteral("cd")));
    EXPECT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(static_cast<questionnaire::AnswerBox*>(box)->answer(), "abcd");

    // Room again: the next write succeeds and the copy is whole.
    full.reset();
    EXPECT_TRUE(typeAndPause(box, QStringLiteral("e")));
    EXPECT_FALSE(copy()->failing());
    const safety::Copy c = read(copy()->runFolder());
    EXPECT_EQ(c.boxes[2], "abcde");
    EXPECT_EQ(c.answers, state().answers);
}

} // namespace
