// A whole visit by keyboard alone: main menu, section screen, answer page and back.
#include "core/program_state.h"
#include "questionnaire_fixture.h"

#include <QAbstractButton>
#include <QApplication>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;
using kt::test::qs;

namespace {

// Whether a button of a shown window is held down by an animated click still to land.
bool animatedClickPending() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible())
            for (const QAbstractButton* b : top->findChildren<QAbstractButton*>())
                if (b->isDown())
                    return true;
    return false;
}

class KeyboardWalk : public kt::test::QuestionnaireFixture {
protected:
    // The key goes where the user's keyboard goes: the focused widget of the active window.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow();
        ASSERT_NE(target, nullptr) << "no window has the keyboard";
        QTest::keyClick(target, key, modifiers);
        // An access key presses its button with an animated click, which lands a moment later.
        if (modifiers & Qt::AltModifier) {
            ASSERT_TRUE(QTest::qWaitFor([] { return !animatedClickPending(); }));
        }
        settle();
    }
    void typeText(const QString& text) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClicks(QApplication::focusWidget(), text);
        settle();
    }
    // Waits for a window that a delayed click (an access key's animated click) opens.
    bool waitShown(const QString& name) {
        return QTest::qWaitFor(
            [&] {
                settle();
                return isShown(name);
            },
            1000);
    }
    QString focused() const {
        QWidget* w = QApplication::focusWidget();
        return w ? w->window()->objectName() + QLatin1Char('.') + w->objectName() : QString();
    }
};

TEST_F(KeyboardWalk, FromTheMainMenuThroughASectionToAPageAndBack) {
    program->start();
    settle();
    press(Qt::Key_Return); // Enter on the splash
    ASSERT_EQ(active(), window(QStringLiteral("frmMain")));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));

    // Alt+C: the Childhood entry; Space presses its bullet if the access key only focused it.
    press(Qt::Key_C, Qt::AltModifier);
    if (!waitShown(QStringLiteral("frmChildMain"))) {
        ASSERT_EQ(focused(), QStringLiteral("frmMain.cmdChildhood"));
        press(Qt::Key_Space);
    }
    ASSERT_EQ(active(), window(QStringLiteral("frmChildMain")));
    EXPECT_EQ(focused(), QStringLiteral("frmChildMain.cmdGrowUp")) << "first in tab order";

    // Space on the first row's bullet opens the first page with the focus in its first box.
    press(Qt::Key_Space);
    ASSERT_EQ(active(), window(QStringLiteral("frmChildhood1")));
    EXPECT_EQ(focused(), QStringLiteral("frmChildhood1.txtGrowUp"));
    typeText(QStringLiteral("An engine driver"));
    press(Qt::Key_Return);
    typeText(QStringLiteral("or a nurse."));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), QStringLiteral("frmChildhood1.txtToys"));
    typeText(QStringLiteral("A tin drum"));
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), QStringLiteral("frmChildhood1.txtHobbies"));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), QStringLiteral("frmChildhood1.txtLived"));
    typeText(QStringLiteral("On a farm"));

    press(Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(state().answers.text({SectionId::Childhood, "GrowUp"}),
              "An engine driver\r\nor a nurse.");
    EXPECT_EQ(state().answers.text({SectionId::Childhood, "Toys"}), "A tin drum");
    EXPECT_EQ(state().answers.text({SectionId::Childhood, "Lived"}), "On a farm");
    EXPECT_TRUE(isShown(QStringLiteral("frmChildhood1")));

    press(Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(dialogs->messages.empty()) << "saved: Return asks nothing";
    ASSERT_EQ(active(), window(QStringLiteral("frmChildMain")));
    for (const char* stem : {"GrowUp", "Toys", "Lived"})
        EXPECT_TRUE(child(QStringLiteral("frmChildMain"),
                          QStringLiteral("cmd%1").arg(QLatin1String(stem)) + QLatin1Char('2'))
                        ->isVisible())
            << stem;
    EXPECT_TRUE(child(QStringLiteral("frmChildMain"), QStringLiteral("cmdGames"))->isVisible());

    // Tab to the School row and Enter: the second page; an unsaved edit makes Return ask.
    QWidget* w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr);
    for (int i = 0; i < 10 && focused() != QStringLiteral("frmChildMain.cmdSchool"); ++i)
        press(Qt::Key_Tab);
    ASSERT_EQ(focused(), QStringLiteral("frmChildMain.cmdSchool"));
    press(Qt::Key_Return);
    ASSERT_EQ(active(), window(QStringLiteral("frmChildhood2")));
    EXPECT_EQ(focused(), QStringLiteral("frmChildhood2.txtSchool"));
    typeText(QStringLiteral("Yes, reading."));
    dialogs->answerMessage(MsgButton::Yes);
    press(Qt::Key_R, Qt::AltModifier);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].title, QStringLiteral("Save Changes"));
    EXPECT_EQ(state().answers.text({SectionId::Childhood, "School"}), "Yes, reading.");
    ASSERT_EQ(active(), window(QStringLiteral("frmChildMain")));

    press(Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(active(), window(QStringLiteral("frmMain")));
    EXPECT_FALSE(isShown(QStringLiteral("frmChildMain")));
}

} // namespace
