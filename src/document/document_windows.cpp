#include "document/document_windows.h"

namespace kt::document {

void registerDocumentWindows(platform::WindowManager&, ProgramState&) {}

} // namespace kt::document
