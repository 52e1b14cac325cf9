#include "system/memory.h"
#include "ui/program_style.h"
#include "ui/speller.h"
#include "windows/app/program.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    kt::system::keepFreedMemory();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kithtale"));
    // No display name: the toolkit would append it to every caption ("Kithtale - First Car
    // - Kithtale"), and the captions are to read exactly as given.
    QApplication::setDesktopFileName(QStringLiteral("kithtale"));
    // The program ends only through its own exits, never because a window was hidden.
    QApplication::setQuitOnLastWindowClosed(false);
    kt::ui::installProgramStyle();

    kt::app::Program program;
    program.keepSafetyCopy();
    QObject::connect(&program.windows(), &kt::ui::WindowManager::programEnded, &application,
                     &QApplication::quit, Qt::QueuedConnection);
    program.start();
    // The dictionary is read while the user looks at the splash, once it is drawn.
    QTimer::singleShot(0, [] { kt::ui::Speller::loadInBackground(); });
    return QApplication::exec();
}
