// What assistive technology and keyboard users meet on every window: a name and a description
// on every control, bullets that say their state in words, a focus that can be seen on every
// kind of control, and text that stands out from its ground.
#include "all_windows.h"
#include "core/program_state.h"
#include "questionnaire_fixture.h"
#include "ui/ground.h"
#include "ui/program_style.h"
#include "windows/app/info_windows.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QAccessible>
#include <QHash>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>

#include <functional>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;
using kt::test::qs;

namespace {

QString S(const char* s) {
    return QString::fromUtf8(s);
}

QString accessibleText(QWidget* w, QAccessible::Text t) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(t) : QString();
}
QString nameOf(QWidget* w) {
    return accessibleText(w, QAccessible::Name);
}
QString descriptionOf(QWidget* w) {
    return accessibleText(w, QAccessible::Description);
}

bool takesFocus(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled();
}

// The main menu's section entries: bullet and caption as the user reads it.
struct MenuSection {
    SectionId section;
    const char* bullet;
    const char* caption;
};
constexpr MenuSection kMenuSections[] = {
    {SectionId::Childhood, "cmdChildhood", "Childhood"},
    {SectionId::HighSchool, "cmdHighSch", "High School"},
    {SectionId::FirstCar, "cmdFirstCar", "First Car"},
    {SectionId::Volunteering, "cmdVolunteer", "Volunteering"},
    {SectionId::Jobs, "cmdJobs", "Jobs"},
    {SectionId::College, "cmdCollege", "College"},
    {SectionId::Military, "cmdMilitary", "Military"},
    {SectionId::Wedding, "cmdWedding", "Wedding"},
    {SectionId::Travel, "cmdTravel", "Travel"},
    {SectionId::Life, "cmdLife", "Life in General"},
    {SectionId::Final, "cmdFinal", "Final Thoughts"},
};

class Accessibility : public kt::test::QuestionnaireFixture {};

TEST_F(Accessibility, EveryFocusableControlOfEveryWindowHasANameAndADescription) {
    // The editor too: created, not shown, so its first activation (and reminder) does not run.
    QStringList names = program->windows().names();
    for (const QString& name : names) {
        ProgramWindow& w = program->windows().get(name);
        int focusable = 0;
        for (QWidget* c : w.findChildren<QWidget*>()) {
            if (!takesFocus(c))
                continue;
            ++focusable;
            SCOPED_TRACE((name + QLatin1Char('.') + c->objectName()).toStdString());
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(c);
            ASSERT_NE(iface, nullptr);
            const QString n = iface->text(QAccessible::Name);
            EXPECT_FALSE(n.trimmed().isEmpty());
            EXPECT_FALSE(n.contains(QLatin1Char('&')) && !n.contains(S(" & ")))
                << "an access-key mark is read out: " << n.toStdString();
            EXPECT_FALSE(iface->text(QAccessible::Description).trimmed().isEmpty());
            const QAccessible::Role role = iface->role();
            EXPECT_TRUE(role == QAccessible::Button || role == QAccessible::EditableText)
                << "role " << role;
        }
        EXPECT_GT(focusable, 0) << name.toStdString() << ": nothing the keyboard can reach";
    }
}

TEST_F(Accessibility, MainMenuBulletsSayTheirSectionAndWhetherItIsComplete) {
    enterMainMenu();
    for (const MenuSection& m : kMenuSections) {
        SCOPED_TRACE(m.bullet);
        auto* plain = child(S("frmMain"), S(m.bullet));
        auto* done = child(S("frmMain"), S(m.bullet) + QLatin1Char('2'));
        ASSERT_TRUE(plain && done);
        EXPECT_EQ(nameOf(plain), S(m.caption) + S(" (not complete)"));
        EXPECT_EQ(nameOf(done), S(m.caption) + S(" (complete)"));
        EXPECT_TRUE(descriptionOf(done).contains(S("every question in it is answered")));
        EXPECT_FALSE(descriptionOf(plain).contains(S("answered")));
    }
    // Entries without a mark say only what they open; "&&" reads as one ampersand.
    const std::pair<const char*, const char*> others[] = {
        {"cmdInfo", "About this Program"},
        {"cmdWarranty", "Warranty"},
        {"cmdSaveFile", "Edit Text & Save to File"},
        {"cmdLoad", "Load Previously Saved Data"},
        {"cmdExit", "Exit"},
    };
    for (const auto& [bullet, name] : others)
        EXPECT_EQ(nameOf(child(S("frmMain"), S(bullet))), S(name)) << bullet;
}

