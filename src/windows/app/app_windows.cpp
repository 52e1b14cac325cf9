#include "windows/window_registration.h"

#include "ui/window_manager.h"
#include "windows/app/credits.h"
#include "windows/app/info_windows.h"
#include "windows/app/main_menu.h"
#include "windows/app/save_note.h"
#include "windows/app/splash.h"

namespace kt::app {

void registerAppWindows(ui::WindowManager& windows, ProgramState& state) {
    windows.registerWindow(QStringLiteral("frmSplash"), [] { return new SplashWindow(); });
    windows.registerWindow(QStringLiteral("frmMain"), [&state] { return new MainMenu(state); });
    windows.registerWindow(QStringLiteral("frmNote"), [&state] { return new SaveNote(state); });

    // Information windows.
    for (const char* name :
         {"frmInstruc", "frmDistribution", "frmWarranty", "frmShare", "frmVersionHx"})
        windows.registerWindow(QString::fromLatin1(name),
                               [name] { return new InfoWindow(infoWindowDesign(name)); });
    windows.registerWindow(QStringLiteral("frmInfo"), [] { return new AboutWindow(); });
    windows.registerWindow(QStringLiteral("frmCredits2"), [] { return new CreditsWindow(); });
}

} // namespace kt::app
