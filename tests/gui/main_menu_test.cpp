// Start-up, the main menu's marks and the exit confirmation.
#include "core/question_catalog.h"
#include "support/program_fixture.h"
#include "ui/twips.h"
#include "windows/app/main_menu.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;
using kt::test::confirmExitRequest;

namespace {

const char* const kSectionBullets[] = {"cmdChildhood", "cmdHighSch", "cmdFirstCar", "cmdVolunteer",
                                       "cmdJobs",      "cmdCollege", "cmdMilitary", "cmdWedding",
                                       "cmdTravel",    "cmdLife",    "cmdFinal"};

class MainMenuTest : public kt::test::ProgramFixture {
protected:
    bool plainShown(const char* bullet) const {
        return child(QStringLiteral("frmMain"), QString::fromLatin1(bullet))->isVisible();
    }
    bool markShown(const char* bullet) const {
        return child(QStringLiteral("frmMain"), QString::fromLatin1(bullet) + QLatin1Char('2'))
            ->isVisible();
    }
    void answerSection(SectionId id, const std::string& text) {
        for (const auto& e : QuestionCatalog::instance().questions(id))
            state().answers.setText(e.key, text);
    }
    // Leaves the main menu for a moment and comes back, so that it becomes active again.
    void reactivateMainMenu() {
        auto& wm = program->windows();
        wm.registerWindow(QStringLiteral("frmElsewhere"), [] {
            return new ProgramWindow(QStringLiteral("frmElsewhere"), QStringLiteral("Kithtale"));
        });
        wm.show(QStringLiteral("frmElsewhere"));
        window(QStringLiteral("frmMain"))->hide();
        settle();
        wm.show(QStringLiteral("frmMain"));
        window(QStringLiteral("frmElsewhere"))->hide();
        settle();
    }
};

TEST_F(MainMenuTest, StartUpCreatesTheMainMenuHiddenAndEnterShowsIt) {
    program->start();
    settle();
    EXPECT_TRUE(isShown(QStringLiteral("frmSplash")));
    ASSERT_NE(window(QStringLiteral("frmMain")), nullptr) << "created with the splash";
    EXPECT_FALSE(isShown(QStringLiteral("frmMain")));
    EXPECT_EQ(window(QStringLiteral("frmSplash"))->windowTitle(), QStringLiteral("Kithtale"));

    // Enter is the splash's default button.
    QTest::keyClick(window(QStringLiteral("frmSplash")), Qt::Key_Return);
    settle();
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));
    EXPECT_FALSE(isShown(QStringLiteral("frmSplash")));
    EXPECT_EQ(active(), window(QStringLiteral("frmMain")));
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(MainMenuTest, SplashExitEndsWithoutAQuestion) {
    program->start();
    settle();
    click(QStringLiteral("frmSplash"), QStringLiteral("cmdExit"));
    EXPECT_TRUE(ended());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(MainMenuTest, FreshRunShowsEveryBulletPlain) {
    enterMainMenu();
    for (const char* b : kSectionBullets) {
        EXPECT_TRUE(plainShown(b)) << b;
        EXPECT_FALSE(markShown(b)) << b;
    }
    for (const char* b : {"cmdInfo", "cmdInstruc", "cmdDistribution", "cmdWarranty", "cmdShareware",
                          "cmdSaveFile", "cmdLoad"}) {
        auto* bullet = child<BulletButton>(QStringLiteral("frmMain"), QString::fromLatin1(b));
        ASSERT_NE(bullet, nullptr) << b;
        EXPECT_TRUE(bullet->isVisible());
        EXPECT_FALSE(bullet->showsCheck());
        EXPECT_EQ(child(QStringLiteral("frmMain"), QString::fromLatin1(b) + QLatin1Char('2')),
                  nullptr);
    }
}

TEST_F(MainMenuTest, ACompleteSectionIsMarkedAtTheNextActivationAndNeverUnmarked) {
    enterMainMenu();
    // Every answer non-empty, one of them a single space: complete.
    answerSection(SectionId::FirstCar, "a red coupe");
    state().answers.setText({SectionId::FirstCar, "Stories"}, " ");
    // All but one answered: not complete.
    answerSection(SectionId::Jobs, "yes");
    state().answers.setText({SectionId::Jobs, "Dream"}, "");

    EXPECT_TRUE(plainShown("cmdFirstCar")) << "nothing changes while the menu stays in front";
    reactivateMainMenu();
    EXPECT_TRUE(markShown("cmdFirstCar"));
    EXPECT_FALSE(plainShown("cmdFirstCar"));
    EXPECT_TRUE(plainShown("cmdJobs"));
    EXPECT_FALSE(markShown("cmdJobs"));

    state().answers.setText({SectionId::FirstCar, "Car"}, "");
    reactivateMainMenu();
    EXPECT_TRUE(markShown("cmdFirstCar")) << "a mark stays for the rest of the run";
    EXPECT_FALSE(plainShown("cmdFirstCar"));
}

TEST_F(MainMenuTest, ExitAsksAndNoKeepsEverything) {
    enterMainMenu();
    dialogs->answerMessage(MsgButton::No);
    click(QStringLiteral("frmMain"), QStringLiteral("cmdExit"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0], confirmExitRequest());
    EXPECT_FALSE(ended());
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));

    dialogs->answerMessage(MsgButton::No);
    EXPECT_FALSE(window(QStringLiteral("frmMain"))->close());
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));
    EXPECT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[1], confirmExitRequest());
}

