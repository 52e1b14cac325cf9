// The information windows: how they are reached and left, their texts and when those are set,
// and their captions, sizes, buttons and looks.
#include "support/program_fixture.h"
#include "ui/ground.h"
#include "ui/twips.h"
#include "windows/app/info_texts.h"
#include "windows/app/info_windows.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;
using kt::test::confirmExitRequest;
namespace texts = kt::app::texts;

namespace {

QString S(const char* s) {
    return QString::fromUtf8(s);
}

// The five windows of the main menu: the entry's label that opens each and its close button.
struct MenuWindow {
    const char* window;
    const char* menuLabel;
    const char* closeButton;
};
constexpr MenuWindow kMenuWindows[] = {
    {"frmInstruc", "lblInstruc", "cmdReturn"},          {"frmInfo", "lblInfo", "cmdClose"},
    {"frmDistribution", "lblDistribution", "cmdClose"}, {"frmWarranty", "lblWarranty", "cmdClose"},
    {"frmShare", "lblShareware", "cmdClose"},
};

class InfoWindows : public kt::test::ProgramFixture {
protected:
    void openFromMenu(const char* menuLabel) {
        auto* label = child<ClickLabel>(S("frmMain"), S(menuLabel));
        ASSERT_NE(label, nullptr) << menuLabel;
        Q_EMIT label->clicked();
        settle();
    }
    void clickLabel(const char* window, const char* label) {
        auto* l = child<QLabel>(S(window), S(label));
        ASSERT_NE(l, nullptr) << window << "." << label;
        QTest::mouseClick(l, Qt::LeftButton, {}, QPoint(3, 3));
        settle();
    }
    QString text(const char* window, const char* label) const {
        auto* l = child<QLabel>(S(window), S(label));
        return l ? l->text() : S("<no such label>");
    }
    // Only this one of the program's windows is shown.
    void expectOnlyShown(const QStringList& shown) const {
        for (auto* w : QApplication::topLevelWidgets()) {
            if (!qobject_cast<ProgramWindow*>(w))
                continue;
            EXPECT_EQ(w->isVisible(), shown.contains(w->objectName()))
                << w->objectName().toStdString();
        }
    }
    void openAbout() {
        enterMainMenu();
        openFromMenu("lblInfo");
    }
};

TEST_F(InfoWindows, InstructionsAndAboutAreCreatedAtStartUpWithoutShowing) {
    program->start();
    settle();
    for (const char* n : {"frmInstruc", "frmInfo"}) {
        ASSERT_NE(window(S(n)), nullptr) << n;
        EXPECT_FALSE(isShown(S(n))) << n;
    }
    for (const char* n :
         {"frmDistribution", "frmWarranty", "frmShare", "frmVersionHx", "frmCredits2"})
        EXPECT_EQ(window(S(n)), nullptr) << n << " is made when first needed";
}

TEST_F(InfoWindows, EachMenuWindowOpensInPlaceOfTheMenuAndItsButtonBringsTheMenuBack) {
    enterMainMenu();
    for (const MenuWindow& m : kMenuWindows) {
        SCOPED_TRACE(m.window);
        openFromMenu(m.menuLabel);
        expectOnlyShown({S(m.window)});
        EXPECT_EQ(active(), window(S(m.window)));
        click(S(m.window), S(m.closeButton));
        expectOnlyShown({S("frmMain")});
        EXPECT_EQ(active(), window(S("frmMain")));
        EXPECT_NE(window(S(m.window)), nullptr) << "hidden, not destroyed";
    }
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(InfoWindows, TitleBarCloseAsksAndNoKeepsTheWindow) {
    enterMainMenu();
    for (const MenuWindow& m : kMenuWindows) {
        SCOPED_TRACE(m.window);
        openFromMenu(m.menuLabel);
        dialogs->answerMessage(MsgButton::No);
        EXPECT_FALSE(window(S(m.window))->close());
        settle();
        ASSERT_FALSE(dialogs->messages.empty());
        EXPECT_EQ(dialogs->messages.back(), confirmExitRequest());
        EXPECT_TRUE(isShown(S(m.window)));
        EXPECT_FALSE(ended());
        click(S(m.window), S(m.closeButton));
    }
    EXPECT_EQ(dialogs->messages.size(), std::size(kMenuWindows));
}

TEST_F(InfoWindows, TitleBarCloseYesEndsTheProgram) {
    enterMainMenu();
    openFromMenu("lblWarranty");
    dialogs->answerMessage(MsgButton::Yes);
    window(S("frmWarranty"))->close();
    settle();
    EXPECT_TRUE(ended());
    expectOnlyShown({});
}

TEST_F(InfoWindows, VersionWindowOpensOverAboutAndOutlivesAboutsClose) {
    openAbout();
    clickLabel("frmInfo", "Label2");
    expectOnlyShown({S("frmInfo"), S("frmVersionHx")});
    EXPECT_EQ(active(), window(S("frmVersionHx")));

    click(S("frmInfo"), S("cmdClose"));
    expectOnlyShown({S("frmMain"), S("frmVersionHx")});
    EXPECT_EQ(active(), window(S("frmMain")));

    // Its Close only hides it: the main menu stays as it is.
    auto* version = window(S("frmVersionHx"));
    click(S("frmVersionHx"), S("cmdClose"));
    expectOnlyShown({S("frmMain")});
    EXPECT_EQ(window(S("frmVersionHx")), version) << "hidden, not destroyed";
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(InfoWindows, VersionWindowTitleBarCloseDestroysItWithoutAQuestion) {
    openAbout();
    clickLabel("frmInfo", "Label2");
    QPointer<ProgramWindow> first = window(S("frmVersionHx"));
    ASSERT_TRUE(first);
    const QPoint centred = first->pos();
    // Move it and spoil its text, so that a fresh window is told apart from the old one.
    first->move(first->pos() + QPoint(37, 23));
    child<QLabel>(S("frmVersionHx"), S("lblVersionHx"))->setText(S("spoilt"));

    EXPECT_TRUE(first->close());
    settle();
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_FALSE(first) << "destroyed";
    EXPECT_TRUE(isShown(S("frmInfo"))) << "the about window stays";

    clickLabel("frmInfo", "Label2");
    auto* again = window(S("frmVersionHx"));
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isVisible());
    EXPECT_EQ(text("frmVersionHx", "lblVersionHx"),
              texts::versionHistory().replace(S("\r\n"), S("\n")));
    EXPECT_EQ(again->pos(), centred) << "centred afresh";
}

TEST_F(InfoWindows, CreditsReplaceAboutAndEveryWayOutLeadsBackToAbout) {
    openAbout();
    const auto openCredits = [this] {
        clickLabel("frmInfo", "Picture1");
        expectOnlyShown({S("frmCredits2")});
        EXPECT_EQ(active(), window(S("frmCredits2")));
    };
    const auto backAtAbout = [this] {
        expectOnlyShown({S("frmInfo")});
        EXPECT_EQ(active(), window(S("frmInfo")));
    };

    openCredits();
    click(S("frmCredits2"), S("cmdClose"));
    backAtAbout();

    // The window manager's close: no question, and back to the about window.
    openCredits();
    auto* credits = window(S("frmCredits2"));
    EXPECT_FALSE(credits->close());
    settle();
    backAtAbout();
    EXPECT_EQ(window(S("frmCredits2")), credits);

    openCredits();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(credits, &escape);
    settle();
    backAtAbout();
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(InfoWindows, InstructionsAndContactBlockAreSetAgainAtEachActivation) {
    enterMainMenu();
    openFromMenu("lblInstruc");
    const QString paragraph1 = text("frmInstruc", "Label1");
    EXPECT_EQ(paragraph1, texts::instructionsParagraph1());
    click(S("frmInstruc"), S("cmdReturn"));

    child<QLabel>(S("frmInstruc"), S("Label1"))->setText(S("changed while hidden"));
    child<QLabel>(S("frmInstruc"), S("Label3"))->clear();
    openFromMenu("lblInstruc");
    EXPECT_EQ(text("frmInstruc", "Label1"), paragraph1);
    EXPECT_FALSE(text("frmInstruc", "Label3").isEmpty());
    click(S("frmInstruc"), S("cmdReturn"));

    openFromMenu("lblInfo");
    const QString contact = text("frmInfo", "lblAddy");
    const QString shareware = text("frmInfo", "Label1");
    click(S("frmInfo"), S("cmdClose"));
    child<QLabel>(S("frmInfo"), S("lblAddy"))->setText(S("changed"));
    child<QLabel>(S("frmInfo"), S("Label1"))->setText(S("changed"));
    openFromMenu("lblInfo");
    EXPECT_EQ(text("frmInfo", "lblAddy"), contact);
    EXPECT_EQ(text("frmInfo", "Label1"), S("changed")) << "the paragraph is set only at creation";
    EXPECT_NE(shareware, S("changed"));
}

TEST_F(InfoWindows, InstructionsAndContactAreEmptyUntilFirstShown) {
    program->start();
    settle();
    EXPECT_TRUE(text("frmInstruc", "Label2").isEmpty()) << "set when it becomes active";
    EXPECT_TRUE(text("frmInfo", "lblAddy").isEmpty());
    EXPECT_FALSE(text("frmInfo", "Label1").isEmpty());
}

TEST_F(InfoWindows, OtherTextsAreSetOnceWhenCreated) {
    enterMainMenu();
    for (const char* menuLabel : {"lblDistribution", "lblWarranty", "lblShareware"}) {
        openFromMenu(menuLabel);
        auto* w = active();
        ASSERT_NE(w, nullptr);
        const QString name = w->objectName();
        auto* label1 = w->findChild<QLabel*>(S("Label1"));
        ASSERT_NE(label1, nullptr);
        EXPECT_FALSE(label1->text().isEmpty());
        w->findChild<QPushButton*>(S("cmdClose"))->click();
        settle();
        label1->setText(S("changed"));
        openFromMenu(menuLabel);
        EXPECT_EQ(label1->text(), S("changed")) << name.toStdString();
        EXPECT_EQ(active(), w) << "the same window again";
        w->findChild<QPushButton*>(S("cmdClose"))->click();
        settle();
    }
}

TEST_F(InfoWindows, CaptionsSizesAndCloseButtons) {
    struct Row {
        const char* window;
        const char* caption;
        int w, h;
        const char* button;
        const char* buttonCaption;
        int bx, by, bw, bh;
        const char* tip;
        QKeySequence key;
    };
    const char* closeTip = "Click here to close this window.";
    const QKeySequence altC(Qt::ALT | Qt::Key_C);
    const Row rows[] = {
        {"frmInstruc", "Kithtale", 6990, 5280, "cmdReturn", "&Return to Main Screen", 5040, 4680,
         1815, 495, "Click here to return to the main screen.", QKeySequence(Qt::ALT | Qt::Key_R)},
        {"frmInfo", "Kithtale", 6195, 3990, "cmdClose", "&Close", 5160, 3360, 855, 495, closeTip,
         altC},
        {"frmDistribution", "Kithtale - Distribution Information", 7170, 4695, "cmdClose", "&Close",
         6120, 4080, 855, 495, closeTip, altC},
        {"frmWarranty", "Kithtale - Warranty Information", 7065, 4680, "cmdClose", "&Close", 6000,
         4080, 855, 495, closeTip, altC},
        {"frmShare", "Kithtale - Information About Shareware", 7980, 4815, "cmdClose", "&Close",
         6720, 4200, 1095, 495, closeTip, altC},
        {"frmVersionHx", "Kithtale - Version History", 6285, 4815, "cmdClose", "&Close", 5280, 4200,
         855, 495, closeTip, altC},
        {"frmCredits2", "", 6945, 5295, "cmdClose", "&Close", 2640, 3000, 615, 375, closeTip, altC},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.window);
        auto& w = program->windows().get(S(r.window));
        EXPECT_EQ(w.windowTitle(), S(r.caption));
        EXPECT_EQ(w.size(), sizeTw(r.w, r.h));
        EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed size";
        if (w.windowType() != Qt::Tool) {
            EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
            EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
            EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        }
        auto* b = w.findChild<QPushButton*>(S(r.button));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), S(r.buttonCaption));
        EXPECT_EQ(b->geometry(), rectTw(r.bx, r.by, r.bw, r.bh));
        EXPECT_EQ(b->toolTip(), S(r.tip));
        EXPECT_EQ(b->shortcut(), r.key);
        EXPECT_DOUBLE_EQ(b->font().pointSizeF(), 8.25);
        const int margin = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(b->text().remove(QLatin1Char('&'))),
                  b->width() - 2 * margin)
            << "the caption is cut off";
        EXPECT_EQ(w.focusWidget(), b) << "the button has the focus";
    }
}

