#include "window_registration.h"

#include "document/text_editor_window.h"
#include "platform/window_manager.h"

namespace kt::document {

void registerDocumentWindows(platform::WindowManager& windows, ProgramState& state) {
    windows.registerWindow(QStringLiteral("frmTxtEditor"),
                           [&state] { return new TextEditorWindow(state); });
}

} // namespace kt::document
