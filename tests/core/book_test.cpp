#include "core/book.h"
#include "core/photo_folder.h"
#include "core/program_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace kt;
namespace fs = std::filesystem;

namespace {

const CatalogEntry& entry(SectionId s, std::string_view stem) {
    return QuestionCatalog::instance().entry({s, stem});
}

std::vector<std::string> stemsOf(const BookChapter& c) {
    std::vector<std::string> stems;
    for (const BookEntry& e : c.entries)
        stems.emplace_back(e.question->key.stem);
    return stems;
}

} // namespace

TEST(Book, ChaptersHoldWhatWasAnsweredOrPhotographedInOrder) {
    ProgramState s;
    s.answers.setTextOf(entry(SectionId::Childhood, "Toys"), "\r\n  \r\n  A tin drum.\r\n \r\n");
    s.answers.setTextOf(entry(SectionId::Childhood, "GrowUp"), "A pilot");
    s.answers.setTextOf(entry(SectionId::Childhood, "Games"), " \t\r\n\xC2\xA0 ");
    s.answers.setTextOf(entry(SectionId::HighSchool, "Grad"), "   "); // blank: no chapter
    s.answers.setTextOf(entry(SectionId::Wedding, "Where"), "");      // empty
    s.photos.of(entry(SectionId::Wedding, "Ceremony"))
        .push_back({"\xFF\xD8\xFF"
                    "a",
                    {},
                    "Us"});
    s.photos.of(entry(SectionId::Final, "Comments"))
        .push_back({"\xFF\xD8\xFF"
                    "b",
                    {},
                    ""});
    s.answers.setTextOf(entry(SectionId::Final, "Comments"), "Thank you.");

    const std::vector<BookChapter> chapters = bookChapters(s.answers, s.photos);
    ASSERT_EQ(chapters.size(), 3u);
    EXPECT_EQ(chapters[0].title, "Childhood");
    EXPECT_EQ(stemsOf(chapters[0]), (std::vector<std::string>{"GrowUp", "Toys"}));
    // Blank lines around an answer go; its own indent stays.
    EXPECT_EQ(chapters[0].entries[1].answer, "  A tin drum.");
    // A photo without words still makes its question part of the book.
    EXPECT_EQ(chapters[1].title, "Wedding");
    EXPECT_EQ(stemsOf(chapters[1]), (std::vector<std::string>{"Ceremony"}));
    EXPECT_EQ(chapters[1].entries[0].answer, "");
    EXPECT_EQ(chapters[2].title, "Final Thoughts");
    ASSERT_EQ(chapters[2].entries[0].photos.size(), 1u);
    EXPECT_EQ(firstBookPhoto(chapters)->caption, "Us");

    EXPECT_TRUE(bookChapters(AnswerStore(), PhotoStore()).empty());
    EXPECT_EQ(firstBookPhoto({}), nullptr);
}

TEST(Book, UsualPageSizeFollowsTheTerritory) {
    for (const char* letter : {"US", "CA", "MX", "PH", "CL"})
        EXPECT_EQ(usualPageSize(letter), BookPageSize::Letter) << letter;
    for (const char* a4 : {"GB", "DE", "FR", "AU", "IN", "BR", ""})
        EXPECT_EQ(usualPageSize(a4), BookPageSize::A4) << a4;
}

TEST(Book, OptionsRoundTripBesideTheDataFileAndComeBackWithALoad) {
    const fs::path dir = fs::path(::testing::TempDir()) / "book_options";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string story = (dir / "Gran.rtf").string();

    ProgramState s;
    ASSERT_TRUE(SaveBookOptions(story, s));
    EXPECT_FALSE(fs::exists(dir / "Gran book.txt")) << "no book made, nothing written";

    s.answers.setTextOf(entry(SectionId::Jobs, "Best"), "Baker");
    s.book = BookOptions{"Ma vie\tà moi", "Zoë \\ O'Neil", "For Ann,\r\nand Tom", BookPageSize::A5,
                         true};
    std::string error;
    ASSERT_TRUE(SaveDataFile(story, s.answers, &error)) << error;
    ASSERT_TRUE(SaveBookOptions(story, s, &error)) << error;
    const std::string dataBefore = [&] {
        std::ifstream in(dir / "Gran.dat", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    EXPECT_EQ(dataBefore, encodeAnswerRecord(s.answers)) << "the data file is the same";

    ProgramState loaded;
    ASSERT_EQ(loadAnswersAndPhotos((dir / "Gran.dat").string(), loaded), LoadOutcome::Loaded);
    ASSERT_TRUE(loaded.book);
    EXPECT_EQ(*loaded.book, *s.book);

    // Every page size survives the file.
    for (BookPageSize size : {BookPageSize::A4, BookPageSize::Letter, BookPageSize::Trade6x9}) {
        BookOptions o;
        o.pageSize = size;
        BookOptions back;
        ASSERT_TRUE(decodeBookOptions(encodeBookOptions(o), back));
        EXPECT_EQ(back, o);
    }

    // A settings file that cannot be read leaves a load whole, without settings.
    for (const char* bad : {"", "Other 1\r\n", "Kithtale book 1\r\nPage size\tB5\r\n",
                            "Kithtale book 1\r\nTitle\tbad\\q\r\n"}) {
        std::ofstream(dir / "Gran book.txt", std::ios::binary | std::ios::trunc) << bad;
        ProgramState again;
        again.book = BookOptions{};
        ASSERT_EQ(loadAnswersAndPhotos((dir / "Gran.dat").string(), again), LoadOutcome::Loaded);
        EXPECT_FALSE(again.book) << bad;
        EXPECT_EQ(again.answers, s.answers);
    }
    EXPECT_EQ(bookOptionsFileFor("/a.b/story"), "/a.b/story book.txt");
}
