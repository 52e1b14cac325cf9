#pragma once

#include "support/scripted_dialogs.h"
#include "ui/program_window.h"
#include "windows/app/program.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kt::app {
class SafetyCopy;
}

namespace kt::test {

// Turns the mouse wheel over `target` by `angle` eighths of a degree (120 a notch; positive
// away from the user), holding the given keys.
void turnWheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers);

// A whole program per test, with the dialog seam scripted.
class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lets queued activations and events run.
    static void settle();
    // Lets events run until done() holds; false when it still does not after `ms`.
    static bool waitUntil(const std::function<bool()>& done, int ms = 10000);
    // Starts the program and presses Enter on the splash: the main menu is then active.
    void enterMainMenu();

    ui::ProgramWindow* window(const QString& name) const;
    template <class T = QWidget>
    T* child(const QString& windowName, const QString& childName) const {
        auto* w = window(windowName);
        return w ? w->findChild<T*>(childName) : nullptr;
    }
    void click(const QString& windowName, const QString& buttonName);
    bool isShown(const QString& windowName) const;
    ui::ProgramWindow* active() const { return program->windows().activeWindow(); }
    bool ended() const { return program->windows().ending(); }

    ProgramState& state() { return program->state(); }

    // The program keeps its safety copy in `folder`, written 30 ms after the last input.
    app::SafetyCopy* keepSafetyCopy(const QString& folder);
    // Types as the user does, then waits for the pause and the write it brings: whether that
    // write succeeded.
    bool typeAndPause(QWidget* target, const QString& text);

    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<app::Program> program;
};

} // namespace kt::test
