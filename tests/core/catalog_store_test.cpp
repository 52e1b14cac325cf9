#include "core/answer_store.h"
#include "core/question_catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace kt;

namespace {

const QuestionCatalog& catalog() {
    return QuestionCatalog::instance();
}

std::string keyName(const CatalogEntry& e) {
    return std::string(catalog().section(e.section()).name) + "." + std::string(e.key.stem);
}

std::vector<std::string> stems(SectionId id) {
    std::vector<std::string> out;
    for (const auto& e : catalog().questions(id))
        out.emplace_back(e.key.stem);
    return out;
}

// The questionnaire as printed, in sequence order, typed out independently of the catalog.
struct PrintedQuestion {
    const char* key;
    const char* text;
};
const PrintedQuestion kPrinted[] = {
    {"Childhood.GrowUp", "When you were a child, what did you always want to be when you grew up?"},
    {"Childhood.Toys", "What were the toys you remember having?"},
    {"Childhood.Games", "What were your favorite games as a child?"},
    {"Childhood.Lived", "Where did you live growing up?  If you moved during your childhood, which "
                        "home was your favorite, and why?"},
    {"Childhood.Hobbies", "What were your hobbies as a child?"},
    {"Childhood.School",
     "Did you like school as a child?  What were your favorite classes?  Your least favorite?"},
    {"Childhood.Differences", "We each grew up in different times.  What do you think was the "
                              "biggest difference between your childhood and mine?"},
    {"Childhood.Friends", "Who were your best childhood friends?  Why?"},
    {"Childhood.Siblings", "Did you and your siblings get along?"},
    {"Childhood.Parents", "Were your parents strict?  How?"},
    {"HighSchool.GoHighSch", "Where did you go to high school?"},
    {"HighSchool.Grad", "When did you finish high school?"},
    {"HighSchool.Classes", "What were your favorite classes in high school?"},
    {"HighSchool.AfterSch", "What were your favorite after-school activities?"},
    {"HighSchool.Clubs",
     "Did you belong to any clubs or organizations while you were in high school?"},
    {"HighSchool.Sports",
     "Did you play any sports while in high school, whether on a team or for fun?"},
    {"HighSchool.Hobbies", "What were your favorite hobbies when you were in high school?"},
    {"HighSchool.AfterGrad",
     "What was it you couldn't wait to do once you got out of high school?"},
    {"FirstCar.Car", "What was your first car?  (Make, model, year, color, etc.)"},
    {"FirstCar.WhenGet", "When did you get your first car (year)?  How old were you?"},
    {"FirstCar.Getting", "What was it like, getting your first car?"},
    {"FirstCar.Length", "How long did you have your first car?  Why did you get rid of it?"},
    {"FirstCar.Stories", "Do you have any interesting stories about your first car?"},
    {"Volunteering.Volun", "Did you ever do any volunteer work?  (Yes/No, Comments)"},
    {"Volunteering.WWW", "When and where did you volunteer?  What did you do?"},
    {"Volunteering.Skills", "Did you learn any specific skills from your volunteer experience(s)?"},
    {"Volunteering.Like", "What did you like or dislike about your volunteer job(s)?"},
    {"Volunteering.Wanted",
     "Was there a job or place you would have liked to have volunteered growing up?"},
    {"Jobs.FirstJob", "What was your first job?  Please tell me about it."},
    {"Jobs.Best", "What was the best job you ever had?  Why?"},
    {"Jobs.Worst", "What was the worst job you ever had?  Why?"},
    {"Jobs.Want", "Is there a job you haven't had yet that you would like to have?"},
    {"Jobs.Dream", "What would your dream job be?"},
    {"College.WhereWent", "Did you go to college?  If yes, where and when?"},
    {"College.Scholarship", "Did you receive any college scholarships?"},
    {"College.Major", "What were your major(s), minor(s), and/or field(s) of study?"},
    {"College.Favorite", "What were your favorite college classes?"},
    {"College.Best", "What did you like best about going to college?"},
    {"College.Least", "What did you like least about going to college?"},
    {"College.Graduate",
     "Did you graduate from college?  If yes, when? Did you go through the ceremony?  Who was "
     "there to watch you?  Do you remember anything specific about the ceremony?"},
    {"College.NotGrad", "If you didn't graduate, was there a reason why?  How many years did you "
                        "attend college?  Would you like to go back?"},
    {"College.Orgs", "Did you belong to any organizations while you were in college?"},
    {"College.Sports",
     "Did you play any sports while you were in college?  Were you on any teams?"},
    {"College.Stories", "Are there any stories about college that you'd like to tell me?"},
    {"Military.Military", "Were you in the military?  If yes, when?  What was your job?"},
    {"Military.War", "Did you fight in and/or serve during a war?  Whether you did or not, please "
                     "comment about your feelings on this topic."},
    {"Military.Duties",
     "If you did serve during a war, which war was it?  What was it like?  What were your duties?"},
    {"Military.Where", "If applicable, what countries did you see?"},
    {"Military.People", "Did you get to see anyone famous during this time?"},
    {"Military.Friends",
     "Are you still friends with anyone you met during the time you were in the military?"},
    {"Military.Events", "Did anything happen during the time you were serving in the military that "
                        "you wish you hadn't missed?"},
    {"Wedding.Meet",
     "How did you two meet?  How long before you got engaged?  Before you got married?"},
    {"Wedding.Where", "When and where did you get married?"},
    {"Wedding.Ceremony", "What was your wedding ceremony like?"},
    {"Wedding.Reception", "Did you have a reception?  If yes, what was it like?"},
    {"Wedding.Size", "Were your wedding and reception large or small?"},
    {"Wedding.Stories", "Do you remember any funny stories about your wedding and/or reception?"},
    {"Wedding.Honeymoon", "Where did you go on your honeymoon and how long was it?"},
    {"Wedding.HStories", "Do you remember any funny stories about your honeymoon?"},
    {"Wedding.Advice", "Do you have any marital advice for me?"},
    {"Travel.Countries", "What other countries have you been to?"},
    {"Travel.Like", "What did you like about each one?"},
    {"Travel.NotLike", "What didn't you like about each one?"},
    {"Travel.Here", "What is your favorite part of this country?  Why?"},
    {"Travel.Vacation", "What was the best vacation you ever took?  What made it special?"},
    {"Travel.Future", "Where would you like to travel to in the future?"},
    {"Travel.Free", "If you could go anywhere in the world, for free, where would you go and why?  "
                    "And/or what would your dream vacation be?"},
    {"Life.Change", "If you could change anything about your life, what would it be?"},
    {"Life.Goals", "What are some of your goals and/or plans for the future?"},
    {"Life.Advice", "What advice about life can you give me?"},
    {"Life.Books", "What kinds of books and/or magazines do you like to read?"},
    {"Life.Hobbies", "What are your hobbies now?"},
    {"Life.Learn", "Is there anything you'd like to learn how to do?"},
    {"Final.Self", "What about yourself would you especially like me to know?"},
    {"Final.Advice", "Do you have any advice you've been meaning to give me?"},
    {"Final.Questions",
     "What question(s) do you wish I had asked?  What are the answers to these questions?"},
    {"Final.Comments", "Any final comments?"},
};

} // namespace