TEST_F(Accessibility, SectionScreenBulletsSayTheirQuestionAndWhetherItIsAnswered) {
    for (const CatalogEntry& e : QuestionCatalog::instance().all()) {
        const QString screen = kt::test::screenOf(e.section());
        const QString stem = qs(e.screenStem);
        SCOPED_TRACE((screen + QLatin1Char('.') + stem).toStdString());
        ProgramWindow& w = program->windows().get(screen);
        auto* plain = w.findChild<QWidget*>(S("cmd") + stem);
        auto* answered = w.findChild<QWidget*>(S("cmd") + stem + QLatin1Char('2'));
        ASSERT_TRUE(plain && answered);
        EXPECT_EQ(nameOf(plain), qs(e.text) + S(" (not answered)"));
        EXPECT_EQ(nameOf(answered), qs(e.text) + S(" (answered)"));
        EXPECT_TRUE(descriptionOf(answered).contains(S("it is answered")));
        EXPECT_FALSE(descriptionOf(plain).contains(S("answered")));
    }
}

TEST_F(Accessibility, WhenARowIsMarkedTheKeyboardStaysOnItAndHearsTheNewState) {
    openScreen(S("frmCarMain"));
    auto* screen = window(S("frmCarMain"));
    auto* plain = child(S("frmCarMain"), S("cmdLike"));
    auto* mark = child(S("frmCarMain"), S("cmdLike2"));
    plain->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(screen->focusWidget(), plain);

    state().answers.setText({SectionId::FirstCar, "Getting"}, "Like flying.");
    reactivate(S("frmCarMain"));
    EXPECT_FALSE(plain->isVisible());
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(screen->focusWidget(), mark) << "the focus moved to the mark in the same row";
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(plain)->state().invisible);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(mark)->state().invisible);
    EXPECT_TRUE(nameOf(mark).endsWith(S("(answered)")));
    // A row not marked keeps its focus where it was.
    auto* other = child(S("frmCarMain"), S("cmdCar"));
    other->setFocus(Qt::TabFocusReason);
    reactivate(S("frmCarMain"));
    EXPECT_EQ(screen->focusWidget(), other);

    // The main menu alike, for a complete section.
    program->windows().show(S("frmMain"));
    screen->hide();
    settle();
    auto* menu = window(S("frmMain"));
    auto* car = child(S("frmMain"), S("cmdFirstCar"));
    car->setFocus(Qt::TabFocusReason);
    for (const CatalogEntry& e : QuestionCatalog::instance().questions(SectionId::FirstCar))
        state().answers.setText(e.key, "yes");
    reactivate(S("frmMain"));
    EXPECT_EQ(menu->focusWidget(), child(S("frmMain"), S("cmdFirstCar2")));
    EXPECT_EQ(nameOf(menu->focusWidget()), S("First Car (complete)"));
}

TEST_F(Accessibility, AnswerBoxesAreNamedByTheirQuestionAndLabelledByTheirLabel) {
    for (const kt::test::PageRef& p : kt::test::allPages()) {
        ProgramWindow& w = program->windows().get(p.name);
        for (const CatalogEntry* e : kt::test::entriesOn(p.name)) {
            SCOPED_TRACE((p.name + S(".txt") + qs(e->key.stem)).toStdString());
            auto* box = w.findChild<QPlainTextEdit*>(S("txt") + qs(e->key.stem));
            ASSERT_NE(box, nullptr);
            // The catalog's wording, also where the label's own differs.
            EXPECT_EQ(nameOf(box), qs(e->text));
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
            bool labelled = false;
            for (const auto& [other, relation] : iface->relations(QAccessible::Label)) {
                auto* label = qobject_cast<QLabel*>(other->object());
                labelled = labelled || (label && label->buddy() == box);
            }
            EXPECT_TRUE(labelled) << "assistive technology knows the box's label";
        }
    }
}

