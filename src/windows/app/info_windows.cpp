#include "windows/app/info_windows.h"

#include "windows/window_names.h"

#include "ui/ground.h"

#include "ui/twips.h"
#include "ui/window_manager.h"
#include "windows/app/info_texts.h"
#include "windows/common/artwork.h"
#include "windows/common/confirm_exit.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

#include <stdexcept>

namespace kt::app {

using namespace kt::ui;
using namespace kt::windows;

namespace {

using Look = InfoLabel::Look;
using Fill = InfoLabel::Fill;
using Design = InfoWindowDesign;

constexpr InfoLabel kInstrucLabels[] = {
    {"Label1", 120, 120, 6735, 1815, texts::instructionsParagraph1, Look::Text,
     Fill::EachActivation},
    {"Label2", 120, 1920, 6735, 2055, texts::instructionsParagraph2, Look::Text,
     Fill::EachActivation},
    {"Label3", 120, 4080, 6735, 975, texts::instructionsParagraph3, Look::Text,
     Fill::EachActivation},
};
constexpr InfoLabel kInfoLabels[] = {
    {"Label1", 120, 120, 5895, 1335, texts::aboutShareware, Look::Text, Fill::AtCreation},
    {"lblAddy", 720, 1680, 4815, 1455, texts::contactBlock, Look::Contact, Fill::EachActivation},
};
constexpr InfoLabel kDistributionLabels[] = {
    {"Label1", 120, 120, 6855, 4095, texts::distribution, Look::Text, Fill::AtCreation},
    {"Label2", 120, 4200, 5775, 255, texts::distributionContact, Look::Text, Fill::AtCreation},
};
constexpr InfoLabel kWarrantyLabels[] = {
    {"Label1", 120, 120, 6735, 2415, texts::warranty1, Look::Text, Fill::AtCreation},
    {"Label2", 120, 2520, 6735, 1455, texts::warranty2, Look::Text, Fill::AtCreation},
    {"Label3", 120, 3960, 5655, 495, texts::warranty3, Look::Text, Fill::AtCreation},
};
constexpr InfoLabel kShareLabels[] = {
    {"Label1", 120, 120, 7695, 3855, texts::shareware1, Look::Text, Fill::AtCreation},
    {"Label2", 120, 3960, 6375, 495, texts::shareware2, Look::Text, Fill::AtCreation},
};
constexpr InfoLabel kVersionLabels[] = {
    {"Label1", 120, 120, 4785, 240, texts::versionHistoryCaption, Look::Heading, Fill::AtCreation},
    {"lblVersionHx", 120, 480, 6015, 3495, texts::versionHistory, Look::Small, Fill::AtCreation},
};

constexpr const char* kReturnTip = "Click here to return to the main screen.";
constexpr const char* kCloseTip = "Click here to close this window.";

const Design kDesigns[] = {
    {windows::kInstructions, "Kithtale", 6990, 5280, Design::Ground::WindowFrame, kInstrucLabels,
     "cmdReturn", "&Return to Main Screen", kReturnTip, 5040, 4680, 1815, 495,
     Design::CloseButton::MainMenuBack, Design::TitleBarClose::ConfirmExit},
    {windows::kAbout, "Kithtale", 6195, 3990, Design::Ground::Menu, kInfoLabels, "cmdClose",
     "&Close", kCloseTip, 5160, 3360, 855, 495, Design::CloseButton::MainMenuBack,
     Design::TitleBarClose::ConfirmExit},
    {windows::kDistribution, "Kithtale - Distribution Information", 7170, 4695,
     Design::Ground::Window, kDistributionLabels, "cmdClose", "&Close", kCloseTip, 6120, 4080, 855,
     495, Design::CloseButton::MainMenuBack, Design::TitleBarClose::ConfirmExit},
    {windows::kWarranty, "Kithtale - Warranty Information", 7065, 4680, Design::Ground::Window,
     kWarrantyLabels, "cmdClose", "&Close", kCloseTip, 6000, 4080, 855, 495,
     Design::CloseButton::MainMenuBack, Design::TitleBarClose::ConfirmExit},
    {windows::kShareware, "Kithtale - Information About Shareware", 7980, 4815,
     Design::Ground::Window, kShareLabels, "cmdClose", "&Close", kCloseTip, 6720, 4200, 1095, 495,
     Design::CloseButton::MainMenuBack, Design::TitleBarClose::ConfirmExit},
    {windows::kVersionHistory, "Kithtale - Version History", 6285, 4815, Design::Ground::Window,
     kVersionLabels, "cmdClose", "&Close", kCloseTip, 5280, 4200, 855, 495,
     Design::CloseButton::HideOnly, Design::TitleBarClose::Destroy},
};

// A label shows the toolkit's own line breaks.
QString forDisplay(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QColor systemColour(Design::Ground ground) {
    switch (ground) {
    case Design::Ground::Menu:
        return QApplication::palette("QMenu").color(QPalette::Active, QPalette::Window);
    case Design::Ground::WindowFrame:
    case Design::Ground::Window:
        break;
    }
    return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

QColor textColour(Look look) {
    return look == Look::Contact ? look::darkRed() : look::navy();
}

// Raises a window once, when another one next becomes active.
class RaiseWhenActivated : public QObject {
public:
    RaiseWhenActivated(QWidget& watched, QWidget& toRaise) : QObject(&watched), m_raise(&toRaise) {
        watched.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowActivate) {
            if (m_raise && m_raise->isVisible())
                m_raise->raise();
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_raise;
};

} // namespace

const InfoWindowDesign& infoWindowDesign(QLatin1String name) {
    for (const Design& s : kDesigns)
        if (s.name == name)
            return s;
    throw std::logic_error(std::string("no information window named ") + name.data());
}

InfoWindow::InfoWindow(const InfoWindowDesign& design)
    : ProgramWindow(design.name, QString::fromLatin1(design.caption)), m_design(design) {
    setFixedClientSizeTwips(design.clientWidth, design.clientHeight);

    setAutoFillBackground(true);

    for (const InfoLabel& l : design.labels) {
        QLabel* label = addLabel(this, QString::fromLatin1(l.name), QString(), l.x, l.y, l.w, l.h);
        // The texts are plain: nothing in them is markup or an access key.
        label->setTextFormat(Qt::PlainText);
        QPalette lp = label->palette();
        lp.setColor(QPalette::WindowText, textColour(l.look));
        switch (l.look) {
        case Look::Text:
            break;
        case Look::Contact:
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            break;
        case Look::Small:
            label->setFont(look::dialogFont());
            break;
        case Look::Heading:
            label->setAutoFillBackground(true);
            label->setWordWrap(false);
            break;
        }
        label->setPalette(lp);
        m_labels.insert(label->objectName(), label);
    }
    InfoWindow::applyGround();
    fill(Fill::AtCreation);
    for (const InfoLabel& l : design.labels)
        if (l.look == Look::Heading)
            m_labels.value(QString::fromLatin1(l.name))->adjustSize();

    auto* close = addButton(this, QString::fromLatin1(design.closeName),
                            QString::fromLatin1(design.closeCaption), design.closeX, design.closeY,
                            design.closeW, design.closeH, QString::fromLatin1(design.closeToolTip));
    connect(close, &QPushButton::clicked, this, [this] { closeClicked(); });
    close->setFocus();

    centreOnScreen();
}

void InfoWindow::fill(InfoLabel::Fill when) {
    for (const InfoLabel& l : m_design.labels)
        if (l.fill == when)
            m_labels.value(QString::fromLatin1(l.name))->setText(forDisplay(l.text()));
}

void InfoWindow::applyGround() {
    // The system colour the design asks for, unless the desktop theme makes the program's dark
    // text unreadable on it.
    QPalette pal;
    pal.setColor(QPalette::Window, systemColour(m_design.ground));
    setPalette(pal);
    look::keepTextReadable(*this);
    for (const InfoLabel& l : m_design.labels) {
        if (l.look != Look::Heading)
            continue;
        QLabel* heading = m_labels.value(QString::fromLatin1(l.name));
        QPalette hp = heading->palette();
        hp.setColor(QPalette::Window,
                    readableGround(systemColour(Design::Ground::WindowFrame), {look::navy()}));
        heading->setPalette(hp);
    }
}

void InfoWindow::activated() {
    fill(Fill::EachActivation);
}

void InfoWindow::closeClicked() {
    switch (m_design.closeButton) {
    case Design::CloseButton::MainMenuBack:
        showWindow(windows::kMainMenu);
        hide();
        break;
    case Design::CloseButton::HideOnly:
        hide();
        break;
    }
}

bool InfoWindow::closeRequested() {
    switch (m_design.titleBarClose) {
    case Design::TitleBarClose::ConfirmExit:
        return confirmExitAndEnd();
    case Design::TitleBarClose::Destroy:
        break;
    }
    return true;
}

AboutWindow::AboutWindow() : InfoWindow(infoWindowDesign(windows::kAbout)) {
    auto* picture = new ClickLabel(this, QStringLiteral("Picture1"), QString());
    picture->setPixmap(artwork::infoSymbol(devicePixelRatioF()));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setGeometry(rectTw(360, 1920, 480, 480));
    picture->setToolTip(QStringLiteral("Click here to read the credits."));
    picture->setAccessibleName(QStringLiteral("Credits"));
    picture->setKeyboardReachable();
    // The picture overlaps the contact block's left edge; it must stay clickable there.
    picture->raise();
    connect(picture, &ClickLabel::clicked, this, [this] {
        showWindow(windows::kCredits);
        hide();
    });

    auto* history =
        new ClickLabel(this, QStringLiteral("Label2"), QStringLiteral("Version History"));
    history->setTextFormat(Qt::PlainText);
    history->setFont(look::dialogFont());
    history->move(pointTw(120, 3720));
    history->adjustSize();
    history->setToolTip(QStringLiteral("Click here to read the version history."));
    history->setKeyboardReachable();
    // Opens over this window, which stays shown.
    connect(history, &ClickLabel::clicked, this, [] { showWindow(windows::kVersionHistory); });
}

void AboutWindow::closeClicked() {
    InfoWindow::closeClicked();
    // The version window opened from here stays in front of the main menu that comes back. A
    // window manager raises the menu when it activates it, which happens after this handler;
    // so the version window is raised again once the menu has become active.
    ProgramWindow* version = windows().find(windows::kVersionHistory);
    ProgramWindow* menu = windows().find(windows::kMainMenu);
    if (!version || !version->isVisible() || !menu)
        return;
    version->raise();
    new RaiseWhenActivated(*menu, *version);
}

} // namespace kt::app
