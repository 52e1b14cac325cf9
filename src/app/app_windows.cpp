#include "app/app_windows.h"

#include "app/main_menu.h"
#include "app/save_note.h"
#include "app/splash.h"
#include "platform/window_manager.h"

namespace kt::app {

void registerAppWindows(platform::WindowManager& windows, ProgramState& state) {
    windows.registerWindow(QStringLiteral("frmSplash"), [] { return new SplashWindow(); });
    windows.registerWindow(QStringLiteral("frmMain"), [&state] { return new MainMenu(state); });
    windows.registerWindow(QStringLiteral("frmNote"), [&state] { return new SaveNote(state); });
}

} // namespace kt::app
