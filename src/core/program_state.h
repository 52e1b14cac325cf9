#pragma once

#include "core/answer_store.h"
#include "core/book.h"
#include "core/photo_store.h"

#include <cstdint>
#include <optional>

namespace kt {

// NoteAccepted: "Y" right after OK on the save note, "N" otherwise.
enum class NoteAccepted : char { No = 'N', Yes = 'Y' };

// The only data the windows share: the answers and their photos, the save note's flag, the
// editor's activation count, the question an answer page hands the photo window and the book's
// settings, all alive for the whole run.
struct ProgramState {
    AnswerStore answers;
    PhotoStore photos;
    NoteAccepted noteAccepted = NoteAccepted::No;
    std::int16_t editorActivationCount = 0;
    std::optional<QuestionKey> photoQuestion;
    // The book last made of this story, or read with it: where the next book starts from.
    std::optional<BookOptions> book;
};

} // namespace kt
