#pragma once

#include "core/answer_data_file.h"
#include "core/photo_store.h"

#include <string>
#include <string_view>

namespace kt {

struct ProgramState;

// The photo folder: the answers' photos saved beside the answer data file, in a folder of the
// data file's name without its extension and " photos" appended ("Story.dat" beside "Story
// photos"). It holds one file per distinct picture, named by its content ("photo-" and 16 hex
// digits, ".jpg" or ".png"), and the index "index.txt", which alone says what belongs to which
// question; the format is described in docs/PHOTOS.md. A folder without an index is not a photo
// folder and is read as no photos.

inline constexpr std::string_view kPhotoIndexName = "index.txt";

// Pictures larger than this are refused unread.
inline constexpr std::uintmax_t kMaxPhotoBytes = 64u * 1024u * 1024u;

// The folder that belongs to the data file at dataPath.
std::string photoFolderFor(const std::string& dataPath);

// Writes the photos into the folder at path: new pictures first, each replacing
// atomically and put on the disk, then the folder, then the index (atomically), and last the
// pictures the new index no longer names are removed. A failure or a crash at any point leaves
// an index whose every picture is there: the old one or the new one. Pictures already in the
// folder are not written again. With no photos and no folder, nothing is created.
bool writePhotoFolder(const std::string& path, const PhotoStore& photos,
                      std::string* error = nullptr, const SyncToDisk& sync = {});

// Reads the folder at path into `photos`, all or nothing: an index that cannot be
// read, names a question not in the catalog or a picture that is missing, unreadable or not a
// JPEG or PNG picture leaves the photos exactly as they were. A folder without an index, or no
// folder, gives no photos.
bool readPhotoFolder(const std::string& path, PhotoStore& photos, std::string* error = nullptr);

// The save's third file: the photo folder beside the data file of the document at documentPath.
bool SavePhotoFolder(const std::string& documentPath, const ProgramState& state,
                     std::string* error = nullptr, const SyncToDisk& sync = {});

// What LoadData reads: the data file at dataPath and the photo folder beside it, all or nothing;
// then the book's settings beside them, which never stop a load.
enum class LoadOutcome { Loaded, DataFileUnreadable, PhotosUnreadable };
LoadOutcome loadAnswersAndPhotos(const std::string& dataPath, ProgramState& state,
                                 std::string* error = nullptr);

} // namespace kt
