#include "questionnaire/questionnaire_windows.h"

namespace kt::questionnaire {

void registerQuestionnaireWindows(platform::WindowManager&, ProgramState&) {}

} // namespace kt::questionnaire
