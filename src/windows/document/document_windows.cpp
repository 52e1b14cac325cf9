#include "windows/window_registration.h"

#include "windows/window_names.h"

#include "ui/window_manager.h"
#include "windows/document/text_editor_window.h"

namespace kt::document {

void registerDocumentWindows(ui::WindowManager& windows, ProgramState& state) {
    windows.registerWindow(windows::kTextEditor, [&state] { return new TextEditorWindow(state); });
}

} // namespace kt::document
