// The answer data file reader on arbitrary bytes. Beyond not crashing: a failed read leaves the
// store as it was, and whatever was read survives a write and a second read unchanged.
#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "core/question_catalog.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // A store that is not fresh, so that "left as it was" means something.
    kt::AnswerStore answers;
    for (const auto& e : kt::QuestionCatalog::instance().all())
        if (e.sequence % 3 == 0)
            answers.setTextOf(e, "before");
    const kt::AnswerStore before = answers;

    std::string error;
    if (!kt::decodeAnswerRecord(bytes, answers, &error)) {
        if (!(answers == before) || error.empty())
            std::abort();
        return 0;
    }

    const std::string written = kt::encodeAnswerRecord(answers);
    kt::AnswerStore again = before;
    if (!kt::decodeAnswerRecord(written, again, &error) || !(again == answers))
        std::abort();
    if (kt::encodeAnswerRecord(again) != written)
        std::abort();
    return 0;
}
