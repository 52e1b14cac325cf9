#include "core/photo_folder.h"

#include "core/book.h"
#include "core/escaped_line.h"
#include "core/photo_store.h"
#include "core/program_state.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <system_error>
#include <unordered_map>

namespace kt {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kIndexHeader = "Kithtale photos 1";
constexpr std::string_view kPicturePrefix = "photo-";
// An index is a line per photo; a megabyte of it would be thousands of photos.
constexpr std::uintmax_t kMaxIndexBytes = 16u * 1024u * 1024u;

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// FNV-1a: the name a picture's content gives its file. Two pictures that share a name are told
// apart by their bytes.
std::uint64_t contentHash(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string_view extensionOf(PhotoFormat f) {
    return f == PhotoFormat::Png ? ".png" : ".jpg";
}

// A picture file of ours, or a temporary file left from writing one or the index.
bool isOurs(const std::string& name) {
    const bool picture =
        name.starts_with(kPicturePrefix) && (name.ends_with(".jpg") || name.ends_with(".png"));
    const bool temporary =
        (name.starts_with(".photo-") || name.starts_with(".index.txt.")) && name.ends_with(".tmp");
    return picture || temporary;
}

bool readWhole(const fs::path& path, std::uintmax_t limit, std::string& bytes, std::string* error) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status))
        return failWith(error, quoted(path.string()) + " is missing.");
    const auto size = fs::file_size(path, ec);
    if (ec)
        return failWith(error,
                        "Could not read " + quoted(path.string()) + ": " + ec.message() + ".");
    if (size > limit)
        return failWith(error, quoted(path.string()) + " is far too large.");
    std::ifstream in(path, std::ios::binary);
    bytes.assign(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size()))
        return failWith(error, "Could not read " + quoted(path.string()) + ".");
    return true;
}

bool sameContent(const fs::path& path, std::string_view bytes) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) != bytes.size() || ec)
        return false;
    std::string existing;
    return readWhole(path, kMaxPhotoBytes, existing, nullptr) && existing == bytes;
}

// ---- The index ----------------------------------------------------------------------------

std::string keyText(const CatalogEntry& e) {
    std::string s(QuestionCatalog::instance().section(e.section()).name);
    s += '.';
    s += e.key.stem;
    return s;
}

const CatalogEntry* entryOf(std::string_view key) {
    const auto dot = key.find('.');
    if (dot == std::string_view::npos)
        return nullptr;
    for (const SectionInfo& s : QuestionCatalog::instance().sections())
        if (s.name == key.substr(0, dot))
            return QuestionCatalog::instance().find({s.id, key.substr(dot + 1)});
    return nullptr;
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

// One line of the index: the question's key, the picture's file name, the caption.
bool readIndexLine(std::string_view line, const fs::path& folder,
                   std::map<std::string, std::string>& pictures, PhotoStore& photos,
                   std::string* error) {
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    const std::string line1(line);
    if (tab1 == std::string_view::npos)
        return failWith(error,
                        "The photo index has a line that names no picture: " + quoted(line1));
    const std::string_view key = line.substr(0, tab1);
    const std::string file(line.substr(tab1 + 1, tab2 == line.npos ? line.npos : tab2 - tab1 - 1));
    const std::string_view caption =
        tab2 == std::string_view::npos ? std::string_view() : line.substr(tab2 + 1);

    const CatalogEntry* e = entryOf(key);
    if (!e)
        return failWith(error, "The photo index names a question this program does not ask: " +
                                   quoted(std::string(key)));
    if (!isPlainFileName(file))
        return failWith(error,
                        "The photo index names a picture outside its folder: " + quoted(file));
    Photo photo;
    if (!unescapeInto(caption, photo.caption))
        return failWith(error, "The photo index has a caption it cannot read: " + quoted(line1));
    auto it = pictures.find(file);
    if (it == pictures.end()) {
        std::string bytes;
        if (!readWhole(folder / file, kMaxPhotoBytes, bytes, error))
            return false;
        it = pictures.emplace(file, std::move(bytes)).first;
    }
    const auto format = photoFormatOf(it->second);
    if (!format)
        return failWith(error, quoted((folder / file).string()) + " is not a JPEG or PNG picture.");
    photo.bytes = it->second;
    photo.format = *format;
    photos.of(*e).push_back(std::move(photo));
    return true;
}

bool decodeIndex(std::string_view bytes, const fs::path& folder, PhotoStore& photos,
                 std::string* error) {
    std::map<std::string, std::string> pictures; // read once however often named
    return readHeadedLines(
        bytes, kIndexHeader,
        {"The photo index is empty.",
         "The photo index was not written by this version of the program."},
        [&](std::string_view line) { return readIndexLine(line, folder, pictures, photos, error); },
        error);
}

} // namespace

