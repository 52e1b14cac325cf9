#pragma once

#include <array>
// The toolkit's meta-object compiler cannot parse this header's concepts; it needs none of it.
#ifndef Q_MOC_RUN
#include <compare>
#endif
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kt {

// The eleven sections in their fixed order: the order of the document and of the data file.
enum class SectionId : std::uint8_t {
    Childhood,
    HighSchool,
    FirstCar,
    Volunteering,
    Jobs,
    College,
    Military,
    Wedding,
    Travel,
    Life,
    Final,
};

inline constexpr std::size_t kSectionCount = 11;
inline constexpr std::size_t kQuestionCount = 77;

inline constexpr std::array<SectionId, kSectionCount> kAllSections = {
    SectionId::Childhood, SectionId::HighSchool, SectionId::FirstCar, SectionId::Volunteering,
    SectionId::Jobs,      SectionId::College,    SectionId::Military, SectionId::Wedding,
    SectionId::Travel,    SectionId::Life,       SectionId::Final,
};

constexpr std::size_t indexOf(SectionId id) {
    return static_cast<std::size_t>(id);
}

// A question is named by its section and the stem of its text box; stems repeat across
// sections, so the pair is the key.
struct QuestionKey {
    SectionId section;
    std::string_view stem;

    friend constexpr bool operator==(const QuestionKey&, const QuestionKey&) = default;
    friend constexpr auto operator<=>(const QuestionKey&, const QuestionKey&) = default;
};

} // namespace kt
