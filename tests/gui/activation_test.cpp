// The window model: one window per name, created when first needed, and the program's own
// tracking of its active window.
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"
#include "ui/program_window.h"
#include "ui/twips.h"
#include "ui/window_manager.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace kt::ui;

namespace {

class CountingWindow : public ProgramWindow {
public:
    explicit CountingWindow(const QString& name) : ProgramWindow(name, QStringLiteral("Kithtale")) {
        setFixedClientSizeTwips(3000, 1500);
    }
    void activated() override {
        ++activations;
        if (onActivated)
            onActivated();
    }
    int activations = 0;
    std::function<void()> onActivated;
    bool allowClose = true;
    int closeRequests = 0;

protected:
    bool closeRequested() override {
        ++closeRequests;
        return allowClose;
    }
};

class WindowModel : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"A", "B", "C"}) {
            const QString name = QString::fromLatin1(n);
            wm.registerWindow(name, [this, name] {
                ++created[name];
                return new CountingWindow(name);
            });
        }
    }
    void TearDown() override { wm.destroyAll(); }
    CountingWindow& win(const char* n) { return wm.get<CountingWindow>(QString::fromLatin1(n)); }
    static void pump() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    WindowManager wm;
    QHash<QString, int> created;
};

TEST_F(WindowModel, EachWindowExistsOnceAndIsCreatedWhenFirstNeeded) {
    EXPECT_EQ(wm.find(QStringLiteral("A")), nullptr);
    auto& a = win("A");
    EXPECT_EQ(&win("A"), &a);
    EXPECT_EQ(created[QStringLiteral("A")], 1);
    EXPECT_FALSE(a.isVisible()) << "creating is not showing";

    // A close nothing cancels destroys the window; the next use creates it afresh.
    wm.showWindow(a);
    pump();
    a.close();
    pump();
    EXPECT_EQ(wm.find(QStringLiteral("A")), nullptr);
    win("A");
    EXPECT_EQ(created[QStringLiteral("A")], 2);
}

TEST_F(WindowModel, ShowingMakesTheWindowActiveAndRunsItsHandlerOnlyWhenItChanges) {
    auto& a = win("A");
    auto& b = win("B");
    wm.showWindow(a);
    EXPECT_EQ(a.activations, 0) << "the handler runs after the caller's own handler has finished";
    pump();
    EXPECT_EQ(a.activations, 1);
    EXPECT_EQ(wm.activeWindow(), &a);

    wm.showWindow(a); // already the active window
    pump();
    EXPECT_EQ(a.activations, 1);

    // The usual road: show the target, then hide yourself.
    wm.showWindow(b);
    a.hide();
    pump();
    EXPECT_EQ(b.activations, 1);
    wm.showWindow(a);
    b.hide();
    pump();
    EXPECT_EQ(a.activations, 2);
    EXPECT_EQ(wm.activeWindow(), &a);
}

TEST_F(WindowModel, ABurstOfRequestsSettlesOnTheLastVisibleWindow) {
    auto& a = win("A");
    auto& b = win("B");
    auto& c = win("C");
    wm.showWindow(a);
    wm.showWindow(b);
    wm.showWindow(c);
    pump();
    EXPECT_EQ(a.activations + b.activations, 0);
    EXPECT_EQ(c.activations, 1);
}

TEST_F(WindowModel, ReturningFromAMessageBoxDoesNotReRunActivation) {
    auto& a = win("A");
    wm.showWindow(a);
    pump();
    ASSERT_EQ(a.activations, 1);

    // A real modal box over the window, closed from inside its own event loop.
    QTimer::singleShot(50, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    });
    const MsgButton answer = messageBox(QStringLiteral("Hello"), QStringLiteral("Kithtale"),
                                        MsgIcon::Information, MsgButton::Ok, MsgButton::Ok);
    EXPECT_EQ(answer, MsgButton::Ok);
    pump();
    wm.settle();
    EXPECT_EQ(a.activations, 1);
    EXPECT_EQ(wm.activeWindow(), &a);
}

TEST_F(WindowModel, ActivationByTheWindowSystemBetweenTwoVisibleWindows) {
    auto& editor = win("A");
    auto& note = win("B");
    wm.showWindow(editor);
    pump();
    wm.showWindow(note); // opens over the editor, which stays shown
    pump();
    ASSERT_EQ(note.activations, 1);
    ASSERT_EQ(editor.activations, 1);

    // The user clicks the editor behind the note.
    editor.activateWindow();
    pump();
    wm.settle();
    if (QApplication::activeWindow() != &editor)
        GTEST_SKIP() << "this platform plugin does not activate windows on request";
    EXPECT_EQ(editor.activations, 2);
    EXPECT_EQ(wm.activeWindow(), &editor);

    // Another application took the focus and gave it back: same window, no new activation.
    note.activateWindow();
    pump();
    wm.settle();
    EXPECT_EQ(note.activations, 2);
    QApplication::setActiveWindow(nullptr);
    pump();
    wm.settle();
    QApplication::setActiveWindow(&note);
    pump();
    wm.settle();
    EXPECT_EQ(note.activations, 2);
}

