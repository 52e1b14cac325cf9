#pragma once

namespace kt {
struct ProgramState;
namespace platform {
class WindowManager;
}
} // namespace kt

namespace kt::app {

// Splash, main menu, information windows and the save note.
void registerAppWindows(platform::WindowManager& windows, ProgramState& state);

} // namespace kt::app
