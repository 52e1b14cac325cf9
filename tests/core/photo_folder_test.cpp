#include "core/photo_folder.h"
#include "core/program_state.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace kt;
namespace fs = std::filesystem;

namespace {

const CatalogEntry& entry(SectionId s, std::string_view stem) {
    return QuestionCatalog::instance().entry({s, stem});
}

// The core looks at a picture's signature only.
std::string jpeg(const std::string& body) {
    return "\xFF\xD8\xFF\xE0" + body;
}
std::string png(const std::string& body) {
    return "\x89PNG\r\n\x1A\n" + body;
}

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void writeBytes(const fs::path& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string firstPicture(const fs::path& folder) {
    for (const auto& n : namesIn(folder))
        if (n.starts_with("photo-"))
            return n;
    return {};
}

class PhotoFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        dir = fs::temp_directory_path() / ("kithtale-photos-" + std::to_string(seed()));
        fs::create_directories(dir);
        folder = (dir / "Story photos").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    // Photos on three questions: a picture used twice, captions that need escaping.
    static ProgramState album() {
        ProgramState s;
        auto& car = s.photos.of(entry(SectionId::FirstCar, "Car"));
        car.push_back({jpeg("the blue Beetle"), PhotoFormat::Jpeg, "Our first car, 1962"});
        car.push_back({png("a drawing"), PhotoFormat::Png, ""});
        s.photos.of(entry(SectionId::Wedding, "Ceremony"))
            .push_back({jpeg("rings"), PhotoFormat::Jpeg,
                        "Tab\there, back\\slash, two\r\nlines and \xC3\xA9t\xC3\xA9"});
        s.photos.of(entry(SectionId::Final, "Comments"))
            .push_back({jpeg("the blue Beetle"), PhotoFormat::Jpeg, "Again"});
        return s;
    }

    fs::path dir;
    std::string folder;
};

TEST(PhotoFolderPath, IsTheDataFilesNameWithoutItsExtension) {
    EXPECT_EQ(photoFolderFor("/home/ann/Story.dat"), "/home/ann/Story photos");
    EXPECT_EQ(photoFolderFor("/home/ann.x/Story"), "/home/ann.x/Story photos");
    EXPECT_EQ(photoFolderFor("Our.life.dat"), "Our.life photos");
}

TEST_F(PhotoFolder, RoundTripsEveryPhotoWithItsCaptionInOrder) {
    const ProgramState saved = album();
    std::string error;
    ASSERT_TRUE(writePhotoFolder(folder, saved.photos, &error)) << error;
    // One file per distinct picture, and the index.
    EXPECT_EQ(namesIn(folder).size(), 4u);

    ProgramState loaded;
    loaded.photos.of(entry(SectionId::Jobs, "Best")).push_back({jpeg("old"), {}, "gone"});
    ASSERT_TRUE(readPhotoFolder(folder, loaded.photos, &error)) << error;
    EXPECT_EQ(loaded.photos, saved.photos);
}

TEST_F(PhotoFolder, ASaveWritesOnlyNewPicturesAndRemovesThoseNoLongerNamed) {
    ProgramState s = album();
    ASSERT_TRUE(writePhotoFolder(folder, s.photos));
    writeBytes(fs::path(folder) / "my own notes.txt", "kept");
    const auto before = namesIn(folder);
    const auto pictureOf = [&](const std::string& prefix) {
        for (const auto& n : namesIn(folder))
            if (n.starts_with("photo-") && readBytes(fs::path(folder) / n).ends_with(prefix))
                return fs::path(folder) / n;
        return fs::path();
    };
    struct stat beetle {};
    ASSERT_EQ(::stat(pictureOf("Beetle").c_str(), &beetle), 0);

    auto& car = s.photos.of(entry(SectionId::FirstCar, "Car"));
    car.erase(car.begin() + 1); // the drawing
    car.push_back({jpeg("a new one"), PhotoFormat::Jpeg, "new"});
    ASSERT_TRUE(writePhotoFolder(folder, s.photos));

    struct stat after {};
    ASSERT_EQ(::stat(pictureOf("Beetle").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, beetle.st_ino) << "an unchanged picture is not written again";
    EXPECT_TRUE(pictureOf("drawing").empty()) << "a picture no longer named is removed";
    EXPECT_FALSE(pictureOf("new one").empty());
    EXPECT_EQ(readBytes(fs::path(folder) / "my own notes.txt"), "kept");
    EXPECT_EQ(namesIn(folder).size(), before.size());

    ProgramState loaded;
    ASSERT_TRUE(readPhotoFolder(folder, loaded.photos));
    EXPECT_EQ(loaded.photos, s.photos);
}

TEST_F(PhotoFolder, NoPhotosMakeNoFolderAndEmptyAnOldOne) {
    ASSERT_TRUE(writePhotoFolder(folder, ProgramState().photos));
    EXPECT_FALSE(fs::exists(folder)) << "a story without photos leaves no trace";

    ASSERT_TRUE(writePhotoFolder(folder, album().photos));
    ASSERT_TRUE(writePhotoFolder(folder, ProgramState().photos));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"index.txt"});
    ProgramState loaded = album();
    ASSERT_TRUE(readPhotoFolder(folder, loaded.photos));
    EXPECT_TRUE(loaded.photos.empty());
}

