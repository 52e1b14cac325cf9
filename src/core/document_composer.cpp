#include "core/document_composer.h"

#include "core/answer_store.h"
#include "core/question_catalog.h"

#include <array>
#include <string_view>

namespace kt {
namespace {

constexpr std::string_view kThankYou = "Thank you for taking the time to answer these questions.  "
                                       "Your answers are a gift your family will treasure.";
constexpr std::string_view kSeparator = "\r\n\r\n";
constexpr std::string_view kEnd = "\r\n";

// In SectionId order.
constexpr std::array<std::string_view, kSectionCount> kHeadings = {
    "CHILDHOOD:", "HIGH SCHOOL:", "FIRST CAR:", "VOLUNTEERING:",    "JOBS:",           "COLLEGE:",
    "MILITARY:",  "WEDDING:",     "TRAVELING:", "LIFE IN GENERAL:", "FINAL COMMENTS:",
};

} // namespace

std::string DocumentComposer(const AnswerStore& answers, std::vector<std::size_t>* answerEnds) {
    const auto& catalog = QuestionCatalog::instance();

    // One allocation: the answers dominate the size of a long story.
    std::size_t size = kThankYou.size() + kEnd.size();
    for (SectionId id : kAllSections) {
        size += kSeparator.size() + kHeadings[indexOf(id)].size();
        for (const auto& e : catalog.questions(id))
            size += 2 * kSeparator.size() + e.text.size() + answers.textOf(e).size();
    }

    std::string doc;
    doc.reserve(size);
    if (answerEnds)
        answerEnds->assign(kQuestionCount, 0);
    doc += kThankYou;
    for (SectionId id : kAllSections) {
        doc += kSeparator;
        doc += kHeadings[indexOf(id)];
        for (const auto& e : catalog.questions(id)) {
            doc += kSeparator;
            doc += e.text;
            doc += kSeparator;
            doc += answers.textOf(e); // unchanged: no trimming, no escaping
            if (answerEnds)
                (*answerEnds)[e.index()] = doc.size();
        }
    }
    doc += kEnd;
    return doc;
}

} // namespace kt
