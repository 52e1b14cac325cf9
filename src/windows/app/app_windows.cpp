#include "windows/window_registration.h"

#include "windows/window_names.h"

#include "ui/window_manager.h"
#include "windows/app/credits.h"
#include "windows/app/info_windows.h"
#include "windows/app/main_menu.h"
#include "windows/app/save_note.h"
#include "windows/app/splash.h"

namespace kt::app {

void registerAppWindows(ui::WindowManager& windows, ProgramState& state) {
    windows.registerWindow(windows::kSplash, [] { return new SplashWindow(); });
    windows.registerWindow(windows::kMainMenu, [&state] { return new MainMenu(state); });
    windows.registerWindow(windows::kSaveNote, [&state] { return new SaveNote(state); });

    // Information windows.
    for (QLatin1String name : {windows::kInstructions, windows::kDistribution, windows::kWarranty,
                               windows::kShareware, windows::kVersionHistory})
        windows.registerWindow(name, [name] { return new InfoWindow(infoWindowDesign(name)); });
    windows.registerWindow(windows::kAbout, [] { return new AboutWindow(); });
    windows.registerWindow(windows::kCredits, [] { return new CreditsWindow(); });
}

} // namespace kt::app
