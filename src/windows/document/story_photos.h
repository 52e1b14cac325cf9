#pragma once

namespace kt {
struct ProgramState;
}
namespace kt::ui {
class RichTextEdit;
}

namespace kt::document {

// Puts the composed life story into the control: the composer's text in one assignment, then
// after each answer its photos, each in a centred paragraph of its own after an empty line,
// with its caption under it. A story without photos is exactly the composed text.
void putComposedStory(ui::RichTextEdit& edit, const ProgramState& state);

} // namespace kt::document
