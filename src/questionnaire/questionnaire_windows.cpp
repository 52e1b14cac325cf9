#include "questionnaire/questionnaire_windows.h"

#include "platform/window_manager.h"
#include "questionnaire/answer_page.h"
#include "questionnaire/program_state.h"
#include "questionnaire/section_screen.h"

namespace kt::questionnaire {

void registerQuestionnaireWindows(platform::WindowManager& windows, ProgramState& state) {
    for (const SectionScreenSpec& spec : sectionScreenSpecs()) {
        const auto& section = QuestionCatalog::instance().section(spec.section);
        windows.registerWindow(
            QString::fromUtf8(section.screen.data(), static_cast<qsizetype>(section.screen.size())),
            [&spec, &state] { return new SectionScreen(spec, state); });
    }
    for (const AnswerPageSpec& spec : answerPageSpecs())
        windows.registerWindow(QString::fromUtf8(spec.name),
                               [&spec, &state] { return new AnswerPage(spec, state); });
}

} // namespace kt::questionnaire
