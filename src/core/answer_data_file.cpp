#include "core/answer_data_file.h"

#include "core/answer_store.h"
#include "core/encoding.h"
#include "core/question_catalog.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

namespace kt {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

void setError(std::string* error, std::string reason) {
    if (error)
        *error = std::move(reason);
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// ---- Windows-1252 -------------------------------------------------------------------------

// Appends the (UTF-8) text in Windows-1252. False, with out partly written, at the first
// character the code page cannot hold; a text that is not well-formed UTF-8 does not fit either,
// and is then kept byte for byte in a UTF-8 file instead.
bool appendAsCp1252(std::string& out, std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t run = text::asciiRun(utf8.substr(i));
        out.append(utf8.data() + i, run);
        i += run;
        if (i == utf8.size())
            break;
        // Latin-1 letters are the common case: two bytes, C2 or C3 first.
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        if ((b0 == 0xC2 || b0 == 0xC3) && i + 1 < utf8.size() &&
            (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            const unsigned cp =
                ((b0 & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            if (cp >= 0xA0) {
                out += static_cast<char>(cp);
                i += 2;
                continue;
            }
        }
        const auto cp = text::nextUtf8(utf8, i);
        if (!cp)
            return false;
        const auto b = text::unicodeToWindows1252(*cp);
        if (!b)
            return false;
        out += static_cast<char>(*b);
    }
    return true;
}

// Each byte's UTF-8 form, for reading: at most three bytes (the euro sign and its kin).
struct Utf8Form {
    unsigned char length;
    char bytes[3];
};
const std::array<Utf8Form, 256> kCp1252AsUtf8 = [] {
    std::array<Utf8Form, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        std::string form;
        text::appendUtf8(form, text::windows1252ToUnicode(static_cast<unsigned char>(b)));
        table[b].length = static_cast<unsigned char>(form.size());
        std::copy(form.begin(), form.end(), table[b].bytes);
    }
    return table;
}();

void appendCp1252AsUtf8(std::string& out, std::string_view bytes) {
    const std::size_t run = text::asciiRun(bytes);
    out.append(bytes.data(), run);
    if (run == bytes.size())
        return;
    bytes.remove_prefix(run);
    // Room for the longest form of every byte, then cut to what was written.
    const std::size_t start = out.size();
    out.resize(start + 3 * bytes.size());
    char* w = out.data() + start;
    for (char c : bytes) {
        const Utf8Form& f = kCp1252AsUtf8[static_cast<unsigned char>(c)];
        w[0] = f.bytes[0];
        w[1] = f.bytes[1];
        w[2] = f.bytes[2];
        w += f.length;
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
}

// ---- The record ---------------------------------------------------------------------------

// A quoted field: the text with each double quote doubled. False when a Windows-1252 field
// meets a character the code page cannot hold.
bool appendQuoted(std::string& out, std::string_view text, bool cp1252) {
    out += '"';
    for (;;) {
        const auto q = text.find('"');
        const std::string_view part = text.substr(0, q);
        if (!cp1252)
            out += part;
        else if (!appendAsCp1252(out, part))
            return false;
        if (q == std::string_view::npos)
            break;
        out += "\"\"";
        text.remove_prefix(q + 1);
    }
    out += '"';
    return true;
}

// The 77 fields, a comma between them, CR LF after the last; field(i) is the i-th in sequence
// order.
template <class Field> bool appendRecord(std::string& out, const Field& field, bool cp1252) {
    for (std::size_t i = 0; i < kQuestionCount; ++i) {
        if (i > 0)
            out += ',';
        if (const std::optional<std::string>& v = field(i))
            if (!appendQuoted(out, *v, cp1252))
                return false;
    }
    out += "\r\n";
    return true;
}

// The record's exact size in UTF-8 behind the mark, so a large record is never copied to a
// larger buffer half way (Windows-1252 is never longer).
template <class Field> std::size_t utf8RecordSize(const Field& field) {
    std::size_t size = kBom.size() + kQuestionCount + 2;
    for (std::size_t i = 0; i < kQuestionCount; ++i)
        if (const std::optional<std::string>& v = field(i))
            size += v->size() + 2 + static_cast<std::size_t>(std::count(v->begin(), v->end(), '"'));
    return size;
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Reads one record's fields over the bytes (the byte-order mark already taken off).
class RecordReader {
public:
    RecordReader(std::string_view bytes, bool cp1252) : m_s(bytes), m_cp1252(cp1252) {}

    // The next field: a text, or nothing for an empty field. False when the bytes end before
    // the field begins or inside its quotes.
    bool readField(std::optional<std::string>& field) {
        if (m_i >= m_s.size())
            return false;
        const char c = m_s[m_i];
        if (c == ',' || isLineEnd(c)) {
            field.reset();
        } else if (c == '"') {
            std::string text;
            if (!readQuoted(text))
                return false;
            field = std::move(text);
            // As the old reader did, anything between the closing quote and the comma is skipped.
            skipToDelimiter();
        } else {
            // Lenient: an unquoted text runs to the next comma or line end.
            const std::size_t from = m_i;
            skipToDelimiter();
            std::string text;
            append(text, m_s.substr(from, m_i - from));
            field = std::move(text);
        }
        return true;
    }

    // Consumes the comma or line end after a field. True when it was a line end (or the end).
    bool takeDelimiter() {
        if (m_i >= m_s.size())
            return true;
        if (m_s[m_i] == ',') {
            ++m_i;
            return false;
        }
        // CR LF, a lone CR or a lone LF.
        if (m_s[m_i] == '\r' && m_i + 1 < m_s.size() && m_s[m_i + 1] == '\n')
            ++m_i;
        ++m_i;
        return true;
    }

private:
    bool readQuoted(std::string& text) {
        ++m_i; // opening quote
        for (;;) {
            const auto q = m_s.find('"', m_i);
            if (q == std::string_view::npos)
                return false; // unclosed: the file was cut short
            append(text, m_s.substr(m_i, q - m_i));
            m_i = q + 1;
            if (m_i < m_s.size() && m_s[m_i] == '"') {
                text += '"'; // a doubled quote stands for one
                ++m_i;
                continue;
            }
            return true;
        }
    }

    void skipToDelimiter() {
        while (m_i < m_s.size() && m_s[m_i] != ',' && !isLineEnd(m_s[m_i]))
            ++m_i;
    }

    void append(std::string& out, std::string_view bytes) const {
        if (m_cp1252)
            appendCp1252AsUtf8(out, bytes);
        else
            out += bytes;
    }

    std::string_view m_s;
    bool m_cp1252;
    std::size_t m_i = 0;
};

std::string errnoText(int err) {
    return std::generic_category().message(err);
}

} // namespace

// ---- Paths --------------------------------------------------------------------------------

bool dataFilePathFor(const std::string& documentPath, std::string* dataPath, std::string* error) {
#ifdef _WIN32
    const auto slash = documentPath.find_last_of("/\\");
#else
    const auto slash = documentPath.find_last_of('/');
#endif
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = documentPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot >= nameStart;

    if (hasExtension) {
        std::string ext = documentPath.substr(dot + 1);
        for (char& c : ext)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (ext == "dat") {
            setError(error, "The document " + quoted(documentPath.substr(nameStart)) +
                                " ends in \".dat\", so its answer data file would have the same "
                                "name and replace it.  Save the document under a name ending in "
                                "\".rtf\" instead.");
            return false;
        }
    }
    if (dataPath)
        *dataPath = (hasExtension ? documentPath.substr(0, dot) : documentPath) + ".dat";
    return true;
}

// ---- Encoding and decoding ----------------------------------------------------------------

std::string encodeAnswerRecord(const AnswerStore& answers, RecordEncoding encoding) {
    const auto& all = QuestionCatalog::instance().all();
    const auto field = [&](std::size_t i) -> const std::optional<std::string>& {
        return answers.valueOf(all[i]);
    };
    std::string out;
    out.reserve(utf8RecordSize(field));
    // Windows-1252 as the old files, unless some answer needs more: then the whole file is
    // UTF-8 behind the byte-order mark.
    if (encoding == RecordEncoding::Compatible && appendRecord(out, field, true))
        return out;
    out.clear();
    out += kBom;
    appendRecord(out, field, false);
    return out;
}

std::string encodeAnswerFields(const AnswerFields& fields) {
    const auto field = [&](std::size_t i) -> const std::optional<std::string>& {
        return fields[i];
    };
    std::string out;
    out.reserve(utf8RecordSize(field));
    out += kBom;
    appendRecord(out, field, false);
    return out;
}

bool decodeAnswerFields(std::string_view bytes, AnswerFields& fields, std::string* error) {
    const bool utf8 = bytes.starts_with(kBom);
    if (utf8)
        bytes.remove_prefix(kBom.size());

    // Read and check the whole record before a single field changes.
    AnswerFields read;
    RecordReader reader(bytes, !utf8);
    for (std::size_t i = 0; i < kQuestionCount; ++i) {
        const bool got = reader.readField(read[i]);
        // The record's line end comes after the 77th field only: a text file that merely has
        // many lines is not taken for answers.
        const bool complete = got && (!reader.takeDelimiter() || i + 1 == kQuestionCount);
        if (!complete) {
            const std::size_t count = got ? i + 1 : i;
            setError(error, bytes.empty() ? std::string("The file is empty.")
                                          : "The record ends after " + std::to_string(count) +
                                                " of the 77 answers: this is not a complete "
                                                "answer data file.");
            return false;
        }
    }
    // Anything after the 77th field (a second record, trailing bytes) is not read.
    fields = std::move(read);
    return true;
}

bool decodeAnswerRecord(std::string_view bytes, AnswerStore& answers, std::string* error) {
    AnswerFields fields;
    if (!decodeAnswerFields(bytes, fields, error))
        return false;
    for (const auto& e : QuestionCatalog::instance().all()) {
        auto& f = fields[e.index()];
        if (f)
            answers.setTextOf(e, std::move(*f));
        else
            answers.setUnsetOf(e);
    }
    return true;
}

// ---- Files --------------------------------------------------------------------------------

bool readWholeFile(const std::string& path, std::string& bytes, std::string* error,
                   std::uintmax_t maxBytes) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec) {
        setError(error, "Could not open " + quoted(path) + ": " + ec.message() + ".");
        return false;
    }
    if (!fs::is_regular_file(status)) {
        setError(error, quoted(path) + " is not a file.");
        return false;
    }
    const auto size = fs::file_size(path, ec);
    if (ec) {
        setError(error, "Could not read " + quoted(path) + ": " + ec.message() + ".");
        return false;
    }
    if (size > maxBytes) {
        setError(error, quoted(path) + " is far too large to be read.");
        return false;
    }

    std::ifstream in(path, std::ios::binary);
    if (!in) {
        setError(error, "Could not open " + quoted(path) + ": " + errnoText(errno) + ".");
        return false;
    }
    std::string read(static_cast<std::size_t>(size), '\0');
    in.read(read.data(), static_cast<std::streamsize>(read.size()));
    if (in.gcount() != static_cast<std::streamsize>(read.size()) || in.bad()) {
        setError(error, "Could not read " + quoted(path) + ".");
        return false;
    }
    bytes = std::move(read);
    return true;
}

bool readDataFile(const std::string& path, AnswerStore& answers, std::string* error) {
    std::string bytes;
    return readWholeFile(path, bytes, error) && decodeAnswerRecord(bytes, answers, error);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         const SyncToDisk& sync, FileAccess access) {
    std::error_code ec;
    fs::path target(path);
    // Replace what a link points at, not the link.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const auto resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    const auto targetStatus = fs::status(target, ec);
    if (fs::is_directory(targetStatus)) {
        setError(error,
                 "Could not write " + quoted(path) + ": a folder of that name is in the way.");
        return false;
    }
    if (fs::exists(targetStatus)) {
        // Renaming over a file ignores its own write protection; a read-only file stays as it is.
        if (std::FILE* probe = std::fopen(target.c_str(), "r+b")) {
            std::fclose(probe);
        } else {
            setError(error, "Could not replace " + quoted(path) + ": " + errnoText(errno) + ".");
            return false;
        }
    }

    // A new temporary file beside the target, so the rename stays within one file system.
    std::FILE* file = nullptr;
    fs::path temp;
    std::random_device seed;
    std::mt19937_64 random(seed());
    int err = 0;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        std::string name = ".";
        name += target.filename().string();
        name += suffix;
        temp = folder / name;
        file = std::fopen(temp.c_str(), "wbx"); // never an existing file
        err = errno;
        if (!file && err != EEXIST)
            break;
    }
    if (!file) {
        if (!fs::is_directory(folder, ec))
            setError(error, "Could not write " + quoted(path) + ": the folder " +
                                quoted(folder.string()) + " does not exist.");
        else
            setError(error, "Could not write a file in the folder " + quoted(folder.string()) +
                                ": " + errnoText(err) + ".");
        return false;
    }

    // Before a byte is written, so what only its owner may read is never readable by others.
    if (access == FileAccess::OwnerOnly)
        fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, ec);

