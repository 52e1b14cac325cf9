#include "window_registration.h"

#include "app/credits.h"
#include "app/info_windows.h"
#include "app/main_menu.h"
#include "app/save_note.h"
#include "app/splash.h"
#include "platform/window_manager.h"

namespace kt::app {

void registerAppWindows(platform::WindowManager& windows, ProgramState& state) {
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
