// The section screens: layout, marks, opening pages and returning.
#include "core/program_state.h"
#include "questionnaire_fixture.h"
#include "ui/twips.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QLabel>
#include <QPushButton>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;
using namespace kt::questionnaire;
using kt::test::confirmExitRequest;
using kt::test::qs;
using kt::test::screenOf;

namespace {

class SectionScreenTest : public kt::test::QuestionnaireFixture {
protected:
    QString row(const CatalogEntry& e, const char* kind) const {
        return QString::fromLatin1(kind) + qs(e.screenStem);
    }
    bool plainShown(const QString& s, const CatalogEntry& e) const {
        return child(s, row(e, "cmd"))->isVisible();
    }
    bool markShown(const QString& s, const CatalogEntry& e) const {
        return child(s, row(e, "cmd") + QLatin1Char('2'))->isVisible();
    }
};

TEST_F(SectionScreenTest, EveryScreenListsItsQuestionsAsRowsInTabOrder) {
    enterMainMenu();
    for (const SectionInfo& section : QuestionCatalog::instance().sections()) {
        const QString s = screenOf(section.id);
        SCOPED_TRACE(s.toStdString());
        openScreen(s);
        ASSERT_EQ(active(), window(s));
        auto* w = window(s);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Kithtale - ") + qs(section.displayName));

        auto* ret = child<QPushButton>(s, QStringLiteral("cmdReturn"));
        ASSERT_NE(ret, nullptr);
        EXPECT_EQ(ret->text(), QStringLiteral("&Return to Main"));
        EXPECT_EQ(ret->size(), sizeTw(1695, 495));
        EXPECT_EQ(ret->font().pointSizeF(), look::dialogFont().pointSizeF());
        EXPECT_FALSE(ret->isDefault() || ret->autoDefault());
        EXPECT_TRUE(w->rect().contains(ret->geometry()));

        QStringList tabs, marks;
        int lastTextBottom = -1;
        int lastY = -1;
        for (const CatalogEntry& e : QuestionCatalog::instance().questions(section.id)) {
            SCOPED_TRACE(qs(e.screenStem).toStdString());
            auto* plain = child<BulletButton>(s, row(e, "cmd"));
            auto* mark = child<BulletButton>(s, row(e, "cmd") + QLatin1Char('2'));
            auto* label = child<ClickLabel>(s, row(e, "lbl"));
            ASSERT_TRUE(plain && mark && label);
            EXPECT_FALSE(plain->showsCheck());
            EXPECT_TRUE(mark->showsCheck());
            EXPECT_TRUE(plain->isVisible()) << "a fresh run shows every row plain";
            EXPECT_FALSE(mark->isVisible());
            EXPECT_EQ(plain->geometry(), QRect(pointTw(120, 0).x(), label->y(), px(255), px(255)));
            EXPECT_EQ(mark->geometry(), plain->geometry());
            EXPECT_EQ(label->x(), px(480));
            EXPECT_GT(label->y(), lastY) << "rows in ordinal order";
            lastY = label->y();
            EXPECT_EQ(label->text(), qs(e.text));
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << "no access key";
            EXPECT_EQ(label->buddy(), nullptr);
            EXPECT_TRUE(label->wordWrap());
            EXPECT_EQ(label->font().family(), QStringLiteral("Arial"));
            EXPECT_TRUE(label->font().bold());
            EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 9.75);
            EXPECT_EQ(label->palette().color(QPalette::WindowText), look::navy());
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
            for (QWidget* c : {static_cast<QWidget*>(plain), static_cast<QWidget*>(mark),
                               static_cast<QWidget*>(label)})
                EXPECT_TRUE(c->toolTip().isEmpty());
            // The wrapped text fits its label and ends above the next row.
            const int textHeight = label->heightForWidth(label->width());
            EXPECT_LE(textHeight, label->height()) << "text cut off";
            EXPECT_GT(label->y(), lastTextBottom);
            lastTextBottom = label->y() + textHeight;
            EXPECT_LE(label->geometry().right(), w->width());
            tabs << plain->objectName();
            marks << mark->objectName();
        }
        EXPECT_GT(ret->y(), lastTextBottom) << "Return below the last row";
        tabs << QStringLiteral("cmdReturn") << tabs.front();
        EXPECT_EQ(tabWalk(child(s, tabs.front()), static_cast<int>(tabs.size())), tabs);

        // Once every row is marked, the marks follow Return in row order.
        for (const CatalogEntry& e : QuestionCatalog::instance().questions(section.id))
            state().answers.setText(e.key, "x");
        reactivate(s);
        QStringList marked{QStringLiteral("cmdReturn")};
        marked << marks << QStringLiteral("cmdReturn");
        EXPECT_EQ(tabWalk(child(s, QStringLiteral("cmdReturn")), static_cast<int>(marked.size())),
                  marked);
        click(s, QStringLiteral("cmdReturn"));
    }
}

