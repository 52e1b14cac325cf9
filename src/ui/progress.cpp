#include "ui/progress.h"

#include <QProgressDialog>

namespace kt::ui {

Progress::Progress(const QString& label, QWidget* window)
    : m_dialog(std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, 1, window)) {
    m_dialog->setWindowTitle(QStringLiteral("Kithtale"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(500);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setValue(0); // starts the clock of the minimum duration
}

Progress::~Progress() = default;

bool Progress::step(int done, int total) {
    if (m_dialog->maximum() != total)
        m_dialog->setMaximum(total);
    m_dialog->setValue(done); // modal: lets events through
    return !m_dialog->wasCanceled();
}

} // namespace kt::ui
