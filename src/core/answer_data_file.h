#pragma once

#include "core/section_id.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
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

// Compatible: Windows-1252 whenever every answer fits, as the editor's saves write it. Utf8:
// always UTF-8 behind the mark, for files only this program reads back.
enum class RecordEncoding : std::uint8_t { Compatible, Utf8 };

// The record's bytes, exactly as written to the file.
std::string encodeAnswerRecord(const AnswerStore& answers,
                               RecordEncoding encoding = RecordEncoding::Compatible);

// The 77 fields of a record in sequence order, each a text or nothing (an empty field). Unlike
// the store's slots, any field may be nothing.
using AnswerFields = std::array<std::optional<std::string>, kQuestionCount>;

// Any 77 fields as a record, in UTF-8 behind the mark.
std::string encodeAnswerFields(const AnswerFields& fields);

// Reads the first record of a data file's bytes. All or nothing: on failure (fewer than 77
// fields, an unclosed quote, an empty file) the store is left exactly as it was.
bool decodeAnswerRecord(std::string_view bytes, AnswerStore& answers, std::string* error = nullptr);
// The same for bare fields; on failure `fields` is left as it was.
bool decodeAnswerFields(std::string_view bytes, AnswerFields& fields, std::string* error = nullptr);

// Reads the file at path (whatever its extension) into the store, all or nothing.
bool readDataFile(const std::string& path, AnswerStore& answers, std::string* error = nullptr);

// Reads a whole regular file of at most maxBytes; false with the reason in *error otherwise.
bool readWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
                   std::uintmax_t maxBytes = kMaxDataFileBytes);

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

// Who may read a file written anew: whoever the system's defaults allow, or its owner alone
// (a file that is replaced keeps the permissions it had).
enum class FileAccess : std::uint8_t { Default, OwnerOnly };

// Replaces the file at path by bytes: writes a temporary file beside it, flushes and closes it,
// has `sync` put it on the disk, then renames it over the target and has `sync` record the new
// name in the folder, so a failure, a crash or a power cut never leaves a torn or empty file
// where a good one stood. The temporary file is removed on failure.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr, const SyncToDisk& sync = {},
                         FileAccess access = FileAccess::Default);

} // namespace kt
