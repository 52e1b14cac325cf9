#pragma once

#include "platform/program_window.h"

namespace kt::app {

// frmSplash: the first window. Creating it creates the main menu and the windows made at
// start-up; Enter shows the main menu, Exit ends the program.
class SplashWindow : public platform::ProgramWindow {
    Q_OBJECT
public:
    SplashWindow();

protected:
    bool closeRequested() override;
};

} // namespace kt::app
