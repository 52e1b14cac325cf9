#pragma once

#include <string>

namespace kt {

class AnswerStore;

// The life-story document: the thank-you line, then per section its heading and every question
// with its answer, blocks separated by CR LF CR LF, ending with one CR LF.
std::string DocumentComposer(const AnswerStore& answers);

} // namespace kt