TEST(QuestionCatalog, EveryTextMatchesThePrintedQuestionnaireCharacterForCharacter) {
    ASSERT_EQ(catalog().all().size(), std::size(kPrinted));
    for (std::size_t i = 0; i < std::size(kPrinted); ++i) {
        const auto& e = catalog().all()[i];
        EXPECT_EQ(keyName(e), kPrinted[i].key) << "sequence " << i + 1;
        const std::string expected = kPrinted[i].text;
        ASSERT_EQ(e.text.size(), expected.size()) << kPrinted[i].key;
        for (std::size_t c = 0; c < expected.size(); ++c)
            ASSERT_EQ(e.text[c], expected[c]) << kPrinted[i].key << " at character " << c;
    }
    // Spot checks of the spacing that is easy to get wrong.
    EXPECT_NE(catalog().entry({SectionId::College, "Graduate"}).text.find("when? Did you go"),
              std::string_view::npos);
    EXPECT_NE(catalog().entry({SectionId::Childhood, "Lived"}).text.find("up?  If you moved"),
              std::string_view::npos);
}

TEST(QuestionCatalog, SectionsCountsAndOrders) {
    const std::size_t counts[] = {10, 8, 5, 5, 5, 11, 7, 9, 7, 6, 4};
    ASSERT_EQ(catalog().sections().size(), kSectionCount);
    std::size_t total = 0;
    int sequence = 1;
    for (std::size_t s = 0; s < kSectionCount; ++s) {
        const auto& info = catalog().sections()[s];
        EXPECT_EQ(info.id, kAllSections[s]);
        const auto qs = catalog().questions(info.id);
        EXPECT_EQ(qs.size(), counts[s]) << info.name;
        int ordinal = 1;
        for (const auto& e : qs) {
            EXPECT_EQ(e.section(), info.id);
            EXPECT_EQ(e.ordinal, ordinal++);
            EXPECT_EQ(e.sequence, sequence++);
            EXPECT_GE(e.page, 1) << keyName(e);
            EXPECT_LE(e.page, catalog().pageCount(info.id)) << keyName(e);
        }
        total += qs.size();
    }
    EXPECT_EQ(total, kQuestionCount);

    // The nineteen answer pages: every question on exactly one, in runs of the ordinal order.
    std::size_t onPages = 0;
    int pages = 0;
    for (const SectionInfo& info : catalog().sections()) {
        for (int p = 1; p <= catalog().pageCount(info.id); ++p, ++pages) {
            const auto on = catalog().questionsOnPage(info.id, p);
            ASSERT_FALSE(on.empty()) << info.name << " page " << p;
            for (const auto& e : on)
                EXPECT_EQ(e.page, p);
            onPages += on.size();
        }
    }
    EXPECT_EQ(pages, 19);
    EXPECT_EQ(onPages, kQuestionCount);
    const auto college2 = catalog().questionsOnPage(SectionId::College, 2);
    ASSERT_EQ(college2.size(), 3u);
    EXPECT_EQ(college2.front().key.stem, "Best");
    EXPECT_EQ(college2.back().key.stem, "Graduate");

    EXPECT_EQ(stems(SectionId::Volunteering),
              (std::vector<std::string>{"Volun", "WWW", "Skills", "Like", "Wanted"}));
    EXPECT_EQ(stems(SectionId::Life),
              (std::vector<std::string>{"Change", "Goals", "Advice", "Books", "Hobbies", "Learn"}));
    const auto child = stems(SectionId::Childhood);
    EXPECT_EQ(child[3], "Lived");
    EXPECT_EQ(child[4], "Hobbies");
    EXPECT_EQ(child[6], "Differences");
    EXPECT_EQ(child[7], "Friends");
    const auto military = stems(SectionId::Military);
    EXPECT_EQ(military[4], "People");
    EXPECT_EQ(military[5], "Friends");
}