TEST(AccessKeyText, ReadsACaptionWithoutItsMarks) {
    const std::pair<const char*, const char*> cases[] = {
        {"&About this Program", "About this Program"},
        {"Fi&nal Thoughts", "Final Thoughts"},
        {"Edit Text && Save to File", "Edit Text & Save to File"},
        {"a&&&b", "a&b"},
        {"E&xit&", "Exit"},
        {"", ""},
    };
    for (const auto& [caption, read] : cases)
        EXPECT_EQ(withoutAccessKey(S(caption)), S(read)) << caption;
}

// --- keyboard -----------------------------------------------------------------------------

TEST_F(Accessibility, TheAboutWindowsPictureAndVersionLinkAreReachedByKeyboard) {
    enterMainMenu();
    program->windows().show(S("frmInfo"));
    window(S("frmMain"))->hide();
    settle();
    auto* close = child(S("frmInfo"), S("cmdClose"));
    auto* picture = child<ClickLabel>(S("frmInfo"), S("Picture1"));
    auto* history = child<ClickLabel>(S("frmInfo"), S("Label2"));
    QStringList walked;
    QWidget* w = close;
    for (int i = 0; i < 4; ++i) {
        walked << w->objectName();
        do
            w = w->nextInFocusChain();
        while (!(w->isVisible() && takesFocus(w)));
    }
    EXPECT_EQ(walked, QStringList({S("cmdClose"), S("Picture1"), S("Label2"), S("cmdClose")}));

    // Enter on the link opens the version window over this one; Space on the picture, the
    // credits in its place.
    QTest::keyClick(history, Qt::Key_Return);
    settle();
    EXPECT_TRUE(isShown(S("frmVersionHx")));
    EXPECT_TRUE(isShown(S("frmInfo")));
    window(S("frmVersionHx"))->hide();
    QTest::keyClick(picture, Qt::Key_Space);
    settle();
    EXPECT_TRUE(isShown(S("frmCredits2")));
    EXPECT_FALSE(isShown(S("frmInfo")));
    click(S("frmCredits2"), S("cmdClose"));

    // Assistive technology sees two buttons and can press them.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(picture);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_EQ(iface->text(QAccessible::Name), S("Credits"));
    ASSERT_NE(iface->actionInterface(), nullptr);
    EXPECT_TRUE(iface->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    settle();
    EXPECT_TRUE(isShown(S("frmCredits2")));
    EXPECT_EQ(nameOf(history), S("Version History"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(history)->role(), QAccessible::Button);
}

TEST_F(Accessibility, MainMenuLabelsStayOutOfTheTabOrder) {
    enterMainMenu();
    for (const char* n : {"lblInfo", "lblChildhood", "lblSave", "lblLoad"})
        EXPECT_FALSE(takesFocus(child(S("frmMain"), S(n)))) << n;
    openScreen(S("frmCarMain"));
    EXPECT_FALSE(takesFocus(child(S("frmCarMain"), S("lblCar"))));
}

// --- a focus that can be seen --------------------------------------------------------------

// The pixels of a control as painted in its window.
QImage painted(QWidget* c) {
    QCoreApplication::processEvents();
    return c->window()->grab(QRect(c->mapTo(c->window(), QPoint(0, 0)), c->size())).toImage();
}

// How many pixels the focus changes by at least 3:1, the contrast a focus mark needs.
int strongChanges(const QImage& before, const QImage& after) {
    int n = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (ui::contrastRatio(before.pixelColor(x, y), after.pixelColor(x, y)) >= 3.0)
                ++n;
    return n;
}

class FocusIsVisible : public kt::test::QuestionnaireFixture,
                       public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        const auto* style = qobject_cast<const QProxyStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr) << "the program's style is installed";
        m_style = style->baseStyle()->name();
        installProgramStyle(QStyleFactory::create(S(GetParam())));
        QuestionnaireFixture::SetUp();
    }
    void TearDown() override {
        QuestionnaireFixture::TearDown();
        installProgramStyle(QStyleFactory::create(m_style));
    }
    QString m_style;
};

