#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "core/question_catalog.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace kt;
namespace fs = std::filesystem;

namespace {

const QuestionCatalog& catalog() {
    return QuestionCatalog::instance();
}

// The AlwaysText fields, typed out rather than taken from the catalog.
const std::set<int> kAlwaysTextFields = {10, 18, 23, 26, 33, 44, 51, 60, 67, 72, 77};

// A record built field by field: nullptr for an empty field, else the raw bytes between quotes.
std::string record(const std::vector<const char*>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += ',';
        if (fields[i])
            out += std::string("\"") + fields[i] + "\"";
    }
    return out + "\r\n";
}

// The fresh run's record, with some fields replaced (1-based field number -> raw quoted body).
std::string freshRecordWith(const std::vector<std::pair<int, const char*>>& changes = {}) {
    std::vector<const char*> fields(77, nullptr);
    for (int f : kAlwaysTextFields)
        fields[f - 1] = "";
    for (const auto& [f, body] : changes)
        fields[f - 1] = body;
    return record(fields);
}

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A store where every slot holds a text, so that a load must change each one to be seen.
AnswerStore filledStore(const std::string& text = "typed before the load") {
    AnswerStore s;
    for (const auto& e : catalog().all())
        s.setTextOf(e, text + " #" + std::to_string(e.sequence));
    return s;
}

