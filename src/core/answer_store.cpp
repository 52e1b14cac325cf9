#include "core/answer_store.h"

#include <algorithm>

namespace kt {
namespace {
const std::string kEmpty;
}

AnswerStore::AnswerStore() {
    for (const auto& e : QuestionCatalog::instance().all())
        if (e.slotKind == SlotKind::AlwaysText)
            m_slots[e.index()] = std::string();
}

const std::optional<std::string>& AnswerStore::value(const QuestionKey& key) const {
    return valueOf(QuestionCatalog::instance().entry(key));
}

const std::string& AnswerStore::textOf(const CatalogEntry& e) const {
    const auto& v = m_slots[e.index()];
    return v ? *v : kEmpty;
}

const std::string& AnswerStore::text(const QuestionKey& key) const {
    return textOf(QuestionCatalog::instance().entry(key));
}

void AnswerStore::setTextOf(const CatalogEntry& e, std::string text) {
    m_slots[e.index()] = std::move(text);
    ++m_revision;
}

void AnswerStore::setText(const QuestionKey& key, std::string text) {
    setTextOf(QuestionCatalog::instance().entry(key), std::move(text));
}

void AnswerStore::setUnsetOf(const CatalogEntry& e) {
    if (e.slotKind == SlotKind::AlwaysText)
        m_slots[e.index()] = std::string();
    else
        m_slots[e.index()].reset();
    ++m_revision;
}

void AnswerStore::setUnset(const QuestionKey& key) {
    setUnsetOf(QuestionCatalog::instance().entry(key));
}

bool AnswerStore::isAnswered(const QuestionKey& key) const {
    return isAnsweredOf(QuestionCatalog::instance().entry(key));
}

bool AnswerStore::isSectionComplete(SectionId id) const {
    const auto qs = QuestionCatalog::instance().questions(id);
    return std::all_of(qs.begin(), qs.end(),
                       [this](const CatalogEntry& e) { return isAnsweredOf(e); });
}

} // namespace kt
