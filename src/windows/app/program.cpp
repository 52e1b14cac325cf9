#include "windows/app/program.h"

#include "windows/app/safety_copy.h"
#include "windows/window_names.h"

#include "windows/common/artwork.h"
#include "windows/common/look.h"
#include "windows/window_registration.h"

#include <QGuiApplication>

namespace kt::app {

Program::Program() {
    // Every window, message box and dialog of the program carries its icon and colours.
    QGuiApplication::setWindowIcon(windows::artwork::windowIcon());
    ui::ProgramWindow::setTextColours({windows::look::navy(), windows::look::darkRed()});
    registerAppWindows(m_windows, m_state);
    questionnaire::registerQuestionnaireWindows(m_windows, m_state);
    document::registerDocumentWindows(m_windows, m_state);
}

Program::~Program() {
    // The last safety copy is taken from the windows, so before they go.
    m_safetyCopy.reset();
    m_windows.destroyAll();
}

void Program::keepSafetyCopy(const QString& folder) {
    m_safetyCopy = std::make_unique<SafetyCopy>(m_state, m_windows, folder);
}

void Program::start() {
    m_windows.show(windows::kSplash);
    if (m_safetyCopy)
        m_safetyCopy->offerAtMainMenu();
}

} // namespace kt::app