TEST_F(WindowModel, WindowSystemActivationOfAHiddenWindowIsIgnored) {
    auto& a = win("A");
    auto& b = win("B");
    wm.showWindow(a);
    pump();
    wm.showWindow(b);
    a.hide();
    // A late event for the window that has just hidden itself.
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&a, &activate);
    pump();
    wm.settle();
    EXPECT_EQ(a.activations, 1);
    EXPECT_EQ(b.activations, 1);
    EXPECT_EQ(wm.activeWindow(), &b);
}

TEST_F(WindowModel, HandlersThatShowAnotherWindowChainActivations) {
    auto& a = win("A");
    auto& b = win("B");
    a.onActivated = [&] {
        if (a.activations == 1) {
            wm.showWindow(b);
            a.hide();
        }
    };
    wm.showWindow(a);
    pump();
    EXPECT_EQ(a.activations, 1);
    EXPECT_EQ(b.activations, 1);
    EXPECT_EQ(wm.activeWindow(), &b);
}

TEST_F(WindowModel, EndingTheProgramHidesEverythingAndRunsNoFurtherHandler) {
    auto& a = win("A");
    auto& b = win("B");
    a.allowClose = false;
    wm.showWindow(a);
    wm.showWindow(b);
    pump();
    int ended = 0;
    QObject::connect(&wm, &WindowManager::programEnded, [&] { ++ended; });
    wm.endProgram();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(a.isVisible());
    EXPECT_FALSE(b.isVisible());

    const int before = a.activations + b.activations;
    wm.showWindow(a);
    pump();
    EXPECT_EQ(a.activations + b.activations, before);
    EXPECT_FALSE(a.isVisible());
    // Windows close without asking once the program is ending.
    QPointer<CountingWindow> guard(&a);
    a.close();
    pump();
    EXPECT_EQ(guard ? guard->closeRequests : 0, 0);
}

TEST_F(WindowModel, ACancelledCloseKeepsTheWindow) {
    auto& a = win("A");
    wm.showWindow(a);
    pump();
    a.allowClose = false;
    EXPECT_FALSE(a.close());
    EXPECT_TRUE(a.isVisible());
    EXPECT_EQ(wm.find(QStringLiteral("A")), &a);
}

TEST_F(WindowModel, CentringHappensOnceAndAWindowTheUserMovedStaysWhereItIs) {
    auto& a = win("A");
    a.centreOnScreen();
    wm.showWindow(a);
    pump();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = a.frameGeometry();
    EXPECT_EQ(outer.topLeft(),
              QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
    const QPoint moved = a.pos() + QPoint(37, 23);
    a.move(moved);
    a.hide();
    wm.showWindow(a);
    pump();
    EXPECT_EQ(a.pos(), moved);
}

TEST(Twips, ConversionAndCentring) {
    EXPECT_EQ(px(255), 17);
    EXPECT_EQ(px(120), 8);
    EXPECT_EQ(px(5565), 371);
    EXPECT_EQ(rectTw(120, 3240, 1095, 495), QRect(8, 216, 73, 33));
    // Halving exactly: an odd difference gives a half.
    EXPECT_EQ(centredPosition(QRect(0, 0, 1920, 1080), QSize(371, 283)), QPointF(774.5, 398.5));
    EXPECT_EQ(centredPosition(QRect(1920, 0, 1280, 1024), QSize(400, 300)), QPointF(2360, 362));
}

TEST(Dialogs, FilterListsBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters(QStringLiteral("Data Files (*.dat)|*.dat|")),
              QStringList{QStringLiteral("Data Files (*.dat)")});
    EXPECT_EQ(
        qtNameFilters(QStringLiteral(
            "Rich Text Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|All Files (*.*)|*.*")),
        (QStringList{QStringLiteral("Rich Text Files (*.rtf)"),
                     QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")}));
    EXPECT_EQ(qtNameFilters(QStringLiteral("Pictures|*.png;*.jpg")),
              QStringList{QStringLiteral("Pictures (*.png *.jpg)")});
}

} // namespace