// The rows' places as written for First Car, and the screens whose sizes differ.
TEST_F(SectionScreenTest, RowsLabelsAndReturnStandWhereTheyAreGiven) {
    enterMainMenu();
    struct Geometry {
        const char* screen;
        const char* label;
        int y, width, height;
    };
    const Geometry rows[] = {
        {"frmCarMain", "lblCar", 120, 6225, 255},
        {"frmCarMain", "lblWhenGet", 480, 6225, 255},
        {"frmCarMain", "lblLike", 840, 6225, 255},
        {"frmCarMain", "lblLength", 1200, 6225, 255},
        {"frmCarMain", "lblStories", 1560, 6225, 255},
        {"frmChildMain", "lblGrowUp", 120, 6225, 495},
        {"frmChildMain", "lblHobbies", 2040, 6105, 255},
        {"frmChildMain", "lblParents", 4320, 6225, 255},
        {"frmJobsMain", "lblFirstJob", 120, 5865, 255},
        {"frmJobsMain", "lblWant", 1200, 5985, 255},
        {"frmJobsMain", "lblDream", 1560, 5865, 255},
        {"frmFinalMain", "lblSelf", 120, 5745, 255},
        {"frmFinalMain", "lblQuestions", 840, 5745, 495},
        {"frmCollegeMain", "lblWhereWhen", 120, 6225, 255},
        {"frmCollegeMain", "lblGraduate", 2280, 6225, 735},
        {"frmCollegeMain", "lblStories", 4560, 6225, 255},
        {"frmVolunMain", "lblVolunteer", 120, 6225, 255},
        {"frmMilitaryMain", "lblPeople", 2040, 6225, 375},
        {"frmLifeMain", "lblLearn", 1920, 6225, 375},
    };
    for (const Geometry& g : rows) {
        SCOPED_TRACE(std::string(g.screen) + "." + g.label);
        auto& w = program->windows().get(QString::fromLatin1(g.screen));
        auto* label = w.findChild<QLabel*>(QString::fromLatin1(g.label));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(), rectTw(480, g.y, g.width, g.height));
    }
    struct Screen {
        const char* screen;
        int w, h, returnX, returnY;
    };
    const Screen screens[] = {
        {"frmChildMain", 6885, 5295, 5040, 4680},    {"frmHighSchMain", 6825, 4470, 4920, 3840},
        {"frmCarMain", 6765, 2640, 4920, 2040},      {"frmVolunMain", 6765, 3045, 4920, 2400},
        {"frmJobsMain", 6525, 2565, 4680, 1920},     {"frmCollegeMain", 6810, 5520, 5040, 4920},
        {"frmMilitaryMain", 6825, 4215, 4920, 3600}, {"frmWeddingMain", 6765, 4470, 4920, 3840},
        {"frmTravelMain", 6780, 3705, 4920, 3120},   {"frmLifeMain", 6690, 3000, 4800, 2400},
        {"frmFinalMain", 6270, 2535, 4440, 1920},
    };
    for (const Screen& sc : screens) {
        SCOPED_TRACE(sc.screen);
        auto& w = program->windows().get(QString::fromLatin1(sc.screen));
        EXPECT_EQ(w.size(), sizeTw(sc.w, sc.h));
        EXPECT_EQ(w.findChild<QPushButton*>(QStringLiteral("cmdReturn"))->pos(),
                  pointTw(sc.returnX, sc.returnY));
    }
}

