#include "core/question_catalog.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace kt {
namespace {

using enum SectionId;

// Seq order. The texts are exactly as the questionnaire prints them: two spaces between
// sentences where they have two.
// One question per row.
// clang-format off
constexpr std::array<CatalogEntry, kQuestionCount> kEntries = {{
    {{Childhood, "GrowUp"}, 1, 1, "When you were a child, what did you always want to be when you grew up?", 1, SlotKind::MaybeUnset, "GrowUp"},
    {{Childhood, "Toys"}, 2, 2, "What were the toys you remember having?", 1, SlotKind::MaybeUnset, "Toys"},
    {{Childhood, "Games"}, 3, 3, "What were your favorite games as a child?", 1, SlotKind::MaybeUnset, "Games"},
    {{Childhood, "Lived"}, 4, 4, "Where did you live growing up?  If you moved during your childhood, which home was your favorite, and why?", 1, SlotKind::MaybeUnset, "Lived"},
    {{Childhood, "Hobbies"}, 5, 5, "What were your hobbies as a child?", 1, SlotKind::MaybeUnset, "Hobbies"},
    {{Childhood, "School"}, 6, 6, "Did you like school as a child?  What were your favorite classes?  Your least favorite?", 2, SlotKind::MaybeUnset, "School"},
    {{Childhood, "Differences"}, 7, 7, "We each grew up in different times.  What do you think was the biggest difference between your childhood and mine?", 2, SlotKind::MaybeUnset, "Differences"},
    {{Childhood, "Friends"}, 8, 8, "Who were your best childhood friends?  Why?", 2, SlotKind::MaybeUnset, "Friends"},
    {{Childhood, "Siblings"}, 9, 9, "Did you and your siblings get along?", 2, SlotKind::MaybeUnset, "Siblings"},
    {{Childhood, "Parents"}, 10, 10, "Were your parents strict?  How?", 2, SlotKind::AlwaysText, "Parents"},
    {{HighSchool, "GoHighSch"}, 1, 11, "Where did you go to high school?", 1, SlotKind::MaybeUnset, "GoHighSch"},
    {{HighSchool, "Grad"}, 2, 12, "When did you finish high school?", 1, SlotKind::MaybeUnset, "Grad"},
    {{HighSchool, "Classes"}, 3, 13, "What were your favorite classes in high school?", 1, SlotKind::MaybeUnset, "Classes"},
    {{HighSchool, "AfterSch"}, 4, 14, "What were your favorite after-school activities?", 1, SlotKind::MaybeUnset, "AfterSch"},
    {{HighSchool, "Clubs"}, 5, 15, "Did you belong to any clubs or organizations while you were in high school?", 1, SlotKind::MaybeUnset, "Clubs"},
    {{HighSchool, "Sports"}, 6, 16, "Did you play any sports while in high school, whether on a team or for fun?", 2, SlotKind::MaybeUnset, "Sports"},
    {{HighSchool, "Hobbies"}, 7, 17, "What were your favorite hobbies when you were in high school?", 2, SlotKind::MaybeUnset, "Hobbies"},
    {{HighSchool, "AfterGrad"}, 8, 18, "What was it you couldn't wait to do once you got out of high school?", 2, SlotKind::AlwaysText, "AfterGrad"},
    {{FirstCar, "Car"}, 1, 19, "What was your first car?  (Make, model, year, color, etc.)", 1, SlotKind::MaybeUnset, "Car"},
    {{FirstCar, "WhenGet"}, 2, 20, "When did you get your first car (year)?  How old were you?", 1, SlotKind::MaybeUnset, "WhenGet"},
    {{FirstCar, "Getting"}, 3, 21, "What was it like, getting your first car?", 1, SlotKind::MaybeUnset, "Like"},
    {{FirstCar, "Length"}, 4, 22, "How long did you have your first car?  Why did you get rid of it?", 1, SlotKind::MaybeUnset, "Length"},
    {{FirstCar, "Stories"}, 5, 23, "Do you have any interesting stories about your first car?", 1, SlotKind::AlwaysText, "Stories"},
    {{Volunteering, "Volun"}, 1, 24, "Did you ever do any volunteer work?  (Yes/No, Comments)", 1, SlotKind::MaybeUnset, "Volunteer"},
    {{Volunteering, "WWW"}, 2, 25, "When and where did you volunteer?  What did you do?", 1, SlotKind::MaybeUnset, "WWW"},
    {{Volunteering, "Skills"}, 3, 26, "Did you learn any specific skills from your volunteer experience(s)?", 1, SlotKind::AlwaysText, "Skills"},
    {{Volunteering, "Like"}, 4, 27, "What did you like or dislike about your volunteer job(s)?", 1, SlotKind::MaybeUnset, "Like"},
    {{Volunteering, "Wanted"}, 5, 28, "Was there a job or place you would have liked to have volunteered growing up?", 1, SlotKind::MaybeUnset, "Wanted"},
    {{Jobs, "FirstJob"}, 1, 29, "What was your first job?  Please tell me about it.", 1, SlotKind::MaybeUnset, "FirstJob"},
    {{Jobs, "Best"}, 2, 30, "What was the best job you ever had?  Why?", 1, SlotKind::MaybeUnset, "Best"},
    {{Jobs, "Worst"}, 3, 31, "What was the worst job you ever had?  Why?", 1, SlotKind::MaybeUnset, "Worst"},
    {{Jobs, "Want"}, 4, 32, "Is there a job you haven't had yet that you would like to have?", 1, SlotKind::MaybeUnset, "Want"},
    {{Jobs, "Dream"}, 5, 33, "What would your dream job be?", 1, SlotKind::AlwaysText, "Dream"},
    {{College, "WhereWent"}, 1, 34, "Did you go to college?  If yes, where and when?", 1, SlotKind::MaybeUnset, "WhereWhen"},
    {{College, "Scholarship"}, 2, 35, "Did you receive any college scholarships?", 1, SlotKind::MaybeUnset, "Scholarship"},
    {{College, "Major"}, 3, 36, "What were your major(s), minor(s), and/or field(s) of study?", 1, SlotKind::MaybeUnset, "Major"},
    {{College, "Favorite"}, 4, 37, "What were your favorite college classes?", 1, SlotKind::MaybeUnset, "Favorite"},
    {{College, "Best"}, 5, 38, "What did you like best about going to college?", 2, SlotKind::MaybeUnset, "Best"},
    {{College, "Least"}, 6, 39, "What did you like least about going to college?", 2, SlotKind::MaybeUnset, "Least"},
    {{College, "Graduate"}, 7, 40, "Did you graduate from college?  If yes, when? Did you go through the ceremony?  Who was there to watch you?  Do you remember anything specific about the ceremony?", 2, SlotKind::MaybeUnset, "Graduate"},
    {{College, "NotGrad"}, 8, 41, "If you didn't graduate, was there a reason why?  How many years did you attend college?  Would you like to go back?", 3, SlotKind::MaybeUnset, "NotGrad"},
    {{College, "Orgs"}, 9, 42, "Did you belong to any organizations while you were in college?", 3, SlotKind::MaybeUnset, "Orgs"},
    {{College, "Sports"}, 10, 43, "Did you play any sports while you were in college?  Were you on any teams?", 3, SlotKind::MaybeUnset, "Sports"},
    {{College, "Stories"}, 11, 44, "Are there any stories about college that you'd like to tell me?", 3, SlotKind::AlwaysText, "Stories"},
    {{Military, "Military"}, 1, 45, "Were you in the military?  If yes, when?  What was your job?", 1, SlotKind::MaybeUnset, "Military"},
    {{Military, "War"}, 2, 46, "Did you fight in and/or serve during a war?  Whether you did or not, please comment about your feelings on this topic.", 1, SlotKind::MaybeUnset, "War"},
    {{Military, "Duties"}, 3, 47, "If you did serve during a war, which war was it?  What was it like?  What were your duties?", 1, SlotKind::MaybeUnset, "Duties"},
    {{Military, "Where"}, 4, 48, "If applicable, what countries did you see?", 2, SlotKind::MaybeUnset, "Where"},
    {{Military, "People"}, 5, 49, "Did you get to see anyone famous during this time?", 2, SlotKind::MaybeUnset, "People"},
    {{Military, "Friends"}, 6, 50, "Are you still friends with anyone you met during the time you were in the military?", 2, SlotKind::MaybeUnset, "Friends"},
    {{Military, "Events"}, 7, 51, "Did anything happen during the time you were serving in the military that you wish you hadn't missed?", 2, SlotKind::AlwaysText, "Events"},
    {{Wedding, "Meet"}, 1, 52, "How did you two meet?  How long before you got engaged?  Before you got married?", 1, SlotKind::MaybeUnset, "Meet"},
    {{Wedding, "Where"}, 2, 53, "When and where did you get married?", 1, SlotKind::MaybeUnset, "Where"},
    {{Wedding, "Ceremony"}, 3, 54, "What was your wedding ceremony like?", 1, SlotKind::MaybeUnset, "Ceremony"},
    {{Wedding, "Reception"}, 4, 55, "Did you have a reception?  If yes, what was it like?", 1, SlotKind::MaybeUnset, "Reception"},
    {{Wedding, "Size"}, 5, 56, "Were your wedding and reception large or small?", 1, SlotKind::MaybeUnset, "Size"},
    {{Wedding, "Stories"}, 6, 57, "Do you remember any funny stories about your wedding and/or reception?", 2, SlotKind::MaybeUnset, "Stories"},
    {{Wedding, "Honeymoon"}, 7, 58, "Where did you go on your honeymoon and how long was it?", 2, SlotKind::MaybeUnset, "Honeymoon"},
    {{Wedding, "HStories"}, 8, 59, "Do you remember any funny stories about your honeymoon?", 2, SlotKind::MaybeUnset, "HStories"},
    {{Wedding, "Advice"}, 9, 60, "Do you have any marital advice for me?", 2, SlotKind::AlwaysText, "Advice"},
    {{Travel, "Countries"}, 1, 61, "What other countries have you been to?", 1, SlotKind::MaybeUnset, "Countries"},
    {{Travel, "Like"}, 2, 62, "What did you like about each one?", 1, SlotKind::MaybeUnset, "Like"},
    {{Travel, "NotLike"}, 3, 63, "What didn't you like about each one?", 1, SlotKind::MaybeUnset, "NotLike"},
    {{Travel, "Here"}, 4, 64, "What is your favorite part of this country?  Why?", 1, SlotKind::MaybeUnset, "Here"},
    {{Travel, "Vacation"}, 5, 65, "What was the best vacation you ever took?  What made it special?", 2, SlotKind::MaybeUnset, "Vacation"},
    {{Travel, "Future"}, 6, 66, "Where would you like to travel to in the future?", 2, SlotKind::MaybeUnset, "Future"},
    {{Travel, "Free"}, 7, 67, "If you could go anywhere in the world, for free, where would you go and why?  And/or what would your dream vacation be?", 2, SlotKind::AlwaysText, "Free"},
    {{Life, "Change"}, 1, 68, "If you could change anything about your life, what would it be?", 1, SlotKind::MaybeUnset, "Change"},
    {{Life, "Goals"}, 2, 69, "What are some of your goals and/or plans for the future?", 1, SlotKind::MaybeUnset, "Goals"},
    {{Life, "Advice"}, 3, 70, "What advice about life can you give me?", 1, SlotKind::MaybeUnset, "Advice"},
    {{Life, "Books"}, 4, 71, "What kinds of books and/or magazines do you like to read?", 2, SlotKind::MaybeUnset, "Books"},
    {{Life, "Hobbies"}, 5, 72, "What are your hobbies now?", 2, SlotKind::AlwaysText, "Hobbies"},
    {{Life, "Learn"}, 6, 73, "Is there anything you'd like to learn how to do?", 2, SlotKind::MaybeUnset, "Learn"},
    {{Final, "Self"}, 1, 74, "What about yourself would you especially like me to know?", 1, SlotKind::MaybeUnset, "Self"},
    {{Final, "Advice"}, 2, 75, "Do you have any advice you've been meaning to give me?", 1, SlotKind::MaybeUnset, "Advice"},
    {{Final, "Questions"}, 3, 76, "What question(s) do you wish I had asked?  What are the answers to these questions?", 1, SlotKind::MaybeUnset, "Questions"},
    {{Final, "Comments"}, 4, 77, "Any final comments?", 1, SlotKind::AlwaysText, "Comments"},
}};
// clang-format on

const std::array<SectionInfo, kSectionCount> kSections = {{
    {Childhood, "Childhood", "Childhood"},
    {HighSchool, "HighSchool", "High School"},
    {FirstCar, "FirstCar", "First Car"},
    {Volunteering, "Volunteering", "Volunteering"},
    {Jobs, "Jobs", "Jobs"},
    {College, "College", "College"},
    {Military, "Military", "Military"},
    {Wedding, "Wedding", "Wedding"},
    {Travel, "Travel", "Travel"},
    {Life, "Life", "Life in General"},
    {Final, "Final", "Final Thoughts"},
}};

struct SectionRange {
    std::size_t first;
    std::size_t count;
};

constexpr std::array<SectionRange, kSectionCount> computeRanges() {
    std::array<SectionRange, kSectionCount> ranges{};
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        auto& r = ranges[indexOf(kEntries[i].key.section)];
        if (r.count == 0)
            r.first = i;
        ++r.count;
    }
    return ranges;
}

