#pragma once

#include "core/program_state.h"
#include "ui/window_manager.h"

#include <QString>

#include <memory>

namespace kt::app {

class SafetyCopy;

// The running program: the shared state and the window manager with every window's factory.
class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Keeps the user's unsaved work in a safety copy under `folder` (the program's data folder
    // when empty) from now on, and offers an earlier run's copy when the main menu first shows.
    // Before start().
    void keepSafetyCopy(const QString& folder = {});

    // Creates the splash (which creates the main menu and the windows made at start-up) and
    // shows it.
    void start();

    ProgramState& state() { return m_state; }
    ui::WindowManager& windows() { return m_windows; }
    SafetyCopy* safetyCopy() { return m_safetyCopy.get(); }

private:
    ProgramState m_state;
    ui::WindowManager m_windows;
    std::unique_ptr<SafetyCopy> m_safetyCopy;
};

} // namespace kt::app