    const auto fail = [&](int code) {
        if (file)
            std::fclose(file);
        std::error_code ignored;
        fs::remove(temp, ignored);
        setError(error, "Could not write " + quoted(path) + ": " +
                            (code ? errnoText(code) : std::string("unknown error")) + ".");
        return false;
    };

    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        return fail(errno);
    if (std::fflush(file) != 0)
        return fail(errno);
    const int closed = std::fclose(file);
    file = nullptr;
    if (closed != 0)
        return fail(errno);
    // On the disk before it takes the old file's place: otherwise a power cut soon after the
    // rename can leave an empty file under the name where the old answers stood.
    if (std::string why; sync && !sync(temp.string(), &why)) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        setError(error, "Could not write " + quoted(path) + ": " + why + ".");
        return false;
    }

    if (fs::exists(targetStatus))
        fs::permissions(temp, targetStatus.permissions(), ec); // keep the old file's permissions
    fs::rename(temp, target, ec);
    if (ec)
        return fail(ec.value());
    // The new name in the folder too. The file is whole either way; if the folder cannot be
    // synced, the system writes it out in its own time.
    if (sync)
        sync(folder.string(), nullptr);
    return true;
}

bool writeDataFile(const std::string& path, const AnswerStore& answers, std::string* error,
                   const SyncToDisk& sync) {
    return writeFileAtomically(path, encodeAnswerRecord(answers), error, sync);
}

bool SaveDataFile(const std::string& documentPath, const AnswerStore& answers, std::string* error,
                  const SyncToDisk& sync) {
    std::string dataPath;
    if (!dataFilePathFor(documentPath, &dataPath, error))
        return false;
    return writeDataFile(dataPath, answers, error, sync);
}

} // namespace kt
