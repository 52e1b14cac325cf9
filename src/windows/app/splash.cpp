#include "windows/app/splash.h"

#include "windows/window_names.h"

#include "ui/twips.h"
#include "ui/window_manager.h"
#include "windows/common/artwork.h"
#include "windows/common/controls.h"

#include <QPainter>

namespace kt::app {

using namespace kt::ui;
using namespace kt::windows;

namespace {

class ArtworkView : public QWidget {
public:
    using Painter = void (*)(QPainter&, const QRectF&);
    ArtworkView(QWidget* parent, const QString& name, Painter painter)
        : QWidget(parent), m_painter(painter) {
        setObjectName(name);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        m_painter(p, QRectF(rect()));
    }

private:
    Painter m_painter;
};

} // namespace

SplashWindow::SplashWindow() : ProgramWindow(windows::kSplash, QStringLiteral("Kithtale")) {
    setFixedClientSizeTwips(4320, 3720);

    auto* image = new ArtworkView(this, QStringLiteral("Image1"), artwork::paintMakerLettering);
    image->setGeometry(rectTw(120, 0, 4110, 795));
    auto* picture = new ArtworkView(this, QStringLiteral("Picture1"), artwork::paintTitleBubble);
    picture->setGeometry(rectTw(360, 720, 3615, 2145));

    auto* enter = addButton(this, QStringLiteral("cmdEnter"), QStringLiteral("&Enter"), 3240, 3120,
                            975, 495, QStringLiteral("Click here to begin."));
    auto* exit = addButton(this, QStringLiteral("cmdExit"), QStringLiteral("E&xit"), 120, 3120, 975,
                           495, QStringLiteral("Click here to exit the program."));
    setTabOrder(enter, exit);
    setDefaultButton(enter);
    enter->setFocus();

    connect(enter, &QPushButton::clicked, this, [this] {
        showWindow(windows::kMainMenu);
        hide();
    });
    connect(exit, &QPushButton::clicked, this, [] { windows().endProgram(); });

    // Creation order: centre, then the windows made at start-up without showing them.
    centreOnScreen();
    for (QLatin1String name : {windows::kMainMenu, windows::kInstructions, windows::kAbout})
        windows().get(name);
}

bool SplashWindow::closeRequested() {
    // The splash has no question of its own: closing it ends the program as its Exit does.
    windows().endProgram();
    return true;
}

} // namespace kt::app