// Every row of every screen, by each of its three controls, opens the row's page; the page's
// Return brings the screen back.
TEST_F(SectionScreenTest, AllThreeControlsOfEveryRowOpenTheRowsPage) {
    enterMainMenu();
    int opened = 0;
    for (const char* kind : {"cmd", "lbl", "cmd2"}) {
        for (const SectionInfo& section : QuestionCatalog::instance().sections()) {
            const QString s = screenOf(section.id);
            if (std::string_view(kind) == "cmd2") {
                for (const CatalogEntry& e : QuestionCatalog::instance().questions(section.id))
                    state().answers.setText(e.key, " ");
            }
            openScreen(s);
            for (const CatalogEntry& e : QuestionCatalog::instance().questions(section.id)) {
                SCOPED_TRACE(s.toStdString() + " " + kind + std::string(e.screenStem));
                const QString page = answerPageName(e.section(), e.page);
                if (std::string_view(kind) == "lbl") {
                    auto* label = child<ClickLabel>(s, row(e, "lbl"));
                    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(4, 4));
                    settle();
                } else if (std::string_view(kind) == "cmd") {
                    click(s, row(e, "cmd"));
                } else {
                    ASSERT_TRUE(markShown(s, e));
                    click(s, row(e, "cmd") + QLatin1Char('2'));
                }
                ASSERT_EQ(active(), window(page));
                EXPECT_TRUE(isShown(page));
                EXPECT_FALSE(isShown(s));
                ++opened;
                click(page, QStringLiteral("cmdReturn"));
                ASSERT_EQ(active(), window(s));
            }
            click(s, QStringLiteral("cmdReturn"));
        }
    }
    EXPECT_EQ(opened, 3 * 77);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(SectionScreenTest, SpaceOrEnterOnABulletOpensThePage) {
    const QString s = QStringLiteral("frmCarMain");
    openScreen(s);
    struct Case {
        const char* bullet;
        Qt::Key key;
    };
    for (const Case c : {Case{"cmdLike", Qt::Key_Space}, Case{"cmdLength", Qt::Key_Return},
                         Case{"cmdStories", Qt::Key_Enter}}) {
        SCOPED_TRACE(c.bullet);
        auto* bullet = child(s, QString::fromLatin1(c.bullet));
        bullet->setFocus();
        QTest::keyClick(bullet, c.key);
        settle();
        EXPECT_EQ(active(), window(QStringLiteral("frmFirstCar")));
        EXPECT_FALSE(isShown(s));
        click(QStringLiteral("frmFirstCar"), QStringLiteral("cmdReturn"));
    }
    // The answered look opens alike.
    state().answers.setText({SectionId::FirstCar, "Car"}, "Ford");
    reactivate(s);
    auto* mark = child(s, QStringLiteral("cmdCar2"));
    mark->setFocus();
    QTest::keyClick(mark, Qt::Key_Space);
    settle();
    EXPECT_EQ(active(), window(QStringLiteral("frmFirstCar")));
}

TEST_F(SectionScreenTest, ARowOfChildhoodOpensItsPageWithTheFocusInTheFirstQuestion) {
    const QString s = QStringLiteral("frmChildMain");
    openScreen(s);
    click(s, QStringLiteral("cmdHobbies"));
    ASSERT_EQ(active(), window(QStringLiteral("frmChildhood1")));
    EXPECT_EQ(window(QStringLiteral("frmChildhood1"))->focusWidget(),
              box(QStringLiteral("frmChildhood1"), "GrowUp"));
    click(QStringLiteral("frmChildhood1"), QStringLiteral("cmdReturn"));
    click(s, QStringLiteral("cmdParents"));
    EXPECT_EQ(active(), window(QStringLiteral("frmChildhood2")));
    EXPECT_EQ(window(QStringLiteral("frmChildhood2"))->focusWidget(),
              box(QStringLiteral("frmChildhood2"), "School"));
}