TEST_F(InfoWindows, AccessKeysPressTheCloseButtons) {
    enterMainMenu();
    struct Row {
        const char* menuLabel;
        const char* window;
        Qt::Key key;
        const char* leadsTo;
    };
    const Row rows[] = {
        {"lblInstruc", "frmInstruc", Qt::Key_R, "frmMain"},
        {"lblShareware", "frmShare", Qt::Key_C, "frmMain"},
        {"lblInfo", "frmInfo", Qt::Key_C, "frmMain"},
        {"lblDistribution", "frmDistribution", Qt::Key_C, "frmMain"},
        {"lblWarranty", "frmWarranty", Qt::Key_C, "frmMain"},
    };
    const auto press = [this](const char* windowName, Qt::Key key, const char* leadsTo) {
        auto* w = window(S(windowName));
        w->activateWindow();
        settle();
        if (QApplication::activeWindow() != w)
            return false;
        QTest::keyClick(w, key, Qt::AltModifier);
        // A button pressed by its access key clicks a moment later, as a mouse click would look.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return isShown(S(leadsTo)) && !isShown(S(windowName)); }, 2000));
        settle();
        EXPECT_TRUE(isShown(S(leadsTo))) << windowName;
        EXPECT_FALSE(isShown(S(windowName))) << windowName;
        return true;
    };
    for (const Row& r : rows) {
        openFromMenu(r.menuLabel);
        if (!press(r.window, r.key, r.leadsTo))
            GTEST_SKIP() << "this platform plugin does not activate windows on request";
    }
    openFromMenu("lblInfo");
    clickLabel("frmInfo", "Picture1");
    press("frmCredits2", Qt::Key_C, "frmInfo");
    // The version window's Close hides it over the about window, which stays.
    clickLabel("frmInfo", "Label2");
    press("frmVersionHx", Qt::Key_C, "frmInfo");
}

