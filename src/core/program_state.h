#pragma once

#include "core/answer_store.h"

#include <cstdint>

namespace kt {

// NoteAccepted: "Y" right after OK on the save note, "N" otherwise.
enum class NoteAccepted : char { No = 'N', Yes = 'Y' };

// The only data the windows share: the answers, the save note's flag and the editor's
// activation count, all alive for the whole run.
struct ProgramState {
    AnswerStore answers;
    NoteAccepted noteAccepted = NoteAccepted::No;
    std::int16_t editorActivationCount = 0;
};

} // namespace kt