TEST(QuestionCatalog, SlotKindsScreenStemsAndLookups) {
    std::set<std::string> alwaysText;
    std::size_t perSection[kSectionCount] = {};
    for (const auto& e : catalog().all()) {
        if (e.slotKind == SlotKind::AlwaysText) {
            alwaysText.insert(keyName(e));
            ++perSection[indexOf(e.section())];
        }
    }
    EXPECT_EQ(alwaysText,
              (std::set<std::string>{"Childhood.Parents", "HighSchool.AfterGrad",
                                     "FirstCar.Stories", "Volunteering.Skills", "Jobs.Dream",
                                     "College.Stories", "Military.Events", "Wedding.Advice",
                                     "Travel.Free", "Life.Hobbies", "Final.Comments"}));
    for (auto n : perSection)
        EXPECT_EQ(n, 1u);

    for (const auto& e : catalog().all()) {
        const bool renamed = keyName(e) == "FirstCar.Getting" ||
                             keyName(e) == "Volunteering.Volun" ||
                             keyName(e) == "College.WhereWent";
        if (!renamed) {
            EXPECT_EQ(e.screenStem, e.key.stem) << keyName(e);
        }
        EXPECT_EQ(&catalog().entry(e.key), &e);
    }
    EXPECT_EQ(catalog().entry({SectionId::FirstCar, "Getting"}).screenStem, "Like");
    EXPECT_EQ(catalog().entry({SectionId::Volunteering, "Volun"}).screenStem, "Volunteer");
    EXPECT_EQ(catalog().entry({SectionId::College, "WhereWent"}).screenStem, "WhereWhen");

    // A stem names a question only within its section.
    EXPECT_EQ(catalog().find({SectionId::Jobs, "Hobbies"}), nullptr);
    EXPECT_THROW(catalog().entry({SectionId::Final, "GrowUp"}), std::out_of_range);
}

