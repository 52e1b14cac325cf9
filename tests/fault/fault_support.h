#pragma once

// Shared by the fault tests and the writer they run in child processes: numbered versions of a
// story and of the answers, built the same way on both sides, so a file on disk can be checked
// byte for byte against the version it claims to be.

#include "core/answer_data_file.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class QTextDocument;

namespace kt {
class AnswerStore;
}

namespace kt::fault {

// The story of a version: about chars characters in lines that each carry the version number,
// so that a file holding parts of two versions cannot pass for either.
QString storyText(int version, qsizetype chars);
// The story in a document, in the editor's font, with a few formatted runs.
void fillDocument(QTextDocument& document, int version, qsizetype chars);
// Every slot answered, each about bytesPerAnswer long and marked with the version.
void fillAnswers(AnswerStore& answers, int version, std::size_t bytesPerAnswer);

// What the safety copy's child process types into frmChildhood1: an answer it saves into the
// store (Childhood.GrowUp) and one it leaves in its box (Childhood.Toys), as the store holds them.
inline constexpr const char* kTypedAndSaved =
    "We lived on \"Elm\" Street,\r\nna\xC3\xAFve caf\xC3\xA9 \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC "
    "\xF0\x9F\x98\x80";
inline constexpr const char* kTypedNotSaved = "A tin drum\r\nand a kite.";

// The exact bytes the codec writes for a version, and the data file's record.
QByteArray storyBytes(int version, qsizetype chars);
std::string answerBytes(int version, std::size_t bytesPerAnswer,
                        RecordEncoding encoding = RecordEncoding::Compatible);

// What a file on disk holds: the complete version it is, or nothing with the reason in
// *problem. The file must read back in full as the version it names, and its bytes must be
// exactly what the writer makes of that version. The likely versions are compared first:
// bytes equal to a version that was once read back in full need no second reading.
std::optional<int> storyVersionOf(const QString& path, qsizetype chars, QString* problem,
                                  const QList<int>& likely = {});
std::optional<int> answerVersionOf(const QString& path, std::size_t bytesPerAnswer,
                                   QString* problem, const QList<int>& likely = {},
                                   RecordEncoding encoding = RecordEncoding::Compatible);

QByteArray fileBytes(const QString& path);
// The names in a folder, hidden ones included, sorted.
QStringList folderEntries(const QString& folder);

// Turns off, for the calling thread, the privileges that let root write where the permissions
// say no, so that a read-only folder is read-only under root as well. Restored on destruction,
// unless for good: only then does root also lose them for access(), which some writers ask
// before writing (so a read-only file reads as read-only).
class ObeyFilePermissions {
public:
    enum class Scope { Thread, ForGood };
    explicit ObeyFilePermissions(Scope scope = Scope::Thread);
    ~ObeyFilePermissions();
    ObeyFilePermissions(const ObeyFilePermissions&) = delete;
    ObeyFilePermissions& operator=(const ObeyFilePermissions&) = delete;

private:
    bool m_dropped = false;
    unsigned m_saved[2] = {0, 0};
};

// A file size limit for this process while it lives, with SIGXFSZ ignored: a write past
// the limit then fails with EFBIG, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return m_active; }

private:
    bool m_active = false;
    unsigned long long m_savedCur = 0;
    unsigned long long m_savedMax = 0;
    void (*m_savedHandler)(int) = nullptr;
};

// True when a new file can be made in the folder by this thread.
bool canCreateIn(const QString& folder);

} // namespace kt::fault
