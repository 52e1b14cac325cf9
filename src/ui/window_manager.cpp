#include "ui/window_manager.h"

#include "ui/program_window.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

namespace kt::ui {
namespace {
WindowManager* g_instance = nullptr;
}

WindowManager::WindowManager() {
    if (g_instance)
        throw std::logic_error("one WindowManager per program");
    g_instance = this;
}

WindowManager::~WindowManager() {
    destroyAll();
    g_instance = nullptr;
}

WindowManager& WindowManager::instance() {
    if (!g_instance)
        throw std::logic_error("no WindowManager");
    return *g_instance;
}

void WindowManager::registerWindow(const QString& name, Factory factory) {
    m_factories.insert(name, std::move(factory));
}

bool WindowManager::isRegistered(const QString& name) const {
    return m_factories.contains(name);
}

QStringList WindowManager::names() const {
    QStringList all = m_factories.keys();
    all.sort();
    return all;
}

ProgramWindow* WindowManager::find(const QString& name) const {
    const auto it = m_windows.constFind(name);
    return it == m_windows.constEnd() ? nullptr : it->data();
}

ProgramWindow& WindowManager::get(const QString& name) {
    if (auto* existing = find(name))
        return *existing;
    const auto it = m_factories.constFind(name);
    if (it == m_factories.constEnd())
        throw std::logic_error("no window named " + name.toStdString());
    ProgramWindow* window = (*it)();
    m_windows.insert(name, window);
    return *window;
}

void WindowManager::show(const QString& name) {
    showWindow(get(name));
}

void WindowManager::showWindow(ProgramWindow& window) {
    if (m_ending)
        return;
    window.show();
    window.raise();
    window.activateWindow();
    m_requested = &window;
    scheduleSettle();
}

void WindowManager::noteSystemActivation(ProgramWindow*) {
    if (m_ending)
        return;
    m_systemCheckPending = true;
    scheduleSettle();
}

void WindowManager::scheduleSettle() {
    if (m_settleQueued)
        return;
    m_settleQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_settleQueued = false;
        settle();
    });
}

void WindowManager::settle() {
    // A handler may show another window; settle again until nothing new was asked for.
    for (int guard = 0; guard < 64 && !m_ending; ++guard) {
        ProgramWindow* target = nullptr;
        if (m_requested) {
            target = m_requested;
            m_requested = nullptr;
            m_systemCheckPending = false;
        } else if (m_systemCheckPending) {
            m_systemCheckPending = false;
            target = qobject_cast<ProgramWindow*>(QApplication::activeWindow());
        }
        if (!target || !target->isVisible() || target == m_active)
            return;
        if (m_watched)
            m_watched->removeEventFilter(this);
        m_active = target;
        m_watched = target;
        target->installEventFilter(this);
        target->activated();
    }
}

bool WindowManager::eventFilter(QObject* watched, QEvent* event) {
    // Once hidden by the program, the window that was active must become active again to
    // recompute what it shows when it is next shown; whatever the user sees now is the window
    // system's to tell. Minimising (a hide the window system sends) changes nothing.
    // Compared as an object: a window being destroyed hides itself from its base's destructor,
    // when it is no longer a program window.
    if (event->type() == QEvent::Hide && !event->spontaneous() && watched == m_watched) {
        watched->removeEventFilter(this);
        m_watched = nullptr;
        m_active = nullptr;
        noteSystemActivation(nullptr);
    }
    return QObject::eventFilter(watched, event);
}

void WindowManager::endProgram() {
    if (m_ending)
        return;
    m_ending = true;
    m_requested = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        w->hide();
    Q_EMIT programEnded();
}

void WindowManager::destroyAll() {
    for (auto& w : m_windows)
        delete w.data();
    m_windows.clear();
    m_active = nullptr;
    m_requested = nullptr;
}

} // namespace kt::ui
