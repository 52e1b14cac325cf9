#include "fault/fault_support.h"

#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "core/question_catalog.h"
#include "rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <csignal>
#include <fcntl.h>
#include <map>
#include <sys/resource.h>
#include <tuple>
#include <unistd.h>
#include <utility>

#ifdef __linux__
#include <linux/capability.h>
#include <sys/syscall.h>
#endif

namespace kt::fault {
namespace {

const QString kLine = QStringLiteral(
    "We walked to school along the creek, and in spring the water came up to the road.");

QString storyLine(int version, int line) {
    return QStringLiteral("Version %1, line %2: ").arg(version).arg(line) + kLine;
}

// A version number at the start of the first line, or -1.
int leadingVersion(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^Version (\\d+),"));
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

std::string answerText(int version, std::size_t index, std::size_t bytes) {
    const std::string head =
        "Version " + std::to_string(version) + ", answer " + std::to_string(index) + ": ";
    std::string text;
    text.reserve(bytes + 128);
    for (int line = 0; text.size() < bytes; ++line)
        text += head + std::to_string(line) + " In the summer we swam in the river.\r\n";
    return text;
}

} // namespace

QString storyText(int version, qsizetype chars) {
    QString text;
    text.reserve(chars + 256);
    for (int line = 0; text.size() < chars; ++line) {
        if (line)
            text += u'\n';
        text += storyLine(version, line);
    }
    return text;
}

void fillDocument(QTextDocument& document, int version, qsizetype chars) {
    document.clear();
    document.setUndoRedoEnabled(false);
    QTextCharFormat plain;
    plain.setFontFamilies(QStringList{QStringLiteral("arial")});
    plain.setFontPointSize(12);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    QTextCursor cursor(&document);
    // Every 40th line bold, so the writer has runs to tell apart, inserted a chunk at a time.
    const QStringList lines = storyText(version, chars).split(u'\n');
    QString chunk;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i % 40 == 39) {
            cursor.insertText(chunk, plain);
            chunk.clear();
            cursor.insertText(lines[i], bold);
        } else {
            chunk += lines[i];
        }
        if (i + 1 < lines.size())
            chunk += u'\n';
    }
    cursor.insertText(chunk, plain);
}

