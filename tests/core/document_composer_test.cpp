#include "core/answer_store.h"
#include "core/document_composer.h"
#include "core/question_catalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kt;

namespace {

const QuestionCatalog& catalog() {
    return QuestionCatalog::instance();
}

const std::string kThankYou = "Thank you for taking the time to answer these questions.  Your "
                              "answers are a gift your family will treasure.";

// Typed out here rather than taken from the composer.
const char* const kHeadings[] = {
    "CHILDHOOD:", "HIGH SCHOOL:", "FIRST CAR:", "VOLUNTEERING:",    "JOBS:",          "COLLEGE:",
    "MILITARY:",  "WEDDING:",     "TRAVELING:", "LIFE IN GENERAL:", "FINAL COMMENTS:"};

// Splits on CR LF CR LF from the left, the way a reader sees the blocks.
std::vector<std::string> blocks(const std::string& doc) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const auto at = doc.find("\r\n\r\n", from);
        if (at == std::string::npos) {
            out.push_back(doc.substr(from));
            return out;
        }
        out.push_back(doc.substr(from, at - from));
        from = at + 4;
    }
}

std::vector<std::string> lines(const std::string& doc) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const auto at = doc.find("\r\n", from);
        if (at == std::string::npos) {
            out.push_back(doc.substr(from));
            return out;
        }
        out.push_back(doc.substr(from, at - from));
        from = at + 2;
    }
}

TEST(DocumentComposer, FreshDocumentByteForByte) {
    std::string expected = kThankYou;
    for (std::size_t s = 0; s < kSectionCount; ++s) {
        expected += "\r\n\r\n";
        expected += kHeadings[s];
        for (const auto& e : catalog().questions(kAllSections[s])) {
            expected += "\r\n\r\n";
            expected += e.text;
            expected += "\r\n\r\n"; // the empty answer block keeps both separators
        }
    }
    expected += "\r\n";

    const std::string doc = DocumentComposer(AnswerStore());
    EXPECT_EQ(doc, expected);
    EXPECT_EQ(doc.size(), expected.size());
    EXPECT_GT(doc.size(), 5000u) << "a little over five thousand characters without answers";
    EXPECT_LT(doc.size(), 6500u);

    const std::string opening = kThankYou +
                                "\r\n\r\nCHILDHOOD:\r\n\r\n"
                                "When you were a child, what did you always want to be when you "
                                "grew up?\r\n\r\n\r\n\r\n"
                                "What were the toys you remember having?\r\n\r\n\r\n\r\n";
    EXPECT_EQ(doc.substr(0, opening.size()), opening);
    EXPECT_EQ(doc.find('\n'), doc.find("\r\n") + 1) << "no line feed without its CR";
}

TEST(DocumentComposer, AlwaysHas166BlocksInCatalogOrder) {
    const auto b = blocks(DocumentComposer(AnswerStore()));
    ASSERT_EQ(b.size(), 166u);
    EXPECT_EQ(b[0], kThankYou);
    std::size_t i = 1;
    for (std::size_t s = 0; s < kSectionCount; ++s) {
        EXPECT_EQ(b[i++], kHeadings[s]);
        for (const auto& e : catalog().questions(kAllSections[s])) {
            EXPECT_EQ(b[i], e.text) << e.sequence;
            // The document's final CR LF stays on the last answer block.
            EXPECT_EQ(b[i + 1], i + 1 == 165 ? "\r\n" : "") << e.sequence;
            i += 2;
        }
    }
    EXPECT_EQ(i, 166u);
}

TEST(DocumentComposer, AnsweredQuestionHasOneEmptyLineEitherSide) {
    AnswerStore answers;
    answers.setText({SectionId::Childhood, "GrowUp"}, "A doctor");
    const auto l = lines(DocumentComposer(answers));
    ASSERT_GT(l.size(), 10u);
    EXPECT_EQ(l[0], kThankYou);
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(l[2], "CHILDHOOD:");
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(l[4], "When you were a child, what did you always want to be when you grew up?");
    EXPECT_EQ(l[5], "");
    EXPECT_EQ(l[6], "A doctor");
    EXPECT_EQ(l[7], "");
    EXPECT_EQ(l[8], "What were the toys you remember having?");
    EXPECT_EQ(l[9], "");
    EXPECT_EQ(l[10], "") << "unanswered: three empty lines after the question";
    EXPECT_EQ(l[11], "");
    EXPECT_EQ(l[12], "What were your favorite games as a child?");
}

