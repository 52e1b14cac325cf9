#pragma once

namespace kt {
struct ProgramState;
namespace platform {
class WindowManager;
}
} // namespace kt

namespace kt::questionnaire {

// The eleven section screens and the nineteen answer pages.
void registerQuestionnaireWindows(platform::WindowManager& windows, ProgramState& state);

} // namespace kt::questionnaire