TEST(AnswerStore, FreshStoreHasNothingAnswered) {
    AnswerStore store;
    for (const auto& e : catalog().all()) {
        EXPECT_EQ(store.text(e.key), "");
        EXPECT_FALSE(store.isAnswered(e.key));
        EXPECT_EQ(store.value(e.key).has_value(), e.slotKind == SlotKind::AlwaysText) << keyName(e);
    }
    for (SectionId id : kAllSections)
        EXPECT_FALSE(store.isSectionComplete(id));
}

TEST(AnswerStore, UnsetEmptyAndAnswered) {
    AnswerStore store;
    const QuestionKey growUp{SectionId::Childhood, "GrowUp"};
    store.setText(growUp, "");
    ASSERT_TRUE(store.value(growUp).has_value());
    EXPECT_EQ(*store.value(growUp), "");
    EXPECT_FALSE(store.isAnswered(growUp));

    for (const std::string answered : {" ", "\r\n", "\n", "x"}) {
        store.setText(growUp, answered);
        EXPECT_TRUE(store.isAnswered(growUp)) << "answer of " << answered.size() << " characters";
    }
    // Stored unchanged: no trimming, line breaks kept, any length.
    const std::string odd = "  leading and trailing \r\n\r\n" + std::string(100000, 'z') + "  ";
    store.setText(growUp, odd);
    EXPECT_EQ(store.text(growUp), odd);

    store.setUnset(growUp);
    EXPECT_FALSE(store.value(growUp).has_value());
    EXPECT_EQ(store.text(growUp), "");

    const QuestionKey skills{SectionId::Volunteering, "Skills"};
    store.setText(skills, "carpentry");
    store.setUnset(skills);
    ASSERT_TRUE(store.value(skills).has_value()) << "an AlwaysText slot is never unset";
    EXPECT_EQ(*store.value(skills), "");
}

TEST(AnswerStore, TheThreeHobbiesAreThreeSlots) {
    AnswerStore store;
    store.setText({SectionId::HighSchool, "Hobbies"}, "chess");
    EXPECT_EQ(store.text({SectionId::HighSchool, "Hobbies"}), "chess");
    EXPECT_FALSE(store.value({SectionId::Childhood, "Hobbies"}).has_value());
    EXPECT_EQ(store.text({SectionId::Life, "Hobbies"}), "");
}

TEST(AnswerStore, SectionCompleteOnlyWhenEveryQuestionIncludingAlwaysTextIsAnswered) {
    AnswerStore store;
    for (const auto& e : catalog().questions(SectionId::Volunteering)) {
        if (e.slotKind != SlotKind::AlwaysText)
            store.setText(e.key, "yes");
    }
    EXPECT_FALSE(store.isSectionComplete(SectionId::Volunteering));
    store.setText({SectionId::Volunteering, "Skills"}, " ");
    EXPECT_TRUE(store.isSectionComplete(SectionId::Volunteering));
    for (SectionId id : kAllSections) {
        if (id != SectionId::Volunteering) {
            EXPECT_FALSE(store.isSectionComplete(id));
        }
    }
}