TEST_F(InfoWindows, LabelsPlacesFontsAndColours) {
    struct Row {
        const char* window;
        const char* label;
        int x, y, w, h;
        QColor colour;
        bool bold;
        double points;
        Qt::Alignment align;
    };
    const QColor navy(0, 0, 128), red(192, 0, 0);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
    const Row rows[] = {
        {"frmInstruc", "Label1", 120, 120, 6735, 1815, navy, true, 9.75, left},
        {"frmInstruc", "Label2", 120, 1920, 6735, 2055, navy, true, 9.75, left},
        {"frmInstruc", "Label3", 120, 4080, 6735, 975, navy, true, 9.75, left},
        {"frmInfo", "Label1", 120, 120, 5895, 1335, navy, true, 9.75, left},
        {"frmInfo", "lblAddy", 720, 1680, 4815, 1455, red, true, 9.75,
         Qt::AlignHCenter | Qt::AlignTop},
        {"frmDistribution", "Label1", 120, 120, 6855, 4095, navy, true, 9.75, left},
        {"frmDistribution", "Label2", 120, 4200, 5775, 255, navy, true, 9.75, left},
        {"frmWarranty", "Label1", 120, 120, 6735, 2415, navy, true, 9.75, left},
        {"frmWarranty", "Label2", 120, 2520, 6735, 1455, navy, true, 9.75, left},
        {"frmWarranty", "Label3", 120, 3960, 5655, 495, navy, true, 9.75, left},
        {"frmShare", "Label1", 120, 120, 7695, 3855, navy, true, 9.75, left},
        {"frmShare", "Label2", 120, 3960, 6375, 495, navy, true, 9.75, left},
        {"frmVersionHx", "lblVersionHx", 120, 480, 6015, 3495, navy, false, 8.25, left},
        {"frmCredits2", "Label1", 1440, 1800, 3135, 1095, Qt::white, false, 15.75,
         Qt::AlignHCenter | Qt::AlignTop},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.window) + "." + r.label);
        auto& w = program->windows().get(S(r.window));
        auto* l = w.findChild<QLabel*>(S(r.label));
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->geometry(), rectTw(r.x, r.y, r.w, r.h));
        EXPECT_EQ(l->palette().color(QPalette::WindowText), r.colour);
        EXPECT_EQ(l->font().bold(), r.bold);
        EXPECT_DOUBLE_EQ(l->font().pointSizeF(), r.points);
        if (r.points != 8.25) {
            EXPECT_EQ(l->font().family(), S("Arial"));
        }
        EXPECT_EQ(l->alignment(), r.align);
        EXPECT_TRUE(l->wordWrap());
        EXPECT_EQ(l->textFormat(), Qt::PlainText);
    }

    // Labels sized to their text: the version window's caption and the about window's link.
    auto& version = program->windows().get(S("frmVersionHx"));
    auto* caption = version.findChild<QLabel*>(S("Label1"));
    EXPECT_EQ(caption->text(), S("Kithtale - Version History"));
    EXPECT_EQ(caption->pos(), pointTw(120, 120));
    EXPECT_EQ(caption->size(), caption->sizeHint());
    EXPECT_TRUE(caption->autoFillBackground());
    auto* link = program->windows().get(S("frmInfo")).findChild<ClickLabel*>(S("Label2"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), S("Version History"));
    EXPECT_EQ(link->pos(), pointTw(120, 3720));
    EXPECT_EQ(link->size(), link->sizeHint());
    EXPECT_DOUBLE_EQ(link->font().pointSizeF(), 8.25);
    EXPECT_EQ(link->toolTip(), S("Click here to read the version history."));
    auto* picture = program->windows().get(S("frmInfo")).findChild<ClickLabel*>(S("Picture1"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), rectTw(360, 1920, 480, 480));
    EXPECT_EQ(picture->toolTip(), S("Click here to read the credits."));
    EXPECT_EQ(picture->pixmap().deviceIndependentSize(), QSizeF(32, 32));
}

