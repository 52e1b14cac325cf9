#pragma once

namespace kt {
struct ProgramState;
namespace platform {
class WindowManager;
}
} // namespace kt

namespace kt::document {

// The text editor window.
void registerDocumentWindows(platform::WindowManager& windows, ProgramState& state);

} // namespace kt::document