TEST_P(FocusIsVisible, OnEveryKindOfControlByTabAndWhenAWindowGivesIt) {
    struct Case {
        const char* window;
        const char* control;
    };
    const Case cases[] = {
        {"frmSplash", "cmdEnter"},    {"frmMain", "cmdChildhood"}, {"frmMain", "cmdExit"},
        {"frmCarMain", "cmdCar"},     {"frmCarMain", "cmdReturn"}, {"frmFirstCar", "txtCar"},
        {"frmFirstCar", "cmdSave"},   {"frmInfo", "Picture1"},     {"frmInfo", "Label2"},
        {"frmInfo", "cmdClose"},      {"frmNote", "cmdOK"},        {"frmCredits2", "cmdClose"},
        {"frmVersionHx", "cmdClose"}, {"frmInstruc", "cmdReturn"},
    };
    program->start();
    settle();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(GetParam()) + " " + c.window + "." + c.control);
        ProgramWindow* shownBefore = active();
        program->windows().show(S(c.window));
        if (shownBefore && shownBefore != window(S(c.window)))
            shownBefore->hide();
        settle();
        QWidget* w = window(S(c.window));
        w->activateWindow();
        settle();
        QWidget* control = child(S(c.window), S(c.control));
        ASSERT_NE(control, nullptr);
        // Away from the control, then back to it by Tab and by the program's own choice.
        QWidget* before = control->previousInFocusChain();
        while (!(before->isVisible() && takesFocus(before)) && before != control)
            before = before->previousInFocusChain();
        control->clearFocus();
        if (before != control)
            before->setFocus(Qt::OtherFocusReason);
        const QImage unfocused = painted(control);
        control->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([control] { return QApplication::focusWidget() == control; }));
        const int wanted = control->width() + control->height(); // half a frame round it
        EXPECT_GE(strongChanges(unfocused, painted(control)), wanted) << "given focus";
        if (before != control) {
            before->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(before, Qt::Key_Tab);
            ASSERT_EQ(QApplication::focusWidget(), control);
            EXPECT_GE(strongChanges(unfocused, painted(control)), wanted) << "by Tab";
        }
    }
}

// Message boxes and dialogs are the toolkit's, not the program's; their buttons must show the
// focus as plainly.
TEST_P(FocusIsVisible, OnTheButtonsOfAMessageBox) {
    QMessageBox box(QMessageBox::Question, S("Kithtale"), S("Save the changes?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.show();
    box.activateWindow();
    settle();
    QAbstractButton* yes = box.button(QMessageBox::Yes);
    QAbstractButton* no = box.button(QMessageBox::No);
    yes->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([yes] { return QApplication::focusWidget() == yes; }));
    const QImage unfocused = painted(no);
    QTest::keyClick(yes, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), no);
    EXPECT_GE(strongChanges(unfocused, painted(no)), no->width() + no->height());
}

INSTANTIATE_TEST_SUITE_P(Styles, FocusIsVisible, ::testing::Values("Fusion", "Windows"));

// --- contrast ------------------------------------------------------------------------------

// The colour most of a control's pixels have: its ground, text being thin.
QColor groundOf(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb best = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most)
            best = it.key(), most = it.value();
    return QColor::fromRgb(best);
}

struct Theme {
    const char* name;
    QColor window, text, base, button;
};
void PrintTo(const Theme& t, std::ostream* os) {
    *os << t.name;
}
// The desktop's own colours, a dark theme and a black high-contrast one.
const Theme kThemes[] = {
    {"desktop", {}, {}, {}, {}},
    {"dark", QColor(49, 54, 59), QColor(239, 240, 241), QColor(35, 38, 41), QColor(49, 54, 59)},
    {"black", Qt::black, Qt::white, Qt::black, QColor(20, 20, 20)},
};

class TextContrast : public kt::test::QuestionnaireFixture,
                     public ::testing::WithParamInterface<Theme> {
protected:
    void SetUp() override {
        m_desktop = QApplication::palette();
        QApplication::setPalette(themed());
        QuestionnaireFixture::SetUp();
    }
    void TearDown() override {
        QuestionnaireFixture::TearDown();
        QApplication::setPalette(m_desktop);
    }
    // The desktop's colours under the theme of this run.
    QPalette themed() const {
        const Theme& t = GetParam();
        QPalette pal = m_desktop;
        if (t.window.isValid()) {
            pal.setColor(QPalette::Window, t.window);
            pal.setColor(QPalette::WindowText, t.text);
            pal.setColor(QPalette::Base, t.base);
            pal.setColor(QPalette::AlternateBase, t.base);
            pal.setColor(QPalette::Text, t.text);
            pal.setColor(QPalette::Button, t.button);
            pal.setColor(QPalette::ButtonText, t.text);
        }
        return pal;
    }
    // Shows every window in turn (activation fills the texts set then) and hands it to `check`.
    void forEveryWindow(const std::function<void(const QString&, QWidget*)>& check) {
        for (const QString& name :
             kt::test::allWindowNamesBut(program->windows(), windows::kTextEditor)) {
            ProgramWindow* shownBefore = active();
            program->windows().show(name);
            if (shownBefore && shownBefore != window(name))
                shownBefore->hide();
            settle();
            QWidget* w = window(name);
            ASSERT_NE(w, nullptr) << name.toStdString();
            check(name, w);
        }
    }
    QPalette m_desktop;
};