TEST_F(SectionScreenTest, TheRowsWithOtherStemsOpenTheirPages) {
    struct Case {
        const char* screen;
        const char* bullet;
        const char* page;
    };
    const Case cases[] = {
        {"frmCarMain", "cmdLike", "frmFirstCar"},
        {"frmCollegeMain", "cmdLeast", "frmCollege2"},
        {"frmCollegeMain", "cmdWhereWhen", "frmCollege1"},
        {"frmCollegeMain", "cmdNotGrad", "frmCollege3"},
        {"frmVolunMain", "cmdVolunteer", "frmVolun1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bullet);
        openScreen(QString::fromLatin1(c.screen));
        click(QString::fromLatin1(c.screen), QString::fromLatin1(c.bullet));
        EXPECT_EQ(active(), window(QString::fromLatin1(c.page)));
        click(QString::fromLatin1(c.page), QStringLiteral("cmdReturn"));
        click(QString::fromLatin1(c.screen), QStringLiteral("cmdReturn"));
    }
}

TEST_F(SectionScreenTest, Frm2OpensTheSecondPage) {
    for (const SectionId id : {SectionId::HighSchool, SectionId::Military}) {
        const QString s = screenOf(id);
        openScreen(s);
        auto* screen = qobject_cast<SectionScreen*>(window(s));
        ASSERT_NE(screen, nullptr);
        screen->frm2();
        settle();
        EXPECT_EQ(active(), window(answerPageName(id, 2)));
        EXPECT_FALSE(isShown(s));
    }
}

TEST_F(SectionScreenTest, AnsweredMarksAppearAtActivationAndNeverGoBack) {
    const QString s = QStringLiteral("frmWeddingMain");
    const auto q = QuestionCatalog::instance().questions(SectionId::Wedding);
    state().answers.setText(q[0].key, " ");    // a single space is answered
    state().answers.setText(q[1].key, "");     // the empty text is not
    state().answers.setText(q[8].key, "\r\n"); // a line break alone is answered
    openScreen(s);
    EXPECT_TRUE(markShown(s, q[0]) && !plainShown(s, q[0]));
    EXPECT_TRUE(plainShown(s, q[1]) && !markShown(s, q[1]));
    EXPECT_TRUE(markShown(s, q[8]) && !plainShown(s, q[8]));
    for (std::size_t i = 2; i < 8; ++i)
        EXPECT_TRUE(plainShown(s, q[i]) && !markShown(s, q[i])) << i;

    // Nothing changes while the screen stays in front.
    state().answers.setText(q[3].key, "in June");
    window(s)->activateWindow();
    settle();
    EXPECT_TRUE(plainShown(s, q[3]));
    reactivate(s);
    EXPECT_TRUE(markShown(s, q[3]) && !plainShown(s, q[3]));

    // Emptied answers keep their marks.
    state().answers.setText(q[0].key, "");
    state().answers.setText(q[3].key, "");
    reactivate(s);
    EXPECT_TRUE(markShown(s, q[0]) && !plainShown(s, q[0]));
    EXPECT_TRUE(markShown(s, q[3]) && !plainShown(s, q[3]));
}

TEST_F(SectionScreenTest, ReturnShowsTheMainMenuWhichRefreshesItsMarks) {
    const QString s = QStringLiteral("frmLifeMain");
    openScreen(s);
    for (const CatalogEntry& e : QuestionCatalog::instance().questions(SectionId::Life))
        state().answers.setText(e.key, "yes");
    // Alt+R presses the button (an animated click, so it lands a moment later).
    QTest::keyClick(window(s), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            settle();
            return !isShown(s);
        },
        1000));
    EXPECT_EQ(active(), window(QStringLiteral("frmMain")));
    EXPECT_TRUE(child(QStringLiteral("frmMain"), QStringLiteral("cmdLife2"))->isVisible());
}

TEST_F(SectionScreenTest, MainMenuEntriesOpenEveryScreenAndReturnComesBack) {
    enterMainMenu();
    const char* const bullets[] = {"cmdChildhood", "cmdHighSch", "cmdFirstCar", "cmdVolunteer",
                                   "cmdJobs",      "cmdCollege", "cmdMilitary", "cmdWedding",
                                   "cmdTravel",    "cmdLife",    "cmdFinal"};
    for (std::size_t i = 0; i < kSectionCount; ++i) {
        const QString s = screenOf(kAllSections[i]);
        click(QStringLiteral("frmMain"), QString::fromLatin1(bullets[i]));
        EXPECT_EQ(active(), window(s)) << s.toStdString();
        EXPECT_FALSE(isShown(QStringLiteral("frmMain")));
        click(s, QStringLiteral("cmdReturn"));
        EXPECT_EQ(active(), window(QStringLiteral("frmMain")));
        EXPECT_FALSE(isShown(s));
    }
}

TEST_F(SectionScreenTest, TitleBarCloseAsksNoKeepsTheScreenYesEnds) {
    const QString s = QStringLiteral("frmTravelMain");
    state().answers.setText({SectionId::Travel, "Here"}, "the coast");
    openScreen(s);
    dialogs->answerMessage(MsgButton::No);
    EXPECT_FALSE(window(s)->close());
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0], confirmExitRequest());
    EXPECT_TRUE(isShown(s));
    EXPECT_TRUE(child(s, QStringLiteral("cmdHere2"))->isVisible()) << "marks unchanged";
    EXPECT_FALSE(ended());

    dialogs->answerMessage(MsgButton::Yes);
    window(s)->close();
    settle();
    EXPECT_TRUE(ended());
    EXPECT_EQ(dialogs->messages.size(), 2u) << "no further question";
}

} // namespace
