#pragma once

#include "core/question_catalog.h"

#include <array>
#include <optional>
#include <string>

namespace kt {

// One slot per question. Unset reads as the empty text everywhere except in the data file.
class AnswerStore {
public:
    AnswerStore();

    const std::optional<std::string>& value(const QuestionKey& key) const;
    const std::string& text(const QuestionKey& key) const;
    void setText(const QuestionKey& key, std::string text);
    // On an AlwaysText slot this stores the empty text instead.
    void setUnset(const QuestionKey& key);
    bool isAnswered(const QuestionKey& key) const;
    bool isSectionComplete(SectionId id) const;

    // The same by catalog entry, for callers that walk the catalog.
    const std::optional<std::string>& valueOf(const CatalogEntry& e) const {
        return m_slots[e.index()];
    }
    const std::string& textOf(const CatalogEntry& e) const;
    void setTextOf(const CatalogEntry& e, std::string text);
    void setUnsetOf(const CatalogEntry& e);
    bool isAnsweredOf(const CatalogEntry& e) const { return !textOf(e).empty(); }

    friend bool operator==(const AnswerStore&, const AnswerStore&) = default;

private:
    std::array<std::optional<std::string>, kQuestionCount> m_slots;
};

} // namespace kt
