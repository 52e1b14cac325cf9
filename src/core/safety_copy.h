#pragma once

#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "core/photo_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A safety copy keeps what the user has typed and no file holds yet, so that a crash, a kill or a
// power cut loses nothing. Each run of the program keeps its copy in a folder of its own:
//
//   answers.dat  the answer store, in the answer data file's format (always UTF-8)
//   boxes.dat    text in answer boxes not yet saved into the store, in the same format: a field
//                per question, empty where its box holds nothing unsaved
//   photos/      the answers' photos, as the photo folder beside a data file holds them
//   story.rtf    the editor's document while it holds unsaved edits
//   copy.txt     when the copy was made, the file the story belongs to, how often it was declined
//
// copy.txt is written after the others and removed before them: a folder without it holds
// nothing to offer. Every file is replaced atomically, so a kill during a write leaves each one
// whole, as it was before or as it was being written.
namespace kt::safety {

inline constexpr std::string_view kAnswersFile = "answers.dat";
inline constexpr std::string_view kBoxesFile = "boxes.dat";
inline constexpr std::string_view kPhotosFolder = "photos";
inline constexpr std::string_view kStoryFile = "story.rtf";
inline constexpr std::string_view kAboutFile = "copy.txt";

// What a copy says of itself.
struct About {
    std::string made;      // when it was last brought up to date, as ISO 8601 in UTC
    std::string storyFile; // the file the story was opened from or saved to; empty for none
    int declined = 0;      // how many starts the user has said No to bringing it back
    friend bool operator==(const About&, const About&) = default;
};

std::string encodeAbout(const About& about);
// False when the text is not a copy's about file.
bool decodeAbout(std::string_view text, About& about);

// What one update does to a file: leaves it, writes these bytes, or removes it.
struct Part {
    enum class Action : std::uint8_t { Keep, Write, Remove };
    Action action = Action::Keep;
    std::string bytes;

    static Part write(std::string bytes) { return {Action::Write, std::move(bytes)}; }
    static Part remove() { return {Action::Remove, {}}; }
};

// The photos: left, written as the photo folder writes them (only pictures it does not hold
// yet), or removed.
struct PhotosPart {
    Part::Action action = Part::Action::Keep;
    PhotoStore photos;
};

struct Update {
    Part answers, boxes, story, about;
    PhotosPart photos;
};

// Applies the update to the folder, which must exist: a removed copy.txt goes first, then the
// answers, the boxes, the photos, the story, and a written copy.txt last. Files are readable by
// their owner alone and put on the disk by `sync` before they replace the old ones. Stops at the
// first failure, with the reason in *error.
bool apply(const std::string& folder, const Update& update, const SyncToDisk& sync = {},
           std::string* error = nullptr);

// A copy read back whole.
struct Copy {
    About about;
    AnswerStore answers;
    AnswerFields boxes;               // all empty without a boxes file
    PhotoStore photos;                // none without a photos folder
    std::optional<std::string> story; // the RTF's bytes
};

// Reads the copy in the folder. False, with the reason in *error, when the folder holds nothing
// to offer (no copy.txt) or a file of it cannot be read; `copy` is then unchanged.
bool read(const std::string& folder, Copy& copy, std::string* error = nullptr);

} // namespace kt::safety
