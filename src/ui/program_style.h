#pragma once

class QStyle;

namespace kt::ui {

// Makes `base` (by default the style the toolkit chose) the application's style, with one
// change: every push button with the keyboard focus, in the program's windows and in message
// boxes and dialogs alike, shows a frame in its caption's colour. Some styles show the focus
// only as a faint change of outline, which older eyes miss. Takes ownership of `base`.
void installProgramStyle(QStyle* base = nullptr);

} // namespace kt::ui
