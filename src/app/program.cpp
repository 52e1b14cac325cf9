#include "app/program.h"

#include "app/app_windows.h"
#include "document/document_windows.h"
#include "questionnaire/questionnaire_windows.h"

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
