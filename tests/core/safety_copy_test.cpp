#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "core/question_catalog.h"
#include "core/safety_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace kt;
namespace fs = std::filesystem;

namespace {

std::span<const CatalogEntry> all() {
    return QuestionCatalog::instance().all();
}

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SafetyCopyFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kt-safety-" + std::to_string(std::random_device()()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

// A store the safety copy must hand back exactly: text of every kind, an unset slot, a set but
// empty one, quotes, line breaks, and characters Windows-1252 has no room for.
AnswerStore awkwardAnswers() {
    AnswerStore s;
    s.setTextOf(all()[0], "We lived on \"Elm\" Street.\r\nThen we moved.\r\n");
    s.setTextOf(all()[1], "");
    s.setTextOf(all()[2], "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
    s.setTextOf(all()[9], "only Windows-1252: na\xC3\xAFve");
    return s;
}

} // namespace

TEST(AnswerRecord, TheSafetyCopysRecordsAreUtf8AndHoldAnyField) {
    // The store's record in UTF-8 even where Windows-1252 would do, and read back unchanged.
    AnswerStore plain;
    plain.setTextOf(all()[0], "na\xC3\xAFve");
    const std::string utf8 = encodeAnswerRecord(plain, RecordEncoding::Utf8);
    EXPECT_EQ(utf8.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(encodeAnswerRecord(plain), utf8) << "the editor's files stay Windows-1252";
    AnswerStore back;
    back.setTextOf(all()[5], "to be replaced");
    ASSERT_TRUE(decodeAnswerRecord(utf8, back));
    EXPECT_EQ(back, plain);

    // Bare fields: an AlwaysText field may be nothing, which a store cannot hold.
    AnswerFields fields;
    fields[9] = "the parents' box, typed and not saved";
    fields[10] = "";
    fields[76] = "\"quoted\"\r\n";
    AnswerFields read;
    read[0] = "gone after a good read";
    ASSERT_TRUE(decodeAnswerFields(encodeAnswerFields(fields), read));
    EXPECT_EQ(read, fields);
    EXPECT_FALSE(decodeAnswerFields("\"cut short", read));
    EXPECT_EQ(read, fields) << "a bad record changes nothing";
}

TEST(AnswerStore, EveryWriteCountsAndEqualityIgnoresTheCount) {
    AnswerStore a, b;
    const auto start = a.revision();
    a.setTextOf(all()[0], "x");
    a.setTextOf(all()[0], "x");
    a.setUnsetOf(all()[1]);
    EXPECT_EQ(a.revision(), start + 3);
    b.setTextOf(all()[0], "x");
    EXPECT_EQ(a, b);
    // A load replaces the whole store: the count must still move on, never back to one a
    // reader has already seen.
    const auto before = a.revision();
    a = AnswerStore();
    EXPECT_GT(a.revision(), before);
    a = b;
    EXPECT_GT(a.revision(), before + 1);
}

TEST_F(SafetyCopyFiles, WhatIsWrittenIsReadBackWholeAndOnlyItsOwnerMayReadIt) {
    const AnswerStore answers = awkwardAnswers();
    AnswerFields boxes;
    boxes[4] = "typed in a box, not saved\r\n";
    boxes[9] = "";
    const std::string story = "{\\rtf1\\ansi {\\pict\\pngblip 89504e47} A story.\\par}";
    safety::About about{"2026-12-08T20:01:33Z", "/home/g/My \\ story\nname.rtf", 1};

    safety::Update update;
    update.answers = safety::Part::write(encodeAnswerRecord(answers, RecordEncoding::Utf8));
    update.boxes = safety::Part::write(encodeAnswerFields(boxes));
    update.story = safety::Part::write(story);
    update.about = safety::Part::write(safety::encodeAbout(about));
    std::vector<std::string> synced;
    const SyncToDisk sync = [&](const std::string& path, std::string*) {
        synced.push_back(fs::path(path).filename().string());
        return true;
    };
    std::string error;
    ASSERT_TRUE(safety::apply(dir.string(), update, sync, &error)) << error;

    safety::Copy copy;
    ASSERT_TRUE(safety::read(dir.string(), copy, &error)) << error;
    EXPECT_EQ(copy.answers, answers);
    EXPECT_EQ(copy.boxes, boxes);
    EXPECT_EQ(copy.story, story);
    EXPECT_EQ(copy.about, about);
    for (const char* name : {"answers.dat", "boxes.dat", "story.rtf", "copy.txt"})
        EXPECT_EQ(fs::status(dir / name).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << name;
    // Every file on the disk before it takes its name, copy.txt last, and the folder after all.
    std::vector<std::string> files;
    for (const std::string& name : synced)
        if (name != dir.filename().string())
            files.push_back(name.substr(0, name.find('.', 1)));
    EXPECT_EQ(files, (std::vector<std::string>{".answers", ".boxes", ".story", ".copy"}));
    EXPECT_EQ(synced.back(), dir.filename().string());

    // A later update writes only what changed; parts it removes stay removed.
    PhotoStore photos;
    photos.of(all()[3]).push_back(
        {std::string("\xFF\xD8\xFF", 3) + "the house on Elm Street", PhotoFormat::Jpeg, "Home"});
    update = {};
    update.photos = {safety::Part::Action::Write, photos};
    update.boxes = safety::Part::remove();
    update.story = safety::Part::remove();
    about.declined = 0;
    update.about = safety::Part::write(safety::encodeAbout(about));
    ASSERT_TRUE(safety::apply(dir.string(), update, {}, &error)) << error;
    ASSERT_TRUE(safety::read(dir.string(), copy, &error)) << error;
    EXPECT_EQ(copy.answers, answers);
    EXPECT_EQ(copy.boxes, AnswerFields{});
    EXPECT_EQ(copy.photos, photos);
    EXPECT_FALSE(copy.story);
    EXPECT_EQ(copy.about, about);

    // Without copy.txt, whatever else is there, nothing is offered.
    update = {};
    update.about = safety::Part::remove();
    ASSERT_TRUE(safety::apply(dir.string(), update, {}, &error)) << error;
    EXPECT_TRUE(fs::exists(dir / "answers.dat"));
    EXPECT_FALSE(safety::read(dir.string(), copy, &error));
    EXPECT_EQ(copy.answers, answers) << "a failed read changes nothing";
}

TEST_F(SafetyCopyFiles, AnUnreadablePartMeansNoCopyRatherThanHalfOfOne) {
    safety::Update update;
    update.answers = safety::Part::write("\xEF\xBB\xBF\"cut short");
    update.about = safety::Part::write(safety::encodeAbout({"2026-12-08T20:01:33Z", "", 0}));
    ASSERT_TRUE(safety::apply(dir.string(), update));
    safety::Copy copy;
    std::string error;
    EXPECT_FALSE(safety::read(dir.string(), copy, &error));
    EXPECT_NE(error.find("answers"), std::string::npos) << error;

    safety::About about;
    EXPECT_FALSE(safety::decodeAbout("made: 2026-12-08T20:01:33Z\n", about))
        << "not without its first line";
    EXPECT_FALSE(safety::decodeAbout("Kithtale safety copy\nstory: x\n", about))
        << "not without the time it was made";
    EXPECT_EQ(readBytes(dir / "copy.txt"), safety::encodeAbout({"2026-12-08T20:01:33Z", "", 0}));
}