void expectEveryTextReadable(const QString& name, QWidget* w) {
    const QImage image = w->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    for (QWidget* c : w->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(w))
            continue;
        SCOPED_TRACE((name + QLatin1Char('.') + c->objectName()).toStdString());
        if (auto* label = qobject_cast<QLabel*>(c); label && label->pixmap().isNull()) {
            const QRect r(c->mapTo(w, QPoint(0, 0)) * dpr, c->size() * dpr);
            const QColor ground = groundOf(image.copy(r));
            EXPECT_GE(ui::contrastRatio(label->palette().color(QPalette::WindowText), ground),
                      ui::kReadableContrast)
                << "on " << ground.name().toStdString();
        } else if (qobject_cast<PushButton*>(c)) {
            EXPECT_GE(ui::contrastRatio(c->palette().color(QPalette::ButtonText),
                                        c->palette().color(QPalette::Button)),
                      ui::kReadableContrast);
        } else if (qobject_cast<QPlainTextEdit*>(c)) {
            EXPECT_GE(ui::contrastRatio(c->palette().color(QPalette::Text),
                                        c->palette().color(QPalette::Base)),
                      ui::kReadableContrast);
        }
    }
}

TEST_P(TextContrast, EveryTextOfEveryWindowStandsOutFromItsGround) {
    program->start();
    settle();
    forEveryWindow(expectEveryTextReadable);
}

TEST_P(TextContrast, AndStillDoesAfterTheDesktopChangesThemeDuringTheRun) {
    // Every window is made under the desktop's light colours, then the theme changes.
    QApplication::setPalette(m_desktop);
    program->start();
    settle();
    forEveryWindow([](const QString&, QWidget*) {});
    QApplication::setPalette(themed());
    settle();
    forEveryWindow(expectEveryTextReadable);

    // And back: a ground chosen for the dark theme does not outlive it.
    QApplication::setPalette(m_desktop);
    settle();
    const QColor desktopGround = m_desktop.color(QPalette::Active, QPalette::Window);
    forEveryWindow([&](const QString& name, QWidget* w) {
        if (name == S("frmCredits2")) {
            EXPECT_EQ(w->palette().color(QPalette::Window), look::navy());
            return;
        }
        EXPECT_EQ(w->palette().color(QPalette::Active, QPalette::Window), desktopGround)
            << name.toStdString();
        EXPECT_EQ(w->palette().color(QPalette::Active, QPalette::WindowText),
                  m_desktop.color(QPalette::Active, QPalette::WindowText))
            << name.toStdString();
    });
}

INSTANTIATE_TEST_SUITE_P(Themes, TextContrast, ::testing::ValuesIn(kThemes),
                         [](const ::testing::TestParamInfo<Theme>& p) {
                             return std::string(p.param.name);
                         });

TEST(ReadableWindows, ADarkDesktopGroundGivesWayToLightGreyWithBlackText) {
    QWidget light;
    QPalette pal = light.palette();
    pal.setColor(QPalette::Window, QColor(239, 239, 239));
    light.setPalette(pal);
    look::keepTextReadable(light);
    EXPECT_EQ(light.palette().color(QPalette::Window), QColor(239, 239, 239));

    QWidget dark;
    pal.setColor(QPalette::Window, QColor(49, 54, 59));
    pal.setColor(QPalette::WindowText, Qt::white);
    dark.setPalette(pal);
    look::keepTextReadable(dark);
    for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        const QColor ground = dark.palette().color(g, QPalette::Window);
        EXPECT_GE(ui::contrastRatio(ground, look::navy()), ui::kReadableContrast);
        EXPECT_GE(ui::contrastRatio(ground, look::darkRed()), ui::kReadableContrast);
        EXPECT_EQ(dark.palette().color(g, QPalette::WindowText), QColor(Qt::black));
    }
}

} // namespace
