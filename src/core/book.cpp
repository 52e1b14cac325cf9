#include "core/book.h"

#include "core/answer_store.h"
#include "core/escaped_line.h"
#include "core/program_state.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kt {
namespace {

constexpr std::string_view kHeader = "Kithtale book 1";
// A few lines of settings; anything this large is not ours.
constexpr std::uintmax_t kMaxOptionsBytes = 1024u * 1024u;

struct PageSizeName {
    BookPageSize size;
    std::string_view name;
};
constexpr std::array<PageSizeName, 4> kPageSizeNames = {{
    {BookPageSize::A4, "A4"},
    {BookPageSize::Letter, "Letter"},
    {BookPageSize::A5, "A5"},
    {BookPageSize::Trade6x9, "6x9"},
}};

bool isBlankAt(std::string_view s, std::size_t& i) {
    if (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')
        return true;
    if (s.substr(i, 2) == "\xC2\xA0") {
        ++i;
        return true;
    }
    return false;
}

// The answer without the blank lines before it and the blanks after it; its own indents stay.
std::string_view trimmedAnswer(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isBlankAt(s, i))
        ++i;
    const std::size_t lineBreak = s.substr(0, i).find_last_of('\n');
    s.remove_prefix(lineBreak == std::string_view::npos ? 0 : lineBreak + 1);
    while (!s.empty()) {
        const std::size_t n = s.ends_with("\xC2\xA0") ? 2 : 1;
        if (std::size_t last = s.size() - n; !isBlankAt(s, last))
            break;
        s.remove_suffix(n);
    }
    return s;
}

} // namespace

BookPageSize usualPageSize(std::string_view territory) {
    static constexpr std::array<std::string_view, 14> kLetter = {
        "US", "CA", "MX", "PR", "BZ", "CL", "CO", "CR", "GT", "NI", "PA", "PH", "SV", "VE"};
    return std::find(kLetter.begin(), kLetter.end(), territory) != kLetter.end()
               ? BookPageSize::Letter
               : BookPageSize::A4;
}

bool isBlankAnswer(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!isBlankAt(text, i))
            return false;
    return true;
}

std::vector<BookChapter> bookChapters(const AnswerStore& answers, const PhotoStore& photos) {
    const QuestionCatalog& catalog = QuestionCatalog::instance();
    std::vector<BookChapter> chapters;
    for (const SectionInfo& section : catalog.sections()) {
        BookChapter chapter{section.id, section.displayName, {}};
        for (const CatalogEntry& e : catalog.questions(section.id)) {
            const std::string_view answer = answers.textOf(e);
            const std::vector<Photo>& pictures = photos.of(e);
            if (isBlankAnswer(answer) && pictures.empty())
                continue;
            chapter.entries.push_back({&e, trimmedAnswer(answer), pictures});
        }
        if (!chapter.entries.empty())
            chapters.push_back(std::move(chapter));
    }
    return chapters;
}

const Photo* firstBookPhoto(std::span<const BookChapter> chapters) {
    for (const BookChapter& c : chapters)
        for (const BookEntry& e : c.entries)
            if (!e.photos.empty())
                return &e.photos.front();
    return nullptr;
}

std::string bookOptionsFileFor(const std::string& dataPath) {
    const auto slash = dataPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = dataPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? dataPath.substr(0, dot) : dataPath) + " book.txt";
}

std::string encodeBookOptions(const BookOptions& o) {
    std::string out(kHeader);
    out += "\r\n";
    const auto field = [&out](std::string_view name, std::string_view value) {
        out += name;
        out += '\t';
        appendEscaped(out, value);
        out += "\r\n";
    };
    field("Title", o.title);
    field("Teller", o.teller);
    field("Dedication", o.dedication);
    for (const PageSizeName& p : kPageSizeNames)
        if (p.size == o.pageSize)
            field("Page size", p.name);
    field("Large print", o.largePrint ? "Yes" : "No");
    return out;
}

bool decodeBookOptions(std::string_view bytes, BookOptions& options, std::string* error) {
    BookOptions read;
    const auto setting = [&read, error](std::string_view line) {
        const auto tab = line.find('\t');
        if (tab == std::string_view::npos)
            return failWith(error, "The book's settings have a line without a value.");
        const std::string_view name = line.substr(0, tab);
        std::string value;
        if (!unescapeInto(line.substr(tab + 1), value))
            return failWith(error, "The book's settings have a value they cannot read.");
        if (name == "Title") {
            read.title = std::move(value);
        } else if (name == "Teller") {
            read.teller = std::move(value);
        } else if (name == "Dedication") {
            read.dedication = std::move(value);
        } else if (name == "Page size") {
            const auto* p = std::find_if(kPageSizeNames.begin(), kPageSizeNames.end(),
                                         [&](const PageSizeName& n) { return n.name == value; });
            if (p == kPageSizeNames.end())
                return failWith(error, "The book's settings name a page size this program does "
                                       "not know.");
            read.pageSize = p->size;
        } else if (name == "Large print") {
            read.largePrint = value == "Yes";
        }
        // Settings of a later version are passed over.
        return true;
    };
    if (!readHeadedLines(bytes, kHeader,
                         {"The book's settings are empty.",
                          "The book's settings were not written by this version of the program."},
                         setting, error))
        return false;
    options = std::move(read);
    return true;
}

bool SaveBookOptions(const std::string& documentPath, const ProgramState& state, std::string* error,
                     const SyncToDisk& sync) {
    if (!state.book)
        return true;
    std::string dataPath;
    if (!dataFilePathFor(documentPath, &dataPath, error))
        return false;
    return writeFileAtomically(bookOptionsFileFor(dataPath), encodeBookOptions(*state.book), error,
                               sync);
}

std::optional<BookOptions> readBookOptions(const std::string& dataPath) {
    namespace fs = std::filesystem;
    const fs::path path(bookOptionsFileFor(dataPath));
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kMaxOptionsBytes || ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    BookOptions options;
    if (!decodeBookOptions(bytes, options))
        return std::nullopt;
    return options;
}

} // namespace kt
