// The program as a user runs it, in a child process the fault tests kill:
//
//   safety_child FOLDER
//
// keeps its safety copy in FOLDER, opens frmChildhood1, types an answer and saves it, types
// into a second box and leaves it unsaved (fault::kTypedAndSaved, fault::kTypedNotSaved), and
// once the pause after the last key has brought the copy up to date prints "ready RUNFOLDER"
// and goes on running until it is killed.
#include "core/safety_copy.h"
#include "fault/fault_support.h"
#include "system/headless.h"
#include "ui/dialogs.h"
#include "windows/app/program.h"
#include "windows/app/safety_copy.h"
#include "windows/questionnaire/answer_page.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>

using namespace kt;

namespace {

// Nothing modal is expected here: whatever is asked is told on stderr and answered as a cancel.
class NoDialogs final : public ui::CancellingDialogs {
public:
    ui::MsgButton message(const ui::MessageRequest& r) override {
        std::fprintf(stderr, "safety_child: unexpected message: %s\n", qPrintable(r.text));
        return ui::MsgButton::Cancel;
    }
};

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Text as an input method hands it over: how characters no key sends arrive.
void commit(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

} // namespace

int main(int argc, char** argv) {
    system::useHeadlessDefaults("kithtale-test-runtime");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: safety_child FOLDER\n");
        return 2;
    }
    NoDialogs dialogs;
    ui::Dialogs::install(&dialogs);

    app::Program program;
    program.keepSafetyCopy(QString::fromLocal8Bit(argv[1]));
    app::SafetyCopy& copy = *program.safetyCopy();
    copy.setTimings({std::chrono::milliseconds(100), std::chrono::seconds(60)});
    program.start();
    settle();
    program.windows()
        .find(QStringLiteral("frmSplash"))
        ->findChild<QAbstractButton*>(QStringLiteral("cmdEnter"))
        ->click();
    settle();
    program.windows().show(QStringLiteral("frmChildhood1"));
    program.windows().find(QStringLiteral("frmMain"))->hide();
    settle();
    ui::ProgramWindow* page = program.windows().find(QStringLiteral("frmChildhood1"));
    auto* growUp = page->findChild<questionnaire::AnswerBox*>(QStringLiteral("txtGrowUp"));
    auto* toys = page->findChild<questionnaire::AnswerBox*>(QStringLiteral("txtToys"));

    QTest::keyClicks(growUp, QStringLiteral("We lived on \"Elm\" Street,"));
    QTest::keyClick(growUp, Qt::Key_Return);
    commit(growUp,
           QString::fromUtf8("na\xC3\xAFve caf\xC3\xA9 \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC "
                             "\xF0\x9F\x98\x80"));
    page->findChild<QAbstractButton*>(QStringLiteral("cmdSave"))->click();
    QTest::keyClicks(toys, QStringLiteral("A tin drum"));
    QTest::keyClick(toys, Qt::Key_Return);
    QTest::keyClicks(toys, QStringLiteral("and a kite."));

    // Ready once the copy on the disk holds both, as the pause after the last key wrote it.
    const std::string run = QFile::encodeName(copy.runFolder()).toStdString();
    const auto& all = QuestionCatalog::instance().all();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        safety::Copy onDisk;
        if (!copy.idle() || !safety::read(run, onDisk) ||
            onDisk.answers.textOf(all[0]) != fault::kTypedAndSaved ||
            onDisk.boxes[1] != fault::kTypedNotSaved)
            return;
        poll.stop();
        std::printf("ready %s\n", run.c_str());
        std::fflush(stdout);
    });
    poll.start(20);
    return QApplication::exec();
}
