#pragma once

#include "core/section_id.h"

#include <span>
#include <string>
#include <string_view>

namespace kt {

enum class SlotKind : std::uint8_t {
    MaybeUnset, // unset, or a text (possibly empty)
    AlwaysText, // always a text; one per section
};

struct CatalogEntry {
    QuestionKey key;
    int ordinal;  // 1-based place within the section
    int sequence; // 1-based place in the whole questionnaire
    std::string_view text;
    int page; // 1-based answer page of the section the question is asked on
    SlotKind slotKind;
    std::string_view screenStem;

    SectionId section() const { return key.section; }
    std::size_t index() const { return static_cast<std::size_t>(sequence - 1); }
};

struct SectionInfo {
    SectionId id;
    std::string_view name;        // the enumerator's name, e.g. "HighSchool"
    std::string_view displayName; // e.g. "High School"
};

// The constant questionnaire: one table, read by every window, the composer and the data file.
class QuestionCatalog {
public:
    static const QuestionCatalog& instance();

    std::span<const SectionInfo> sections() const;
    const SectionInfo& section(SectionId id) const;
    // The section's entries in ordinal order.
    std::span<const CatalogEntry> questions(SectionId id) const;
    // How many answer pages the section's questions are spread over.
    int pageCount(SectionId id) const;
    // The questions asked on one answer page of the section (1-based), in ordinal order.
    std::span<const CatalogEntry> questionsOnPage(SectionId id, int page) const;
    // All 77 entries in sequence order.
    std::span<const CatalogEntry> all() const;
    // Throws std::out_of_range for a key that is not in the catalog.
    const CatalogEntry& entry(const QuestionKey& key) const;
    const CatalogEntry* find(const QuestionKey& key) const;

private:
    QuestionCatalog() = default;
};

} // namespace kt
