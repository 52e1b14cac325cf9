#pragma once

#include "core/question_catalog.h"

#include <array>
#include <cstdint>
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

    // Counts every write into a slot, so a reader can tell whether the store was written since
    // it last looked without comparing the answers.
    std::uint64_t revision() const { return m_revision; }

    // Taking another store's answers is a write too: the count goes on from this store's own, so
    // a reader never sees an old count again.
    AnswerStore(const AnswerStore&) = default;
    AnswerStore(AnswerStore&&) noexcept = default;
    AnswerStore& operator=(const AnswerStore& other) {
        m_slots = other.m_slots;
        ++m_revision;
        return *this;
    }
    AnswerStore& operator=(AnswerStore&& other) noexcept {
        m_slots = std::move(other.m_slots);
        ++m_revision;
        return *this;
    }

    // Equal answers; how often they were written plays no part.
    friend bool operator==(const AnswerStore& a, const AnswerStore& b) {
        return a.m_slots == b.m_slots;
    }

private:
    std::array<std::optional<std::string>, kQuestionCount> m_slots;
    std::uint64_t m_revision = 0;
};

} // namespace kt
