#pragma once

namespace kt::windows {

// The shared exit confirmation. True when the user answered Yes.
bool ConfirmExit();

// For title-bar closes and Exit buttons: asks ConfirmExit; on Yes ends the program at once and
// returns true, on No returns false so the caller cancels the close.
bool confirmExitAndEnd();

} // namespace kt::windows
