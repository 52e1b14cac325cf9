#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kt {

class AnswerStore;

// The answer data file: the 77 slots as one record of comma-separated fields in sequence order,
// ending in CR LF. A text is written between double quotes (a quote inside it doubled), an unset
// slot as an empty field. The file is Windows-1252 when every answer fits that code page, and
// UTF-8 behind a byte-order mark when one does not; files the old program wrote never start
// with the mark, so both load.

// Files larger than this are refused unread: no one types a quarter of a gigabyte.
inline constexpr std::uintmax_t kMaxDataFileBytes = 256u * 1024u * 1024u;

// The data file that belongs to a document: same folder and name, the file name's extension
// (not a folder's) replaced by "dat", ".dat" appended to a name without a dot. False, with the
// reason in *error, when the document itself ends in ".dat" (in any case): its data file would
// replace it.
bool dataFilePathFor(const std::string& documentPath, std::string* dataPath,
                     std::string* error = nullptr);

// The record's bytes, exactly as written to the file.
std::string encodeAnswerRecord(const AnswerStore& answers);

// Reads the first record of a data file's bytes. All or nothing: on failure (fewer than 77
// fields, an unclosed quote, an empty file) the store is left exactly as it was.
bool decodeAnswerRecord(std::string_view bytes, AnswerStore& answers, std::string* error = nullptr);

// Reads the file at path (whatever its extension) into the store, all or nothing.
bool readDataFile(const std::string& path, AnswerStore& answers, std::string* error = nullptr);

// Makes what has been written to the file at path (or, for a folder, the names in it) survive a
// power cut. False, with the reason in *error, when the disk refused. The standard library has no
// way to ask this, so the caller supplies it; without one, writes rely on the system's own timing.
using SyncToDisk = std::function<bool(const std::string& path, std::string* error)>;

// Writes the record to path, replacing any file of that name atomically.
bool writeDataFile(const std::string& path, const AnswerStore& answers,
                   std::string* error = nullptr, const SyncToDisk& sync = {});

// Writes the answer data file that belongs to the document at documentPath (same folder and
// name, extension "dat"). False with the reason in *error when it could not be written; an
// earlier data file of that name is then left whole.
bool SaveDataFile(const std::string& documentPath, const AnswerStore& answers,
                  std::string* error = nullptr, const SyncToDisk& sync = {});

// Replaces the file at path by bytes: writes a temporary file beside it, flushes and closes it,
// has `sync` put it on the disk, then renames it over the target and has `sync` record the new
// name in the folder, so a failure, a crash or a power cut never leaves a torn or empty file
// where a good one stood. The temporary file is removed on failure.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr, const SyncToDisk& sync = {});

} // namespace kt
