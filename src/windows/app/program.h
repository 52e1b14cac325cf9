#pragma once

#include "core/program_state.h"
#include "ui/window_manager.h"

namespace kt::app {

// The running program: the shared state and the window manager with every window's factory.
class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates the splash (which creates the main menu and the windows made at start-up) and
    // shows it.
    void start();

    ProgramState& state() { return m_state; }
    ui::WindowManager& windows() { return m_windows; }

private:
    ProgramState m_state;
    ui::WindowManager m_windows;
};

} // namespace kt::app
