#include "core/safety_copy.h"

#include "core/photo_folder.h"

#include <charconv>
#include <filesystem>
#include <limits>
#include <system_error>

namespace kt::safety {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "Kithtale safety copy";

void setError(std::string* error, std::string reason) {
    if (error)
        *error = std::move(reason);
}

// A file name may hold any byte but '/' and NUL; a line break in it must not end its line.
std::string escaped(std::string_view s) {
    std::string out;
    for (const char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescaped(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char next = s[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::string pathIn(const std::string& folder, std::string_view name) {
    return (fs::path(folder) / std::string(name)).string();
}

bool applyPart(const std::string& folder, std::string_view name, const Part& part,
               const SyncToDisk& sync, std::string* error) {
    const std::string path = pathIn(folder, name);
    switch (part.action) {
    case Part::Action::Keep:
        return true;
    case Part::Action::Write:
        return writeFileAtomically(path, part.bytes, error, sync, FileAccess::OwnerOnly);
    case Part::Action::Remove: {
        std::error_code ec;
        fs::remove(path, ec);
        if (ec) {
            setError(error, "Could not remove \"" + path + "\": " + ec.message() + ".");
            return false;
        }
        return true;
    }
    }
    return false;
}

bool applyPhotos(const std::string& folder, const PhotosPart& part, const SyncToDisk& sync,
                 std::string* error) {
    const std::string path = pathIn(folder, kPhotosFolder);
    switch (part.action) {
    case Part::Action::Keep:
        return true;
    case Part::Action::Write:
        return writePhotoFolder(path, part.photos, error, sync);
    case Part::Action::Remove: {
        std::error_code ec;
        fs::remove_all(path, ec);
        if (ec) {
            setError(error, "Could not remove \"" + path + "\": " + ec.message() + ".");
            return false;
        }
        return true;
    }
    }
    return false;
}

} // namespace

std::string encodeAbout(const About& about) {
    std::string out(kFirstLine);
    out += "\nmade: " + about.made;
    out += "\nstory: " + escaped(about.storyFile);
    out += "\ndeclined: " + std::to_string(about.declined);
    out += '\n';
    return out;
}

bool decodeAbout(std::string_view text, About& about) {
    if (!text.starts_with(kFirstLine) || text.substr(kFirstLine.size(), 1) != "\n")
        return false;
    text.remove_prefix(kFirstLine.size() + 1);
    About read;
    bool made = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto colon = line.find(": ");
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, colon);
        const std::string_view value = line.substr(colon + 2);
        if (key == "made") {
            read.made = value;
            made = !value.empty();
        } else if (key == "story") {
            read.storyFile = unescaped(value);
        } else if (key == "declined") {
            std::from_chars(value.data(), value.data() + value.size(), read.declined);
        }
    }
    if (!made)
        return false;
    about = std::move(read);
    return true;
}

bool apply(const std::string& folder, const Update& update, const SyncToDisk& sync,
           std::string* error) {
    // Without copy.txt there is nothing to offer, so it goes before the parts it describes, and
    // is written only once they are all on the disk.
    if (update.about.action == Part::Action::Remove &&
        !applyPart(folder, kAboutFile, update.about, sync, error))
        return false;
    // The answers before the boxes: text leaves the boxes only once the store that took it is
    // kept, so a kill between the two never loses it.
    if (!applyPart(folder, kAnswersFile, update.answers, sync, error) ||
        !applyPart(folder, kBoxesFile, update.boxes, sync, error) ||
        !applyPhotos(folder, update.photos, sync, error) ||
        !applyPart(folder, kStoryFile, update.story, sync, error))
        return false;
    if (update.about.action == Part::Action::Write &&
        !applyPart(folder, kAboutFile, update.about, sync, error))
        return false;
    // Removed names must stay removed after a power cut too; a folder that cannot be synced
    // keeps them in the system's own time.
    if (sync)
        sync(folder, nullptr);
    return true;
}

bool read(const std::string& folder, Copy& copy, std::string* error) {
    std::string bytes;
    Copy read;
    if (!readWholeFile(pathIn(folder, kAboutFile), bytes, error))
        return false;
    if (!decodeAbout(bytes, read.about)) {
        setError(error, "\"" + pathIn(folder, kAboutFile) + "\" is not a safety copy's.");
        return false;
    }
    if (!readDataFile(pathIn(folder, kAnswersFile), read.answers, error))
        return false;
    std::error_code ec;
    const std::string boxes = pathIn(folder, kBoxesFile);
    if (fs::exists(boxes, ec) &&
        !(readWholeFile(boxes, bytes, error) && decodeAnswerFields(bytes, read.boxes, error)))
        return false;
    if (!readPhotoFolder(pathIn(folder, kPhotosFolder), read.photos, error))
        return false;
    const std::string story = pathIn(folder, kStoryFile);
    if (fs::exists(story, ec)) {
        if (!readWholeFile(story, bytes, error, std::numeric_limits<std::uintmax_t>::max()))
            return false;
        read.story = std::move(bytes);
    }
    copy = std::move(read);
    return true;
}

} // namespace kt::safety