TEST_F(MainMenuTest, ExitYesEndsAtOnce) {
    enterMainMenu();
    dialogs->answerMessage(MsgButton::Yes);
    click(QStringLiteral("frmMain"), QStringLiteral("cmdExit"));
    EXPECT_TRUE(ended());
    EXPECT_FALSE(isShown(QStringLiteral("frmMain")));
    EXPECT_EQ(dialogs->messages.size(), 1u);
}

TEST_F(MainMenuTest, TitleBarCloseYesEndsAtOnce) {
    enterMainMenu();
    dialogs->answerMessage(MsgButton::Yes);
    window(QStringLiteral("frmMain"))->close();
    settle();
    EXPECT_TRUE(ended());
}

TEST_F(MainMenuTest, EntriesCaptionsToolTipsPlacesAndFonts) {
    enterMainMenu();
    auto* menu = window(QStringLiteral("frmMain"));
    EXPECT_EQ(menu->size(), sizeTw(5565, 3870));
    struct Row {
        const char *label, *caption, *tip, *bullet;
        int x, y, labelX;
    };
    const Row rows[] = {
        {"lblInfo", "&About this Program", "Information about this program.", "cmdInfo", 120, 120,
         480},
        {"lblWarranty", "Warrant&y", "Warranty information about this program.", "cmdWarranty", 120,
         1200, 480},
        {"lblVolun", "&Volunteering", "Questions about your volunteer services.", "cmdVolunteer",
         120, 3000, 480},
        {"lblJobs", "&Jobs", "Questions about your jobs.", "cmdJobs", 2880, 120, 3240},
        {"lblFinal", "Fi&nal Thoughts", "For your final comments.", "cmdFinal", 2880, 2280, 3240},
        {"lblSave", "Edit Text && Save to File", "", "cmdSaveFile", 2880, 2640, 3240},
        {"lblLoad", "Load Previously Saved Data", "", "cmdLoad", 1080, 3360, 1440},
    };
    for (const Row& r : rows) {
        auto* label = child<QLabel>(QStringLiteral("frmMain"), QString::fromLatin1(r.label));
        auto* bullet = child<QWidget>(QStringLiteral("frmMain"), QString::fromLatin1(r.bullet));
        ASSERT_TRUE(label && bullet) << r.label;
        EXPECT_EQ(label->text(), QString::fromLatin1(r.caption));
        EXPECT_EQ(label->toolTip(), QString::fromLatin1(r.tip));
        EXPECT_EQ(label->buddy(), bullet);
        EXPECT_EQ(label->pos(), pointTw(r.labelX, r.y));
        EXPECT_EQ(label->font().family(), QStringLiteral("Arial"));
        EXPECT_TRUE(label->font().bold());
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 9.75);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), look::navy());
        EXPECT_EQ(bullet->geometry(), rectTw(r.x, r.y, 255, 255));
        EXPECT_TRUE(bullet->toolTip().isEmpty());
    }
    auto* exit = child<QPushButton>(QStringLiteral("frmMain"), QStringLiteral("cmdExit"));
    EXPECT_EQ(exit->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(exit->toolTip(), QStringLiteral("Click here to exit the program."));
    EXPECT_EQ(exit->geometry(), rectTw(4320, 3240, 1095, 495));
}

TEST_F(MainMenuTest, TabOrderWalksTheColumnsThenExitThenMarksThenLoad) {
    enterMainMenu();
    const auto walk = [this](int steps) {
        QWidget* w = child(QStringLiteral("frmMain"), QStringLiteral("cmdInfo"));
        QStringList walked;
        for (int i = 0; i < steps; ++i) {
            walked << w->objectName();
            do
                w = w->nextInFocusChain();
            while (!(w->isVisible() && (w->focusPolicy() & Qt::TabFocus)));
        }
        return walked;
    };
    QStringList info;
    for (const char* n :
         {"cmdInfo", "cmdInstruc", "cmdDistribution", "cmdWarranty", "cmdShareware"})
        info << QString::fromLatin1(n);

    QStringList fresh = info;
    for (const char* b : kSectionBullets)
        fresh << QString::fromLatin1(b);
    fresh << QStringLiteral("cmdSaveFile") << QStringLiteral("cmdExit")
          << QStringLiteral("cmdLoad");
    EXPECT_EQ(walk(fresh.size()), fresh);

    // Once every section is marked, the marks take the focus after Exit, in section order.
    for (SectionId id : kAllSections)
        answerSection(id, "x");
    reactivateMainMenu();
    QStringList marked = info;
    marked << QStringLiteral("cmdSaveFile") << QStringLiteral("cmdExit");
    for (const char* b : kSectionBullets)
        marked << QString::fromLatin1(b) + QLatin1Char('2');
    marked << QStringLiteral("cmdLoad");
    EXPECT_EQ(walk(marked.size()), marked);
}

TEST_F(MainMenuTest, AccessKeyOfALabelFocusesItsBullet) {
    enterMainMenu();
    auto* menu = window(QStringLiteral("frmMain"));
    menu->activateWindow();
    settle();
    QTest::keyClick(menu, Qt::Key_Y, Qt::AltModifier);
    settle();
    auto* bullet = child<QPushButton>(QStringLiteral("frmMain"), QStringLiteral("cmdWarranty"));
    ASSERT_TRUE(QTest::qWaitFor([bullet] { return QApplication::focusWidget() == bullet; }));
    // Only the focus moves: no click of the bullet is under way, and the entry opens when the
    // user presses it.
    EXPECT_FALSE(bullet->isDown());
    settle();
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));
    EXPECT_FALSE(isShown(QStringLiteral("frmWarranty")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    settle();
    EXPECT_TRUE(isShown(QStringLiteral("frmWarranty")));
}

} // namespace
