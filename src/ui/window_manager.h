#pragma once

#include "ui/program_window.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

namespace kt::ui {

// Owns the program's windows by name and decides which one is the program's active window.
//
// Each window exists at most once: it is made by its factory the first time it is needed and
// is then only shown and hidden, until a close that nothing cancelled destroys it.
//
// Activation: window-system activation events cannot carry "recompute on becoming active"
// alone (offscreen and bare X11 send none after a message box closes, a window manager does,
// and they arrive late and in bursts). So the program tracks its own active window. showWindow()
// makes the target the requested active window; window-system activations of a visible program
// window are a second input. Both are settled on the next turn of the event loop (or by
// settle()): if the settled window differs from the current active one, it becomes active and
// its activated() handler runs. Returning from a message box, a dialog or another application
// leaves the same window active, so nothing re-runs.
class WindowManager : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<ProgramWindow*()>;

    WindowManager();
    ~WindowManager() override;
    static WindowManager& instance();

    void registerWindow(const QString& name, Factory factory);
    bool isRegistered(const QString& name) const;
    // Every registered name, sorted: the program's whole set of windows.
    QStringList names() const;
    ProgramWindow* find(const QString& name) const;
    // The existing window, or a new one made by its factory.
    ProgramWindow& get(const QString& name);
    template <class W> W& get(const QString& name) { return static_cast<W&>(get(name)); }

    // Show not modally, with no owner, and make it the program's active window.
    void show(const QString& name);
    void showWindow(ProgramWindow& window);

    ProgramWindow* activeWindow() const { return m_active; }
    // Runs a pending activation now; harmless when none is pending.
    void settle();

    // Ending the program at once: every window disappears and no further handler runs.
    void endProgram();
    bool ending() const { return m_ending; }

    // Destroys every window (tests start each case from nothing).
    void destroyAll();

Q_SIGNALS:
    void programEnded();

protected:
    // A hidden window is no longer the program's active one.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ProgramWindow;
    void noteSystemActivation(ProgramWindow* window);
    void scheduleSettle();

    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<ProgramWindow>> m_windows;
    QPointer<ProgramWindow> m_active;
    QPointer<QObject> m_watched; // the active window, watched for being hidden
    QPointer<ProgramWindow> m_requested;
    bool m_systemCheckPending = false;
    bool m_settleQueued = false;
    bool m_ending = false;
};

} // namespace kt::ui