// Sets or clears the immutable attribute: how a folder is made unwritable even for root.
bool setImmutable(const fs::path& p, bool on) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        dir = fs::temp_directory_path() / ("kt-datafile-" + std::to_string(seed()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        for (const auto& p : locked)
            setImmutable(p, false);
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    // Makes the folder unwritable; false when this machine cannot.
    bool makeFolderReadOnly(const fs::path& folder) {
        fs::permissions(folder,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        if (!canCreateIn(folder))
            return true;
        if (setImmutable(folder, true)) {
            locked.push_back(folder);
            return !canCreateIn(folder);
        }
        return false;
    }
    static bool canCreateIn(const fs::path& folder) {
        const fs::path probe = folder / "probe";
        std::FILE* f = std::fopen(probe.c_str(), "wb");
        if (!f)
            return false;
        std::fclose(f);
        fs::remove(probe);
        return true;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    std::vector<fs::path> locked;
};

// ---- The format, byte for byte ------------------------------------------------------------

TEST(AnswerRecord, FreshStoreIs98CharactersAndCrLf) {
    const std::string bytes = encodeAnswerRecord(AnswerStore());
    // 76 commas and eleven pairs of quotes, the pairs in the AlwaysText fields.
    const std::string expected = ",,,,,,,,,\"\",,,,,,,,\"\",,,,,\"\",,,\"\",,,,,,,\"\","
                                 ",,,,,,,,,,\"\",,,,,,,\"\",,,,,,,,,\"\",,,,,,,\"\",,,,,\"\","
                                 ",,,,\"\"\r\n";
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.size(), 98u + 2u);
    EXPECT_EQ(bytes, freshRecordWith());
}

TEST(AnswerRecord, WorkedExampleIs116CharactersAndCrLf) {
    AnswerStore answers;
    // Saving frmChildhood1 sets all five of its slots.
    answers.setText({SectionId::Childhood, "GrowUp"}, "A doctor");
    for (const char* stem : {"Toys", "Games", "Lived", "Hobbies"})
        answers.setText({SectionId::Childhood, stem}, "");
    const std::string bytes = encodeAnswerRecord(answers);
    const std::string expected = "\"A doctor\",\"\",\"\",\"\",\"\",,,,,\"\",,,,,,,,\"\",,,,,\"\","
                                 ",,\"\",,,,,,,\"\",,,,,,,,,,,\"\",,,,,,,\"\",,,,,,,,,\"\",,,,,,"
                                 ",\"\",,,,,\"\",,,,,\"\"\r\n";
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.size(), 116u + 2u);
}

TEST(AnswerRecord, MultiLineAnswersKeepTheirLineBreaksInsideTheQuotes) {
    AnswerStore answers;
    answers.setText({SectionId::Childhood, "Lived"}, "On a farm,\r\nthen in town.\r\n");
    answers.setText({SectionId::Final, "Comments"}, "Bye");
    EXPECT_EQ(encodeAnswerRecord(answers),
              freshRecordWith({{4, "On a farm,\r\nthen in town.\r\n"}, {77, "Bye"}}));

    AnswerStore loaded;
    ASSERT_TRUE(decodeAnswerRecord(encodeAnswerRecord(answers), loaded));
    EXPECT_EQ(loaded.text({SectionId::Childhood, "Lived"}), "On a farm,\r\nthen in town.\r\n");
    EXPECT_EQ(loaded, answers);
}

TEST(AnswerRecord, EveryFieldGoesToItsOwnSlot) {
    // Field n holds "f<n>": the reader must follow sequence order, not page order.
    std::vector<std::string> bodies;
    for (int n = 1; n <= 77; ++n)
        bodies.push_back("f" + std::to_string(n));
    std::vector<const char*> fields;
    for (const auto& b : bodies)
        fields.push_back(b.c_str());
    AnswerStore answers;
    ASSERT_TRUE(decodeAnswerRecord(record(fields), answers));

    const struct {
        int field;
        QuestionKey key;
    } kMap[] = {
        {1, {SectionId::Childhood, "GrowUp"}},     {4, {SectionId::Childhood, "Lived"}},
        {5, {SectionId::Childhood, "Hobbies"}},    {10, {SectionId::Childhood, "Parents"}},
        {17, {SectionId::HighSchool, "Hobbies"}},  {21, {SectionId::FirstCar, "Getting"}},
        {26, {SectionId::Volunteering, "Skills"}}, {27, {SectionId::Volunteering, "Like"}},
        {49, {SectionId::Military, "People"}},     {50, {SectionId::Military, "Friends"}},
        {62, {SectionId::Travel, "Like"}},         {72, {SectionId::Life, "Hobbies"}},
        {73, {SectionId::Life, "Learn"}},          {77, {SectionId::Final, "Comments"}},
    };
    for (const auto& m : kMap) {
        EXPECT_EQ(answers.text(m.key), "f" + std::to_string(m.field)) << m.field;
        // And the writer puts the slot back in the same field.
        AnswerStore one;
        one.setText(m.key, "X");
        std::vector<std::pair<int, const char*>> change = {{m.field, "X"}};
        EXPECT_EQ(encodeAnswerRecord(one), freshRecordWith(change)) << m.field;
    }
}

TEST(AnswerRecord, LoadingReplacesEverySlotUnsetIncluded) {
    AnswerStore answers = filledStore();
    ASSERT_TRUE(decodeAnswerRecord(freshRecordWith({{2, "Marbles"}}), answers));
    for (const auto& e : catalog().all()) {
        if (e.sequence == 2) {
            EXPECT_EQ(answers.valueOf(e), std::optional<std::string>("Marbles"));
        } else if (kAlwaysTextFields.count(e.sequence)) {
            EXPECT_EQ(answers.valueOf(e), std::optional<std::string>("")) << e.sequence;
        } else {
            EXPECT_FALSE(answers.valueOf(e).has_value()) << e.sequence << " is unset again";
        }
    }
    EXPECT_EQ(answers, [] {
        AnswerStore s;
        s.setText({SectionId::Childhood, "Toys"}, "Marbles");
        return s;
    }());

    // An empty field in an AlwaysText position still gives the empty text, never unset.
    std::vector<const char*> allEmpty(77, nullptr);
    ASSERT_TRUE(decodeAnswerRecord(record(allEmpty), answers));
    EXPECT_EQ(answers.value({SectionId::Volunteering, "Skills"}), std::optional<std::string>(""));
    EXPECT_EQ(answers, AnswerStore());
}

// ---- Mended: a double quote inside an answer ----------------------------------------------

TEST(AnswerRecord, QuotesInsideAnAnswerAreDoubledAndReadBack) {
    AnswerStore answers;
    answers.setText({SectionId::Childhood, "GrowUp"}, "He said \"hi\", then left");
    answers.setText({SectionId::Childhood, "Toys"}, "\"");
    answers.setText({SectionId::Childhood, "Games"}, "\"\"");
    answers.setText({SectionId::Childhood, "Lived"}, "after");
    const std::string bytes = encodeAnswerRecord(answers);
    const std::string opening =
        "\"He said \"\"hi\"\", then left\",\"\"\"\",\"\"\"\"\"\",\"after\",";
    EXPECT_EQ(bytes.substr(0, opening.size()), opening);

    AnswerStore loaded = filledStore();
    ASSERT_TRUE(decodeAnswerRecord(bytes, loaded));
    EXPECT_EQ(loaded, answers) << "no field after the quote shifts";
}

TEST(AnswerRecord, LenientReading) {
    struct Case {
        const char* name;
        std::string bytes;
        QuestionKey key;
        std::optional<std::string> want;
    };
    const QuestionKey first{SectionId::Childhood, "GrowUp"};
    const QuestionKey last{SectionId::Final, "Comments"};
    const std::string tail = freshRecordWith(); // from the comma after field 1
    const Case cases[] = {
        {"unquoted text runs to the comma", "plain words" + tail, first, "plain words"},
        {"bytes after a closing quote are skipped", "\"kept\"junk" + tail, first, "kept"},
        {"a second record is not read",
         freshRecordWith({{77, "one"}}) + freshRecordWith({{77, "two"}}), last, "one"},
        {"trailing bytes are not read", freshRecordWith({{77, "end"}}) + "\x01garbage\"", last,
         "end"},
        {"more fields on the line are not read", freshRecordWith().substr(0, 98) + ",\"x\"\r\n",
         last, ""},
        {"no line end after the last quoted field", freshRecordWith({{77, "end"}}).substr(0, 101),
         last, "end"},
        {"lone LF ends the record", freshRecordWith({{77, "lf"}}).substr(0, 100) + "\n", last,
         "lf"},
        {"lone CR ends the record", freshRecordWith({{77, "cr"}}).substr(0, 100) + "\r", last,
         "cr"},
    };
    for (const auto& c : cases) {
        AnswerStore answers = filledStore();
        ASSERT_TRUE(decodeAnswerRecord(c.bytes, answers)) << c.name;
        EXPECT_EQ(answers.value(c.key), c.want) << c.name;
    }
}

// ---- Mended: characters outside the code page ---------------------------------------------

TEST(AnswerRecord, Windows1252WhenEveryAnswerFits) {
    AnswerStore answers;
    // é, €, ’ and the undefined byte 0x81 kept as U+0081.
    answers.setText({SectionId::Childhood, "GrowUp"}, "caf\xC3\xA9 \xE2\x82\xAC"
                                                      "5 \xE2\x80\x99\xC2\x81");
    const std::string bytes = encodeAnswerRecord(answers);
    EXPECT_EQ(bytes.substr(0, 13), "\"caf\xE9 \x80"
                                   "5 \x92\x81\",");
    EXPECT_EQ(bytes.size(), 100u + 12u);
    AnswerStore loaded;
    ASSERT_TRUE(decodeAnswerRecord(bytes, loaded));
    EXPECT_EQ(loaded, answers);
}

TEST(AnswerRecord, OldWindows1252FilesLoad) {
    // Every byte from 0x20 up, as the old program would have written it.
    std::string body;
    for (int b = 0x20; b <= 0xFF; ++b)
        if (b != '"')
            body += static_cast<char>(b);
    AnswerStore answers;
    ASSERT_TRUE(decodeAnswerRecord(freshRecordWith({{1, body.c_str()}}), answers));
    const std::string& text = answers.text({SectionId::Childhood, "GrowUp"});
    EXPECT_NE(text.find("\xE2\x82\xAC"), std::string::npos) << "0x80 is the euro sign";
    EXPECT_NE(text.find("\xC5\xB8"), std::string::npos) << "0x9F is Y with diaeresis";
    EXPECT_NE(text.find("\xC3\xBF"), std::string::npos) << "0xFF is y with diaeresis";
    EXPECT_NE(text.find("\xE2\x80\x9C\xE2\x80\x9D"), std::string::npos) << "0x93 0x94 curly quotes";
    // Saved again, the file is the same bytes.
    EXPECT_EQ(encodeAnswerRecord(answers), freshRecordWith({{1, body.c_str()}}));
}

TEST(AnswerRecord, Utf8WithByteOrderMarkWhenAnAnswerDoesNotFit) {
    const std::string texts[] = {
        "\xC5\x81\xC3\xB3\x64\xC5\xBA",     // Polish
        "\xCE\xB1\xCE\xB2\xCE\xB3",         // Greek
        "\xD0\x91\xD0\xB0\xD0\xB1\xD1\x83", // Cyrillic
        "\xE4\xB8\xAD\xE6\x96\x87",         // CJK
        "\xF0\x9F\x98\x80",                 // an emoji, outside the BMP
        "\xC2\x80",                         // a C1 control the code page lacks
    };
    for (const auto& t : texts) {
        AnswerStore answers;
        answers.setText({SectionId::Travel, "Countries"}, t);
        answers.setText({SectionId::Travel, "Like"}, "caf\xC3\xA9"); // fits, but goes as UTF-8 too
        const std::string bytes = encodeAnswerRecord(answers);
        ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF") << t;
        const std::string want = "\"" + t + "\",\"caf\xC3\xA9\"";
        EXPECT_NE(bytes.find(want), std::string::npos) << t;
        AnswerStore loaded = filledStore();
        ASSERT_TRUE(decodeAnswerRecord(bytes, loaded)) << t;
        EXPECT_EQ(loaded, answers) << t;
    }
}

TEST(AnswerRecord, MalformedUtf8InTheStoreIsKeptByteForByte) {
    AnswerStore answers;
    answers.setText({SectionId::Jobs, "Best"}, std::string("bad \xFF\xC3 \xED\xA0\x80 end"));
    const std::string bytes = encodeAnswerRecord(answers);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    AnswerStore loaded;
    ASSERT_TRUE(decodeAnswerRecord(bytes, loaded));
    EXPECT_EQ(loaded, answers);
}

// ---- The round trip -----------------------------------------------------------------------

class RandomStores {
public:
    explicit RandomStores(std::uint32_t seed) : m_rng(seed) {}

    // A random store, and whether every text fits Windows-1252.
    std::pair<AnswerStore, bool> next() {
        AnswerStore s = filledStore("stale");
        bool fits = true;
        // Per store: ASCII only, the code page's characters, or any Unicode.
        const int flavour = static_cast<int>(pick(3));
        for (const auto& e : catalog().all()) {
            switch (pick(6)) {
            case 0:
                s.setUnsetOf(e);
                break;
            case 1:
                s.setTextOf(e, "");
                break;
            default:
                s.setTextOf(e, text(flavour, fits));
            }
        }
        return {std::move(s), fits};
    }

private:
    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng);
    }

    std::string text(int flavour, bool& fits) {
        std::string out;
        const std::size_t length = pick(60);
        while (out.size() < length) {
            switch (pick(12)) {
            case 0:
                out += '"';
                break;
            case 1:
                out += ',';
                break;
            case 2:
                out += '\r';
                break;
            case 3:
                out += '\n';
                break;
            case 4:
                out += "\r\n";
                break;
            case 5:
                out += "\"\"";
                break;
            default:
                appendChar(out, flavour, fits);
            }
        }
        // Now and then a very long text: the piece repeated, with a random end.
        if (pick(2000) == 0) {
            const std::string piece = out + "\r\n";
            const std::size_t longLength = 20000 + pick(30000);
            while (out.size() < longLength)
                out += piece;
            appendChar(out, flavour, fits);
        }
        return out;
    }

    void appendChar(std::string& out, int flavour, bool& fits) {
        static const char* const kCodePage[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xC2\xA0",
                                                "\xC3\xBF", "\xE2\x80\x9C", "\xC5\xB8",
                                                "\xC2\x9D", "\xE2\x84\xA2"};
        if (flavour == 0 || pick(3) == 0) {
            out += static_cast<char>(0x20 + pick(95));
        } else if (flavour == 1) {
            out += kCodePage[pick(std::size(kCodePage))];
        } else {
            char32_t cp;
            do {
                cp = static_cast<char32_t>(pick(4) == 0 ? 0x10000 + pick(0x100000)
                                                        : 0x80 + pick(0xFF80));
            } while (cp >= 0xD800 && cp <= 0xDFFF);
            encode(out, cp);
            if (!((cp >= 0xA0 && cp <= 0xFF) || isCodePageSpecial(cp)))
                fits = false;
        }
    }

    static bool isCodePageSpecial(char32_t cp) {
        static const std::set<char32_t> kSpecial = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        return kSpecial.count(cp) != 0;
    }

    static void encode(std::string& out, char32_t cp) {
        if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }

    std::mt19937 m_rng;
};

