#pragma once

#include "core/answer_data_file.h"
#include "core/photo_store.h"
#include "core/question_catalog.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kt {

class AnswerStore;
struct ProgramState;

// The sheets a book can be made on.
enum class BookPageSize : std::uint8_t { A4, Letter, A5, Trade6x9 };

// What the user chose for the book of a story; kept beside the story's data file, so the next
// book of the same story starts from it.
struct BookOptions {
    std::string title = "The Story of My Life";
    std::string teller;
    std::string dedication;
    BookPageSize pageSize = BookPageSize::A4;
    bool largePrint = false;

    friend bool operator==(const BookOptions&, const BookOptions&) = default;
};

// The sheet most people of a territory (ISO 3166 two-letter code) print on: US Letter in the
// Americas' Letter countries and the Philippines, A4 everywhere else.
BookPageSize usualPageSize(std::string_view territory);

// One answered question of the book: its question, its answer without the blank lines around
// it, and its photos in the story's order.
struct BookEntry {
    const CatalogEntry* question;
    std::string_view answer;
    std::span<const Photo> photos;
};

// One chapter per section with something in it, under the section's plain name.
struct BookChapter {
    SectionId section;
    std::string_view title;
    std::vector<BookEntry> entries;
};

// Blank: empty, or nothing but spaces, tabs, line breaks and no-break spaces.
bool isBlankAnswer(std::string_view text);

// What goes into the book: the sections in their order, each with the questions that have an
// answer that is not blank or at least one photo (a photo says something too), in sequence
// order. Sections with none are left out. The views point into `answers` and `photos`.
std::vector<BookChapter> bookChapters(const AnswerStore& answers, const PhotoStore& photos);

// The first photo of the book, for its title page; nullptr when there is none.
const Photo* firstBookPhoto(std::span<const BookChapter> chapters);

// The book options' file: beside the data file, its name without the extension and " book.txt"
// ("Story.dat" beside "Story book.txt"). UTF-8, CR LF; described in docs/BOOK.md.
std::string bookOptionsFileFor(const std::string& dataPath);
std::string encodeBookOptions(const BookOptions& options);
// False, options untouched, for bytes that are not such a file.
bool decodeBookOptions(std::string_view bytes, BookOptions& options, std::string* error = nullptr);

// Writes the options of the state, when it has any, beside the data file of the document at
// documentPath, replacing the old file atomically. A state without options writes nothing.
bool SaveBookOptions(const std::string& documentPath, const ProgramState& state,
                     std::string* error = nullptr, const SyncToDisk& sync = {});
// The options kept beside the data file at dataPath; nothing when there is no such file or it
// cannot be read (a book's settings are never worth refusing a story's answers for).
std::optional<BookOptions> readBookOptions(const std::string& dataPath);

} // namespace kt