TEST_F(PhotoFolder, AFolderWithoutAnIndexOrNoFolderIsNoPhotos) {
    ProgramState s = album();
    ASSERT_TRUE(readPhotoFolder(folder, s.photos));
    EXPECT_TRUE(s.photos.empty());
    fs::create_directory(folder);
    writeBytes(fs::path(folder) / "holiday.jpg", jpeg("someone else's"));
    s = album();
    ASSERT_TRUE(readPhotoFolder(folder, s.photos));
    EXPECT_TRUE(s.photos.empty());
}

TEST_F(PhotoFolder, ReadingIsAllOrNothing) {
    const fs::path index = fs::path(folder) / "index.txt";
    struct Case {
        const char* name;
        std::function<void()> spoil;
    };
    const std::string header = "Kithtale photos 1\r\n";
    const Case cases[] = {
        {"a picture missing", [&] { fs::remove(fs::path(folder) / firstPicture(folder)); }},
        {"a picture that is not one",
         [&] { writeBytes(fs::path(folder) / firstPicture(folder), "GIF89a"); }},
        {"an unknown question",
         [&] { writeBytes(index, header + "FirstCar.Boat\t" + firstPicture(folder) + "\tx\r\n"); }},
        {"a name outside the folder",
         [&] { writeBytes(index, header + "FirstCar.Car\t../Story.dat\tx\r\n"); }},
        {"a broken escape",
         [&] {
             writeBytes(index, header + "FirstCar.Car\t" + firstPicture(folder) + "\t\\q\r\n");
         }},
        {"another version", [&] { writeBytes(index, "Kithtale photos 2\r\n"); }},
        {"an empty index", [&] { writeBytes(index, ""); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        ASSERT_TRUE(writePhotoFolder(folder, album().photos));
        c.spoil();
        ProgramState s;
        s.photos.of(entry(SectionId::Jobs, "Best")).push_back({jpeg("before"), {}, "before"});
        const PhotoStore before = s.photos;
        std::string error;
        EXPECT_FALSE(readPhotoFolder(folder, s.photos, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(s.photos, before);
    }
}

TEST_F(PhotoFolder, EveryPictureIsOnTheDiskBeforeTheIndexNamesIt) {
    std::vector<std::string> synced;
    const SyncToDisk sync = [&](const std::string& p, std::string*) {
        synced.push_back(fs::path(p).filename().string());
        return true;
    };
    ASSERT_TRUE(writePhotoFolder(folder, album().photos, nullptr, sync));
    // Three pictures, the folder, the index, the folder again, the folder's own name last.
    ASSERT_EQ(synced.size(), 7u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(synced[i].starts_with(".photo-")) << synced[i];
    EXPECT_EQ(synced[3], "Story photos");
    EXPECT_TRUE(synced[4].starts_with(".index.txt.")) << synced[4];
    EXPECT_EQ(synced[5], "Story photos");
    EXPECT_EQ(synced[6], dir.filename().string());

    // A disk that refuses to take the pictures leaves the old index whole.
    const std::string index = readBytes(fs::path(folder) / "index.txt");
    ProgramState more = album();
    more.photos.of(entry(SectionId::Travel, "Like")).push_back({jpeg("Rome"), {}, ""});
    std::string error;
    EXPECT_FALSE(
        writePhotoFolder(folder, more.photos, &error, [](const std::string&, std::string* why) {
            *why = "no room";
            return false;
        }));
    EXPECT_NE(error.find("no room"), std::string::npos) << error;
    EXPECT_EQ(readBytes(fs::path(folder) / "index.txt"), index);
}

TEST_F(PhotoFolder, LoadTakesAnswersAndPhotosTogetherOrNeither) {
    ProgramState saved = album();
    saved.answers.setText({SectionId::FirstCar, "Car"}, "A Beetle");
    const std::string dat = (dir / "Story.dat").string();
    ASSERT_TRUE(writeDataFile(dat, saved.answers));
    ASSERT_TRUE(writePhotoFolder(folder, saved.photos));

    ProgramState s;
    EXPECT_EQ(loadAnswersAndPhotos(dat, s), LoadOutcome::Loaded);
    EXPECT_EQ(s.answers, saved.answers);
    EXPECT_EQ(s.photos, saved.photos);

    writeBytes(fs::path(folder) / "index.txt", "Kithtale photos 1\r\nFirstCar.Car\tgone.jpg\t\r\n");
    ProgramState fresh;
    std::string error;
    EXPECT_EQ(loadAnswersAndPhotos(dat, fresh, &error), LoadOutcome::PhotosUnreadable);
    EXPECT_NE(error.find("gone.jpg"), std::string::npos) << error;
    EXPECT_EQ(fresh.answers, AnswerStore());

    // Without the folder the answers load, and the photos of before are gone with them.
    fs::remove_all(folder);
    EXPECT_EQ(loadAnswersAndPhotos(dat, s), LoadOutcome::Loaded);
    EXPECT_TRUE(s.photos.empty());
    writeBytes(dat, "not a data file");
    EXPECT_EQ(loadAnswersAndPhotos(dat, s), LoadOutcome::DataFileUnreadable);
}

} // namespace