TEST(AnswerRecord, RoundTripOverThousandsOfRandomStores) {
    RandomStores gen(20261208);
    int utf8Files = 0;
    for (int i = 0; i < 2000; ++i) {
        const auto [store, fits] = gen.next();
        const std::string bytes = encodeAnswerRecord(store);
        const bool bom = bytes.starts_with("\xEF\xBB\xBF");
        ASSERT_EQ(bom, !fits) << "store " << i;
        utf8Files += bom;
        AnswerStore loaded = filledStore();
        ASSERT_TRUE(decodeAnswerRecord(bytes, loaded)) << "store " << i;
        ASSERT_TRUE(loaded == store) << "store " << i;
        ASSERT_EQ(encodeAnswerRecord(loaded), bytes) << "store " << i;
    }
    EXPECT_GT(utf8Files, 100) << "both encodings exercised";
    EXPECT_LT(utf8Files, 1900);
}

// ---- Mended: a load that fails part-way ---------------------------------------------------

TEST(AnswerRecord, BadRecordsLeaveTheStoreExactlyAsItWas) {
    const std::string good = freshRecordWith({{3, "multi\r\nline"}, {77, "end"}});
    std::string garbage;
    std::mt19937 rng(7);
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>(rng() % 256);
    std::string manyLines;
    for (int i = 0; i < 200; ++i)
        manyLines += "Line " + std::to_string(i) + " of some letter\r\n";

    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"just a line end", "\r\n"},
        {"only the byte-order mark", "\xEF\xBB\xBF"},
        {"cut after 50 bytes", good.substr(0, 50)},
        {"cut inside a multi-line answer", good.substr(0, good.find("line") + 2)},
        {"cut inside the last quoted field", good.substr(0, good.size() - 4)},
        {"76 fields", freshRecordWith().substr(0, freshRecordWith().rfind(',')) + "\r\n"},
        {"76 commas and nothing after", std::string(76, ',')},
        {"garbage bytes", garbage},
        {"a text file with many lines", manyLines},
        {"huge: 20 MB without a field end", "\"" + std::string(20u << 20, 'x')},
        {"huge: 20 MB of one unquoted line", std::string(20u << 20, 'y') + "\r\n"},
    };
    for (const auto& c : cases) {
        AnswerStore answers = filledStore();
        answers.setUnset({SectionId::Jobs, "Best"});
        const AnswerStore before = answers;
        std::string error;
        EXPECT_FALSE(decodeAnswerRecord(c.bytes, answers, &error)) << c.name;
        EXPECT_TRUE(answers == before) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

// ---- The data file path and the ".dat" document guard -------------------------------------

TEST(DataFilePath, ExtensionOfTheFileNameIsReplaced) {
    const struct {
        const char* document;
        const char* data;
    } cases[] = {
        {"Story.rtf", "Story.dat"},
        {"Story.RTF", "Story.dat"},
        {"/home/nan/Story.rtf", "/home/nan/Story.dat"},
        {"/home/nan/Story", "/home/nan/Story.dat"},
        {"/home/nan.old/Story", "/home/nan.old/Story.dat"},
        {"/home/nan.old/My.Life.rtf", "/home/nan.old/My.Life.dat"},
        {"Story.", "Story.dat"},
        {"Story.txt", "Story.dat"},
        {"./Story", "./Story.dat"},
    };
    for (const auto& c : cases) {
        std::string data;
        std::string error;
        ASSERT_TRUE(dataFilePathFor(c.document, &data, &error)) << c.document;
        EXPECT_EQ(data, c.data) << c.document;
    }
}

TEST(DataFilePath, ADocumentEndingInDatIsRefused) {
    for (const char* document : {"Story.dat", "Story.DAT", "/home/nan/Story.Dat", "x.rtf.dat"}) {
        std::string data = "untouched";
        std::string error;
        EXPECT_FALSE(dataFilePathFor(document, &data, &error)) << document;
        EXPECT_EQ(data, "untouched");
        EXPECT_NE(error.find(".dat"), std::string::npos) << error;
    }
    std::string data;
    EXPECT_TRUE(dataFilePathFor("/home/x.dat/Story", &data)) << "a folder's extension is no guard";
    EXPECT_EQ(data, "/home/x.dat/Story.dat");
}

// ---- Files on disk ------------------------------------------------------------------------

using DataFile = TempFolder;

TEST_F(DataFile, SaveWritesBesideTheDocumentAndReplacesWithoutAsking) {
    AnswerStore answers;
    answers.setText({SectionId::Wedding, "Where"}, "St. Mary's, 1962");
    const std::string document = (dir / "Story.RTF").string();
    writeBytes(document, "{\\rtf1 the document}");

    std::string error;
    ASSERT_TRUE(SaveDataFile(document, answers, &error)) << error;
    EXPECT_EQ(readBytes(dir / "Story.dat"), encodeAnswerRecord(answers));

    answers.setText({SectionId::Wedding, "Where"}, "changed");
    ASSERT_TRUE(SaveDataFile(document, answers, &error)) << error;
    EXPECT_EQ(readBytes(dir / "Story.dat"), encodeAnswerRecord(answers));
    EXPECT_EQ(readBytes(document), "{\\rtf1 the document}");
    EXPECT_EQ(entries(), (std::vector<std::string>{"Story.RTF", "Story.dat"}))
        << "no temporary file is left behind";

    AnswerStore loaded = filledStore();
    ASSERT_TRUE(readDataFile((dir / "Story.dat").string(), loaded, &error)) << error;
    EXPECT_EQ(loaded, answers);
}

TEST_F(DataFile, TheDatGuardNeverOverwritesTheDocument) {
    const fs::path document = dir / "Story.dat";
    writeBytes(document, "{\\rtf1 precious}");
    std::string error;
    EXPECT_FALSE(SaveDataFile(document.string(), filledStore(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readBytes(document), "{\\rtf1 precious}");
    EXPECT_EQ(entries(), std::vector<std::string>{"Story.dat"});
}

TEST_F(DataFile, AnyExtensionIsRead) {
    AnswerStore answers;
    answers.setText({SectionId::Life, "Books"}, "Westerns");
    writeBytes(dir / "copy of story.txt", encodeAnswerRecord(answers));
    writeBytes(dir / "no extension", encodeAnswerRecord(answers));
    for (const char* name : {"copy of story.txt", "no extension"}) {
        AnswerStore loaded;
        ASSERT_TRUE(readDataFile((dir / name).string(), loaded)) << name;
        EXPECT_EQ(loaded, answers) << name;
    }
}

TEST_F(DataFile, UnreadableFilesLeaveTheStoreUntouched) {
    writeBytes(dir / "short.dat", freshRecordWith().substr(0, 60));
    writeBytes(dir / "empty.dat", "");
    fs::create_directories(dir / "folder.dat");
    // Sparse, so the test stays fast: refused by its size before a byte is read.
    { std::ofstream(dir / "huge.dat").put('"'); }
    fs::resize_file(dir / "huge.dat", kMaxDataFileBytes + 1);

    for (const char* name : {"missing.dat", "short.dat", "empty.dat", "folder.dat", "huge.dat"}) {
        AnswerStore answers = filledStore();
        const AnswerStore before = answers;
        std::string error;
        EXPECT_FALSE(readDataFile((dir / name).string(), answers, &error)) << name;
        EXPECT_TRUE(answers == before) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

// ---- Mended: a write that fails never tears the previous file -----------------------------

TEST_F(DataFile, MissingFolderIsReportedWithItsReason) {
    std::string error;
    EXPECT_FALSE(SaveDataFile((dir / "gone" / "Story.rtf").string(), filledStore(), &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_TRUE(entries().empty());
}

TEST_F(DataFile, ReadOnlyFolderIsReportedAndThePreviousFileStaysWhole) {
    const AnswerStore old = filledStore("old");
    std::string error;
    ASSERT_TRUE(SaveDataFile((dir / "Story.rtf").string(), old, &error)) << error;
    const std::string previous = readBytes(dir / "Story.dat");
    if (!makeFolderReadOnly(dir))
        GTEST_SKIP() << "cannot make a folder read-only here";

    EXPECT_FALSE(SaveDataFile((dir / "Story.rtf").string(), filledStore("new"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readBytes(dir / "Story.dat"), previous);
    EXPECT_EQ(entries(), std::vector<std::string>{"Story.dat"});
}

TEST_F(DataFile, AFolderInTheWayIsReported) {
    fs::create_directories(dir / "Story.dat");
    std::string error;
    EXPECT_FALSE(SaveDataFile((dir / "Story.rtf").string(), filledStore(), &error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(dir / "Story.dat"));
    EXPECT_EQ(entries(), std::vector<std::string>{"Story.dat"});
}

TEST_F(DataFile, ADiskThatFillsUpMidWriteLeavesThePreviousFileWhole) {
    const AnswerStore old = filledStore("old");
    ASSERT_TRUE(SaveDataFile((dir / "Story.rtf").string(), old));
    const std::string previous = readBytes(dir / "Story.dat");

    // A file size limit stands in for a full disk: the write fails part-way through.
    AnswerStore big;
    for (const auto& e : catalog().all())
        big.setTextOf(e, std::string(4096, 'z'));
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string error;
    const bool written = SaveDataFile((dir / "Story.rtf").string(), big, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readBytes(dir / "Story.dat"), previous);
    EXPECT_EQ(entries(), std::vector<std::string>{"Story.dat"}) << "the temporary file is removed";
}

// ---- Mended: what a save wrote survives a power cut ----------------------------------------

TEST_F(DataFile, TheNewFileIsSyncedWholeBeforeItReplacesTheOldOneAndThenItsFolder) {
    const AnswerStore old = filledStore("old");
    ASSERT_TRUE(SaveDataFile((dir / "Story.rtf").string(), old));
    const std::string previous = readBytes(dir / "Story.dat");
    const AnswerStore next = filledStore("new");

    std::vector<std::string> synced;
    const SyncToDisk sync = [&](const std::string& path, std::string*) {
        synced.push_back(path);
        if (synced.size() == 1) {
            // The temporary file, complete, beside the old file, which is still in place.
            EXPECT_EQ(fs::path(path).parent_path(), dir);
            EXPECT_EQ(readBytes(path), encodeAnswerRecord(next));
            EXPECT_EQ(readBytes(dir / "Story.dat"), previous);
        }
        return true;
    };
    std::string error;
    ASSERT_TRUE(SaveDataFile((dir / "Story.rtf").string(), next, &error, sync)) << error;
    ASSERT_EQ(synced.size(), 2u);
    EXPECT_NE(synced[0], (dir / "Story.dat").string());
    EXPECT_EQ(fs::path(synced[1]), dir);
    EXPECT_EQ(readBytes(dir / "Story.dat"), encodeAnswerRecord(next));
}

TEST_F(DataFile, ADiskThatRefusesToSyncLeavesThePreviousFileWholeAndSaysWhy) {
    ASSERT_TRUE(SaveDataFile((dir / "Story.rtf").string(), filledStore("old")));
    const std::string previous = readBytes(dir / "Story.dat");
    const SyncToDisk refuse = [](const std::string& path, std::string* why) {
        if (fs::is_directory(path))
            return true;
        *why = "Input/output error";
        return false;
    };
    std::string error;
    EXPECT_FALSE(SaveDataFile((dir / "Story.rtf").string(), filledStore("new"), &error, refuse));
    EXPECT_NE(error.find("Story.dat"), std::string::npos) << error;
    EXPECT_NE(error.find("Input/output error."), std::string::npos) << error;
    EXPECT_EQ(readBytes(dir / "Story.dat"), previous);
    EXPECT_EQ(entries(), std::vector<std::string>{"Story.dat"}) << "the temporary file is removed";
}

} // namespace