TEST_F(InfoWindows, EveryTextFitsItsLabel) {
    enterMainMenu();
    for (const MenuWindow& m : kMenuWindows) {
        openFromMenu(m.menuLabel); // fills the texts set at activation
        click(S(m.window), S(m.closeButton));
    }
    for (const char* n : {"frmInstruc", "frmInfo", "frmDistribution", "frmWarranty", "frmShare",
                          "frmVersionHx", "frmCredits2"}) {
        auto& w = program->windows().get(S(n));
        for (auto* l : w.findChildren<QLabel*>()) {
            if (!l->wordWrap())
                continue;
            SCOPED_TRACE(std::string(n) + "." + l->objectName().toStdString());
            EXPECT_FALSE(l->text().isEmpty());
            // One pixel of slack: the rounding of the line leading, below the last line's descent.
            EXPECT_LE(l->heightForWidth(l->width()), l->height() + 1) << "the text is cut off";
        }
    }
}

TEST_F(InfoWindows, TextsContinuedInTheNextLabelFillTheirOwn) {
    // A sentence that runs on into the next label reads on only if no empty line comes between.
    const std::pair<const char*, const char*> continued[] = {{"frmDistribution", "Label1"},
                                                             {"frmWarranty", "Label1"},
                                                             {"frmWarranty", "Label2"},
                                                             {"frmShare", "Label1"}};
    for (const auto& [n, labelName] : continued) {
        auto* l = program->windows().get(S(n)).findChild<QLabel*>(S(labelName));
        ASSERT_NE(l, nullptr);
        const int unused = l->height() - l->heightForWidth(l->width());
        EXPECT_LT(unused, QFontMetrics(l->font()).lineSpacing())
            << n << "." << labelName << ": " << unused << " px left empty of " << l->height();
        EXPECT_GE(unused, 0) << n << "." << labelName;
    }
}