TEST(DocumentComposer, AnswersAreInsertedUnchanged) {
    struct Case {
        const char* name;
        std::string answer;
    };
    const Case cases[] = {
        {"multi-line", "First line\r\nSecond line\r\n\r\nAfter a gap"},
        {"ends with a line break", "Last words\r\n"},
        {"only spaces", "   "},
        {"leading and trailing blanks", "  \tkept  "},
        {"markup-like", "{\\rtf1 <b>&amp;</b>} \"quoted\", commas"},
        {"non-ASCII", "Gr\xC3\xBC\xC3\x9F"
                      "e \xE2\x80\x94 \xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        AnswerStore answers;
        answers.setText({SectionId::Military, "People"}, c.answer);
        const std::string doc = DocumentComposer(answers);
        const std::string around = "Did you get to see anyone famous during this time?\r\n\r\n" +
                                   c.answer +
                                   "\r\n\r\nAre you still friends with anyone you met during "
                                   "the time you were in the military?";
        EXPECT_NE(doc.find(around), std::string::npos) << c.name;
        EXPECT_EQ(doc.size(), DocumentComposer(AnswerStore()).size() + c.answer.size()) << c.name;
    }
}

TEST(DocumentComposer, EndingWithAndWithoutFinalComments) {
    AnswerStore answers;
    const std::string without = DocumentComposer(answers);
    const std::string tail =
        "FINAL COMMENTS:\r\n\r\n"
        "What about yourself would you especially like me to know?\r\n\r\n"
        "\r\n\r\n"
        "Do you have any advice you've been meaning to give me?\r\n\r\n\r\n\r\n"
        "What question(s) do you wish I had asked?  What are the answers to "
        "these questions?\r\n\r\n\r\n\r\n"
        "Any final comments?\r\n\r\n\r\n";
    ASSERT_GE(without.size(), tail.size());
    EXPECT_EQ(without.substr(without.size() - tail.size()), tail);

    answers.setText({SectionId::Final, "Comments"}, "Love to you all.");
    const std::string with = DocumentComposer(answers);
    const std::string end = "Any final comments?\r\n\r\nLove to you all.\r\n";
    EXPECT_EQ(with.substr(with.size() - end.size()), end);
    EXPECT_NE(with.substr(with.size() - 4), "\r\n\r\n") << "one CR LF at the end, not two";
}

TEST(DocumentComposer, UnsetAndEmptyGiveIdenticalDocuments) {
    AnswerStore unset;
    AnswerStore empty;
    for (const auto& e : catalog().all())
        empty.setTextOf(e, "");
    ASSERT_FALSE(unset == empty) << "the stores differ, only the documents must not";
    EXPECT_EQ(DocumentComposer(unset), DocumentComposer(empty));

    unset.setText({SectionId::Life, "Hobbies"}, "Gardening");
    empty.setText({SectionId::Life, "Hobbies"}, "Gardening");
    EXPECT_EQ(DocumentComposer(unset), DocumentComposer(empty));
}

TEST(DocumentComposer, EveryAnswerLandsUnderItsOwnQuestion) {
    AnswerStore answers;
    for (const auto& e : catalog().all())
        answers.setTextOf(e, "answer #" + std::to_string(e.sequence));
    const auto b = blocks(DocumentComposer(answers));
    ASSERT_EQ(b.size(), 166u);
    std::size_t i = 1;
    for (SectionId id : kAllSections) {
        ++i; // heading
        for (const auto& e : catalog().questions(id)) {
            EXPECT_EQ(b[i], e.text);
            const std::string want =
                "answer #" + std::to_string(e.sequence) + (i + 1 == 165 ? "\r\n" : "");
            EXPECT_EQ(b[i + 1], want);
            i += 2;
        }
    }
}

} // namespace

namespace {

TEST(DocumentComposer, ReportsWhereEachAnswerEndsWithoutChangingTheText) {
    AnswerStore answers;
    for (const auto& e : catalog().all())
        if (e.sequence % 3 != 0) // some unanswered, so empty answers end where they begin
            answers.setTextOf(e, "answer #" + std::to_string(e.sequence) + "\r\nline two");
    std::vector<std::size_t> ends;
    const std::string doc = DocumentComposer(answers, &ends);
    EXPECT_EQ(doc, DocumentComposer(answers));
    ASSERT_EQ(ends.size(), kQuestionCount);
    for (const auto& e : catalog().all()) {
        SCOPED_TRACE(e.sequence);
        const std::string& a = answers.textOf(e);
        const std::size_t end = ends[e.index()];
        ASSERT_GE(end, a.size() + e.text.size());
        EXPECT_EQ(doc.substr(end - a.size() - e.text.size() - 4, e.text.size() + 4 + a.size()),
                  std::string(e.text) + "\r\n\r\n" + a);
        EXPECT_EQ(doc.substr(end, 2), "\r\n");
    }
}

} // namespace