void fillAnswers(AnswerStore& answers, int version, std::size_t bytesPerAnswer) {
    for (const CatalogEntry& e : QuestionCatalog::instance().all())
        answers.setTextOf(e, answerText(version, e.index(), bytesPerAnswer));
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

namespace {

// A version's bytes, made once and read back once: a file with exactly these bytes then reads
// back as that version without parsing it again.
struct Known {
    QByteArray bytes;
    QString problem; // empty when the bytes read back as the version
};

// Reads bytes back in full: the version they name, and whether they hold all of it.
std::optional<int> readStoryBack(const QByteArray& bytes, qsizetype chars, QString* problem) {
    QTextDocument loaded;
    QString error;
    if (!rtf::read(bytes, loaded, &error)) {
        *problem = QStringLiteral("cannot be read: ") + error;
        return std::nullopt;
    }
    const QString text = loaded.toPlainText();
    const int version = leadingVersion(text);
    if (version < 0) {
        *problem = QStringLiteral("does not start with a version: ") + text.left(60);
        return std::nullopt;
    }
    const QString expected = storyText(version, chars);
    if (text != expected) {
        *problem = QStringLiteral("reads back as %1 characters, not the %2 of version %3")
                       .arg(text.size())
                       .arg(expected.size())
                       .arg(version);
        return std::nullopt;
    }
    return version;
}

std::optional<int> readAnswersBack(const QByteArray& bytes, std::size_t bytesPerAnswer,
                                   QString* problem) {
    AnswerStore loaded;
    std::string error;
    if (!decodeAnswerRecord(std::string_view(bytes.constData(), bytes.size()), loaded, &error)) {
        *problem = QStringLiteral("cannot be read: ") + QString::fromStdString(error);
        return std::nullopt;
    }
    const auto& all = QuestionCatalog::instance().all();
    const int version = leadingVersion(QString::fromStdString(loaded.textOf(all.front())));
    if (version < 0) {
        *problem = QStringLiteral("its first answer does not start with a version");
        return std::nullopt;
    }
    AnswerStore expected;
    fillAnswers(expected, version, bytesPerAnswer);
    for (const CatalogEntry& e : all) {
        if (loaded.valueOf(e) != expected.valueOf(e)) {
            *problem =
                QStringLiteral("answer %1 differs from version %2").arg(e.index() + 1).arg(version);
            return std::nullopt;
        }
    }
    return version;
}

Known& knownStory(int version, qsizetype chars) {
    static std::map<std::pair<int, qsizetype>, Known> cache;
    Known& k = cache[{version, chars}];
    if (k.bytes.isEmpty()) {
        QTextDocument document;
        fillDocument(document, version, chars);
        k.bytes = rtf::write(document);
        const auto back = readStoryBack(k.bytes, chars, &k.problem);
        if (back != version && k.problem.isEmpty())
            k.problem = QStringLiteral("the writer's own bytes read back as another version");
    }
    return k;
}

Known& knownAnswers(int version, std::size_t bytesPerAnswer, RecordEncoding encoding) {
    static std::map<std::tuple<int, std::size_t, RecordEncoding>, Known> cache;
    Known& k = cache[{version, bytesPerAnswer, encoding}];
    if (k.bytes.isEmpty()) {
        AnswerStore answers;
        fillAnswers(answers, version, bytesPerAnswer);
        k.bytes = QByteArray::fromStdString(encodeAnswerRecord(answers, encoding));
        const auto back = readAnswersBack(k.bytes, bytesPerAnswer, &k.problem);
        if (back != version && k.problem.isEmpty())
            k.problem = QStringLiteral("the writer's own bytes read back as another version");
    }
    return k;
}

// The file is a version when it reads back as that version in full and its bytes are exactly
// what the writer makes of that version.
template <class ReadBack, class KnownOf>
std::optional<int> versionOfFile(const QString& path, const QList<int>& likely, ReadBack readBack,
                                 KnownOf known, QString* problem) {
    if (!QFileInfo::exists(path)) {
        *problem = QStringLiteral("is missing");
        return std::nullopt;
    }
    const QByteArray bytes = fileBytes(path);
    for (int v : likely) {
        const Known& k = known(v);
        if (bytes == k.bytes) {
            if (!k.problem.isEmpty()) {
                *problem = k.problem;
                return std::nullopt;
            }
            return v;
        }
    }
    const auto version = readBack(bytes, problem);
    if (!version)
        return std::nullopt;
    if (bytes != known(*version).bytes) {
        *problem = QStringLiteral("reads as version %1 but its %2 bytes differ from it")
                       .arg(*version)
                       .arg(bytes.size());
        return std::nullopt;
    }
    return version;
}

} // namespace

QByteArray storyBytes(int version, qsizetype chars) {
    return knownStory(version, chars).bytes;
}

std::string answerBytes(int version, std::size_t bytesPerAnswer, RecordEncoding encoding) {
    return knownAnswers(version, bytesPerAnswer, encoding).bytes.toStdString();
}

std::optional<int> storyVersionOf(const QString& path, qsizetype chars, QString* problem,
                                  const QList<int>& likely) {
    return versionOfFile(
        path, likely,
        [chars](const QByteArray& bytes, QString* why) { return readStoryBack(bytes, chars, why); },
        [chars](int v) -> const Known& { return knownStory(v, chars); }, problem);
}

std::optional<int> answerVersionOf(const QString& path, std::size_t bytesPerAnswer,
                                   QString* problem, const QList<int>& likely,
                                   RecordEncoding encoding) {
    return versionOfFile(
        path, likely,
        [bytesPerAnswer](const QByteArray& bytes, QString* why) {
            return readAnswersBack(bytes, bytesPerAnswer, why);
        },
        [bytesPerAnswer, encoding](int v) -> const Known& {
            return knownAnswers(v, bytesPerAnswer, encoding);
        },
        problem);
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool canCreateIn(const QString& folder) {
    const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

// ---- Privileges ---------------------------------------------------------------------------

ObeyFilePermissions::ObeyFilePermissions(Scope scope) {
#ifdef __linux__
    if (::geteuid() != 0)
        return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    m_saved[0] = data[0].effective;
    m_saved[1] = data[1].effective;
    const unsigned override = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) |
                              (1u << CAP_FOWNER) | (1u << CAP_LINUX_IMMUTABLE);
    data[0].effective &= ~override;
    if (scope == Scope::ForGood)
        data[0].permitted &= ~override;
    m_dropped = ::syscall(SYS_capset, &header, data) == 0 && scope == Scope::Thread;
#endif
}

ObeyFilePermissions::~ObeyFilePermissions() {
#ifdef __linux__
    if (!m_dropped)
        return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    data[0].effective = m_saved[0];
    data[1].effective = m_saved[1];
    ::syscall(SYS_capset, &header, data);
#endif
}

// ---- File size limit ----------------------------------------------------------------------

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    struct rlimit saved {};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return;
    m_savedCur = saved.rlim_cur;
    m_savedMax = saved.rlim_max;
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = bytes;
    m_active = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
}

FileSizeLimit::~FileSizeLimit() {
    struct rlimit saved {};
    saved.rlim_cur = m_savedCur;
    saved.rlim_max = m_savedMax;
    if (m_active)
        ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, m_savedHandler);
}

} // namespace kt::fault
