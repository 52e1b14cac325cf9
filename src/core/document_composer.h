#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kt {

class AnswerStore;

// The life-story document: the thank-you line, then per section its heading and every question
// with its answer, blocks separated by CR LF CR LF, ending with one CR LF. When answerEnds is
// given, it receives for each question in sequence order the byte offset where its answer ends,
// so that what follows an answer (its photos) can be placed; the text is the same either way.
std::string DocumentComposer(const AnswerStore& answers,
                             std::vector<std::size_t>* answerEnds = nullptr);

} // namespace kt
