#pragma once

// Each window folder registers its windows' factories with the window manager; Program calls
// all three at start-up. A new window is added to its folder's *_windows.cpp.

namespace kt {
struct ProgramState;
namespace ui {
class WindowManager;
}
} // namespace kt

namespace kt::app {
// Splash, main menu, information windows and the save note.
void registerAppWindows(ui::WindowManager& windows, ProgramState& state);
} // namespace kt::app

namespace kt::questionnaire {
// The eleven section screens, the nineteen answer pages and the photo window.
void registerQuestionnaireWindows(ui::WindowManager& windows, ProgramState& state);
} // namespace kt::questionnaire

namespace kt::document {
// The text editor window.
void registerDocumentWindows(ui::WindowManager& windows, ProgramState& state);
} // namespace kt::document
