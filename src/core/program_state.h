#pragma once

#include "core/answer_store.h"

#include <cstdint>
#include <string>

namespace kt {

// The only data the windows share: the answers, the save note's flag and the editor's
// activation count, all alive for the whole run.
struct ProgramState {
    AnswerStore answers;
    std::string noteAccepted = "N";
    std::int16_t editorActivationCount = 0;
};

} // namespace kt
