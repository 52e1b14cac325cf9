#include "app/program.h"

#include "window_registration.h"

namespace kt::app {

Program::Program() {
    registerAppWindows(m_windows, m_state);
    questionnaire::registerQuestionnaireWindows(m_windows, m_state);
    document::registerDocumentWindows(m_windows, m_state);
}

Program::~Program() {
    m_windows.destroyAll();
}

void Program::start() {
    m_windows.show(QStringLiteral("frmSplash"));
}

} // namespace kt::app
