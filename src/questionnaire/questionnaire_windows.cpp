#include "window_registration.h"

#include "platform/qs.h"
#include "platform/window_manager.h"
#include "questionnaire/answer_page.h"
#include "questionnaire/program_state.h"
#include "questionnaire/section_screen.h"

namespace kt::questionnaire {

void registerQuestionnaireWindows(platform::WindowManager& windows, ProgramState& state) {
    for (const SectionScreenDesign& design : sectionScreenDesigns()) {
        const auto& section = QuestionCatalog::instance().section(design.section);
        windows.registerWindow(platform::qs(section.screen),
                               [&design, &state] { return new SectionScreen(design, state); });
    }
    for (const AnswerPageDesign& design : answerPageDesigns())
        windows.registerWindow(QString::fromUtf8(design.name),
                               [&design, &state] { return new AnswerPage(design, state); });
}

} // namespace kt::questionnaire
