#pragma once

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace kt::ui {

// Long work told as it goes: a progress window with Cancel comes up over `window` once the work
// has taken about half a second, modal, so nothing else can be started meanwhile while the
// program keeps drawing and answering. Each step lets the window system's events through.
class Progress {
public:
    Progress(const QString& label, QWidget* window);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Step `done` of `total`; false once the user has cancelled.
    bool step(int done, int total);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace kt::ui
