#pragma once

#include "ui/program_window.h"

namespace kt::app {

// frmSplash: the first window. Creating it creates the main menu and the windows made at
// start-up; Enter shows the main menu, Exit ends the program.
class SplashWindow : public ui::ProgramWindow {
    Q_OBJECT
public:
    SplashWindow();

protected:
    bool closeRequested() override;
};

} // namespace kt::app
