#include "windows/window_registration.h"

#include "windows/window_names.h"

#include "core/program_state.h"
#include "ui/qs.h"
#include "ui/window_manager.h"
#include "windows/questionnaire/answer_page.h"
#include "windows/questionnaire/photo_window.h"
#include "windows/questionnaire/section_screen.h"

namespace kt::questionnaire {

void registerQuestionnaireWindows(ui::WindowManager& windows, ProgramState& state) {
    for (const SectionScreenDesign& design : sectionScreenDesigns())
        windows.registerWindow(design.name,
                               [&design, &state] { return new SectionScreen(design, state); });
    for (const AnswerPageDesign& design : answerPageDesigns())
        windows.registerWindow(design.name,
                               [&design, &state] { return new AnswerPage(design, state); });
    windows.registerWindow(windows::kPhotos, [&state] { return new PhotoWindow(state); });
}

} // namespace kt::questionnaire
