#pragma once

// Each window folder registers its windows' factories with the window manager; Program calls
// all three at start-up. A new window is added to its folder's *_windows.cpp.

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

namespace kt::questionnaire {
// The eleven section screens and the nineteen answer pages.
void registerQuestionnaireWindows(platform::WindowManager& windows, ProgramState& state);
} // namespace kt::questionnaire

namespace kt::document {
// The text editor window.
void registerDocumentWindows(platform::WindowManager& windows, ProgramState& state);
} // namespace kt::document