std::string photoFolderFor(const std::string& dataPath) {
    const auto slash = dataPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = dataPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? dataPath.substr(0, dot) : dataPath) + " photos";
}

bool writePhotoFolder(const std::string& path, const PhotoStore& photos, std::string* error,
                      const SyncToDisk& sync) {
    const fs::path folder(path);
    std::error_code ec;
    const auto status = fs::status(folder, ec);
    const bool existed = fs::exists(status);
    if (existed && !fs::is_directory(status))
        return failWith(error, "Could not write the photos to " + quoted(path) +
                                   ": a file of that name is in the way.");
    if (!existed) {
        if (photos.empty())
            return true;
        if (!fs::create_directory(folder, ec))
            return failWith(error, "Could not make the photo folder " + quoted(path) + ": " +
                                       ec.message() + ".");
    }

    // Each picture on the disk before the folder names it; the folder once, not per picture.
    SyncToDisk syncFile;
    if (sync)
        syncFile = [&sync](const std::string& p, std::string* why) {
            std::error_code e;
            return fs::is_directory(p, e) || sync(p, why);
        };

    // The file of each distinct picture: content named, so an unchanged picture keeps its file.
    std::unordered_map<std::uint64_t, std::vector<std::pair<const std::string*, std::string>>>
        named;
    std::set<std::string> used;
    std::string index(kIndexHeader);
    index += "\r\n";
    for (const CatalogEntry& e : QuestionCatalog::instance().all()) {
        for (const Photo& photo : photos.of(e)) {
            const std::uint64_t hash = contentHash(photo.bytes);
            auto& same = named[hash];
            std::string file;
            for (const auto& [bytes, name] : same)
                if (*bytes == photo.bytes)
                    file = name;
            for (int n = 1; file.empty(); ++n) {
                char stem[40];
                std::snprintf(stem, sizeof stem, "%s%016llx", kPicturePrefix.data(),
                              static_cast<unsigned long long>(hash));
                std::string name = stem;
                if (n > 1)
                    name += "-" + std::to_string(n);
                name += extensionOf(photo.format);
                if (used.contains(name))
                    continue;
                const fs::path target = folder / name;
                if (!fs::exists(target, ec)) {
                    if (!writeFileAtomically(target.string(), photo.bytes, error, syncFile))
                        return false;
                } else if (!sameContent(target, photo.bytes)) {
                    continue; // another picture's file: the old index may still name it
                }
                file = name;
            }
            if (used.insert(file).second)
                same.emplace_back(&photo.bytes, file);
            index += keyText(e);
            index += '\t';
            index += file;
            index += '\t';
            appendEscaped(index, photo.caption);
            index += "\r\n";
        }
    }
    if (std::string why; sync && !sync(path, &why))
        return failWith(error, "Could not write the photos to " + quoted(path) + ": " + why + ".");
    if (!writeFileAtomically((folder / kPhotoIndexName).string(), index, error, sync))
        return false;

    // The new index is in place: pictures it no longer names go. A picture that cannot be
    // removed is only untidy.
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (isOurs(name) && !used.contains(name)) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
    if (!existed && sync)
        sync(folder.has_parent_path() ? folder.parent_path().string() : ".", nullptr);
    return true;
}

bool readPhotoFolder(const std::string& path, PhotoStore& photos, std::string* error) {
    const fs::path index = fs::path(path) / kPhotoIndexName;
    std::error_code ec;
    if (!fs::is_directory(path, ec) || !fs::exists(fs::symlink_status(index, ec))) {
        photos = PhotoStore();
        return true;
    }
    std::string bytes;
    if (!readWhole(index, kMaxIndexBytes, bytes, error))
        return false;
    PhotoStore read;
    if (!decodeIndex(bytes, path, read, error))
        return false;
    photos = std::move(read);
    return true;
}

bool SavePhotoFolder(const std::string& documentPath, const ProgramState& state, std::string* error,
                     const SyncToDisk& sync) {
    std::string dataPath;
    if (!dataFilePathFor(documentPath, &dataPath, error))
        return false;
    return writePhotoFolder(photoFolderFor(dataPath), state.photos, error, sync);
}

LoadOutcome loadAnswersAndPhotos(const std::string& dataPath, ProgramState& state,
                                 std::string* error) {
    AnswerStore answers;
    if (!readDataFile(dataPath, answers, error))
        return LoadOutcome::DataFileUnreadable;
    PhotoStore photos;
    if (!readPhotoFolder(photoFolderFor(dataPath), photos, error))
        return LoadOutcome::PhotosUnreadable;
    state.answers = std::move(answers);
    state.photos = std::move(photos);
    state.book = readBookOptions(dataPath);
    return LoadOutcome::Loaded;
}

} // namespace kt