TEST_F(InfoWindows, TextColoursReadOnTheirGrounds) {
    for (const char* n : {"frmInstruc", "frmInfo", "frmDistribution", "frmWarranty", "frmShare",
                          "frmVersionHx", "frmCredits2"}) {
        auto& w = program->windows().get(S(n));
        const QColor ground = w.palette().color(QPalette::Window);
        for (auto* l : w.findChildren<QLabel*>()) {
            if (!l->pixmap().isNull())
                continue;
            const QColor behind =
                l->autoFillBackground() ? l->palette().color(QPalette::Window) : ground;
            EXPECT_GE(ui::contrastRatio(l->palette().color(QPalette::WindowText), behind), 4.5)
                << n << "." << l->objectName().toStdString();
        }
    }
}

TEST(ReadableGround, KeepsALightSystemColourAndReplacesADarkOne) {
    const QColor navy(0, 0, 128), red(192, 0, 0);
    EXPECT_NEAR(ui::contrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(ui::contrastRatio(navy, navy), 1.0, 1e-9);
    EXPECT_EQ(ui::readableGround(QColor(239, 239, 239), {navy, red}), QColor(239, 239, 239));
    // A mid grey is fine for navy but too dark for the dark red.
    const QColor mid(190, 190, 190);
    EXPECT_EQ(ui::readableGround(mid, {navy}), mid);
    EXPECT_NE(ui::readableGround(mid, {navy, red}), mid);
    const QColor dark(49, 54, 59);
    const QColor replaced = ui::readableGround(dark, {navy, red});
    EXPECT_GE(ui::contrastRatio(replaced, navy), 4.5);
    EXPECT_GE(ui::contrastRatio(replaced, red), 4.5);
}

TEST(InfoTexts, FixedTextsExactly) {
    const QString p1 = texts::instructionsParagraph1();
    EXPECT_TRUE(p1.startsWith(
        S("Kithtale is the third in a series of four tools for improving family communication and "
          "recording family members' histories.  (")));
    EXPECT_TRUE(p1.endsWith(
        S(")  Some questions are supplied, but others may be added in the text editing area.  "
          "NOTE:  All of the questions, including the ones you haven't answered, appear on the "
          "text editing page.  This is to remind you in case you accidentally forgot to answer "
          "one.")));
    EXPECT_EQ(texts::instructionsParagraph2(),
              S("Take your time answering these questions.  One question a day or one a week "
                "might be an appropriate goal.  Be as honest and as thorough as possible.  Put "
                "yourself in the reader's position -- what if YOU were the child and one of your "
                "family members was answering the questions for you?  If you don't want to "
                "answer a certain question, don't.  (Although a brief explanation as to why you "
                "don't want to answer it might be beneficial to the reader.)  Also add any "
                "questions you wish you were asked but weren't."));
    EXPECT_EQ(texts::instructionsParagraph3(),
              S("Whether you are the person answering the questions or the one requesting the "
                "answers, I would appreciate your feedback about this software application.  "
                "Please email me at\r\nkithtale@example.com.  Thank you."));

    const QStringList history = texts::versionHistory().split(S("\r\n"));
    const QStringList expected = {S("Version 2.0:"),
                                  S("- Added text editing capabilities."),
                                  S(""),
                                  S("Version 2.1:"),
                                  S("- Fixed text editor resizing problem."),
                                  S("- Added ability to reload previously saved data."),
                                  S(""),
                                  S("Version 2.1.1:"),
                                  S("- Made changes to stress need to save to a file."),
                                  S(""),
                                  S("")}; // every line, the last empty one too, ends in a break
    EXPECT_EQ(history, expected);
    EXPECT_EQ(texts::dedication(), S("Dedicated to my grandfathers, who I never knew."));
}

TEST(InfoTexts, ShapesOfTheTextsWeWrite) {
    // The parenthesised sentence names three other titles of the series.
    const QString p1 = texts::instructionsParagraph1();
    const qsizetype open = p1.indexOf(QLatin1Char('(')), close = p1.indexOf(QLatin1Char(')'));
    ASSERT_GT(close, open);
    EXPECT_EQ(p1.mid(open, close - open).count(S("Kithtale ")), 3);

    const QStringList contact = texts::contactBlock().split(S("\r\n"));
    ASSERT_EQ(contact.size(), 6) << "six lines, no break after the last";
    EXPECT_EQ(contact[0], texts::authorName());
    EXPECT_EQ(contact[1], texts::makerName());
    EXPECT_EQ(contact[4], texts::authorEmail());
    EXPECT_EQ(contact[5], texts::makerWeb());
    EXPECT_TRUE(texts::authorEmail().endsWith(S("@example.com")));
    EXPECT_TRUE(texts::makerWeb().startsWith(S("www.example.com/")));

    EXPECT_EQ(texts::distribution().split(S("\r\n\r\n")).size(), 4);
    EXPECT_TRUE(texts::distribution().contains(S("2000")));
    EXPECT_TRUE(texts::distributionContact().contains(texts::authorEmail()));
    EXPECT_TRUE(texts::distributionContact().endsWith(S("for more information.")));
    EXPECT_EQ(texts::shareware1().split(S("\r\n\r\n")).size(), 2);
    EXPECT_TRUE(texts::aboutShareware().contains(S("$5.00")));
    // Each label but the last stops mid-sentence and the next carries on in lower case.
    for (const QString& part :
         {texts::warranty1(), texts::warranty2(), texts::shareware1(), texts::distribution()})
        EXPECT_FALSE(part.endsWith(QLatin1Char('.'))) << part.right(20).toStdString();
    for (const QString& next : {texts::warranty2(), texts::warranty3(), texts::shareware2(),
                                texts::distributionContact().mid(texts::authorEmail().size())})
        EXPECT_FALSE(next.trimmed().front().isUpper()) << next.left(20).toStdString();
    EXPECT_TRUE(texts::warranty3().endsWith(QLatin1Char('.')));
    EXPECT_TRUE(texts::shareware2().endsWith(QLatin1Char('.')));
}

} // namespace