constexpr auto kRanges = computeRanges();

constexpr bool catalogIsConsistent() {
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        const auto& e = kEntries[i];
        if (e.sequence != static_cast<int>(i) + 1)
            return false;
        const auto& r = kRanges[indexOf(e.key.section)];
        if (e.ordinal != static_cast<int>(i - r.first) + 1)
            return false;
        if (i > 0 && kEntries[i - 1].key.section > e.key.section)
            return false;
        // A section's pages hold runs of its questions: the first on page 1, each next on the
        // same page or the one after.
        const bool first = i == r.first;
        const int before = first ? 0 : kEntries[i - 1].page;
        if (e.page != before && e.page != before + 1)
            return false;
        if (first && e.page != 1)
            return false;
    }
    return true;
}
static_assert(catalogIsConsistent(),
              "catalog rows must be in sequence and ordinal order, pages in runs from 1");

} // namespace

const QuestionCatalog& QuestionCatalog::instance() {
    static const QuestionCatalog catalog;
    return catalog;
}

std::span<const SectionInfo> QuestionCatalog::sections() const {
    return kSections;
}

const SectionInfo& QuestionCatalog::section(SectionId id) const {
    return kSections[indexOf(id)];
}

std::span<const CatalogEntry> QuestionCatalog::questions(SectionId id) const {
    const auto& r = kRanges[indexOf(id)];
    return std::span<const CatalogEntry>(kEntries).subspan(r.first, r.count);
}

int QuestionCatalog::pageCount(SectionId id) const {
    return questions(id).back().page;
}

std::span<const CatalogEntry> QuestionCatalog::questionsOnPage(SectionId id, int page) const {
    const auto all = questions(id);
    const auto first = std::find_if(all.begin(), all.end(),
                                    [page](const CatalogEntry& e) { return e.page == page; });
    const auto last =
        std::find_if(first, all.end(), [page](const CatalogEntry& e) { return e.page != page; });
    return {first, last};
}

std::span<const CatalogEntry> QuestionCatalog::all() const {
    return kEntries;
}

const CatalogEntry* QuestionCatalog::find(const QuestionKey& key) const {
    if (indexOf(key.section) >= kSectionCount)
        return nullptr;
    for (const auto& e : questions(key.section))
        if (e.key.stem == key.stem)
            return &e;
    return nullptr;
}

const CatalogEntry& QuestionCatalog::entry(const QuestionKey& key) const {
    if (const auto* e = find(key))
        return *e;
    throw std::out_of_range("no question " + std::string(key.stem) + " in that section");
}

} // namespace kt
