// Both files of a save under faults, each written by the real writer in a child process: the
// story through the codec, the answers through SaveDataFile. A save that cannot be done must
// say why and leave the previous file exactly as it was, with nothing beside it.
#include "fault/fault_support.h"

#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "rtf/rtf.h"
#include "system/disk_sync.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>
#include <system_error>

using namespace kt;
using namespace kt::fault;

namespace {

// Large, and smaller than the toolkit's and the C library's write buffers: a buffered tail is
// written only when the file is closed, where a failure is easily missed.
constexpr qsizetype kStoryChars = 200'000;
constexpr qsizetype kSmallStoryChars = 3'000;
constexpr std::size_t kAnswerBytes = 3'000;
constexpr std::size_t kSmallAnswerBytes = 20;

enum class Fault { ReadOnlyFolder, ReadOnlyFile, MissingFolder, FileSizeLimit };

struct Case {
    const char* name;
    Fault fault;
    // For FileSizeLimit: the limit, given the size of the new file.
    std::function<long long(long long)> limit;
    // What the reason must say, for the story and for the answers.
    const char* storyReason;
    const char* answerReason;
};

const Case kCases[] = {
    {"read-only folder", Fault::ReadOnlyFolder, {}, "ermission denied", "ermission denied"},
    {"read-only file", Fault::ReadOnlyFile, {}, "not writable", "ermission denied"},
    {"missing folder", Fault::MissingFolder, {}, "No such file or directory", "does not exist"},
    {"full disk before the first byte", Fault::FileSizeLimit, [](long long) { return 0LL; },
     "too large", "too large"},
    {"full disk after 1 byte", Fault::FileSizeLimit, [](long long) { return 1LL; }, "too large",
     "too large"},
    {"full disk after 4 KiB", Fault::FileSizeLimit,
     [](long long n) { return std::min(4096LL, n - 1); }, "too large", "too large"},
    {"full disk after 64 KiB", Fault::FileSizeLimit,
     [](long long n) { return std::min(65536LL, n - 1); }, "too large", "too large"},
    {"full disk half way", Fault::FileSizeLimit, [](long long n) { return n / 2; }, "too large",
     "too large"},
    {"full disk one byte short", Fault::FileSizeLimit, [](long long n) { return n - 1; },
     "too large", "too large"},
};

struct Outcome {
    int exitCode = -1;
    QString line; // "ok" or "error\treason"
};

Outcome runWriter(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(FAULT_WRITER), args);
    Outcome o;
    if (!p.waitForFinished(60'000) || p.exitStatus() != QProcess::NormalExit)
        return o;
    o.exitCode = p.exitCode();
    o.line = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return o;
}

struct Kind {
    const char* name;
    const char* arg;
    QString fileName;
    long long size;
    bool story;
};

const Kind kKinds[] = {
    {"story", "rtf", QStringLiteral("Story.rtf"), kStoryChars, true},
    {"small story", "rtf", QStringLiteral("Story.rtf"), kSmallStoryChars, true},
    {"answers", "dat", QStringLiteral("Story.dat"), static_cast<long long>(kAnswerBytes), false},
    {"few answers", "dat", QStringLiteral("Story.dat"), static_cast<long long>(kSmallAnswerBytes),
     false},
};

class SaveFaults : public ::testing::TestWithParam<int> {
protected:
    static const Kind& kind() { return kKinds[GetParam()]; }
    // Writes version `version` in the test process: the previous file the fault must spare.
    static void writeDirectly(const Kind& k, const QString& folder, int version) {
        const QString document = folder + QStringLiteral("/Story.rtf");
        if (k.story) {
            QTextDocument story;
            fillDocument(story, version, k.size);
            QString error;
            ASSERT_TRUE(rtf::saveFile(document, story, &error)) << error.toStdString();
        } else {
            AnswerStore answers;
            fillAnswers(answers, version, static_cast<std::size_t>(k.size));
            std::string error;
            ASSERT_TRUE(SaveDataFile(document.toStdString(), answers, &error)) << error;
        }
    }
    static std::optional<int> versionOf(const Kind& k, const QString& file, QString* problem) {
        return k.story ? storyVersionOf(file, k.size, problem)
                       : answerVersionOf(file, static_cast<std::size_t>(k.size), problem);
    }
    static long long newSize(const Kind& k, int version) {
        return k.story ? storyBytes(version, k.size).size()
                       : static_cast<long long>(
                             answerBytes(version, static_cast<std::size_t>(k.size)).size());
    }
};

TEST_P(SaveFaults, APreviousFileStaysWholeAndTheReasonIsGiven) {
    const Kind& k = kind();
    int tried = 0;
    long long lost = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(k.name) + ": " + c.name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QString folder = root.filePath(QStringLiteral("album"));
        ASSERT_TRUE(QDir().mkpath(folder));
        writeDirectly(k, folder, 1);
        const QString target = folder + QLatin1Char('/') + k.fileName;
        const QByteArray previous = fileBytes(target);
        ASSERT_FALSE(previous.isEmpty());

        QString document = folder + QStringLiteral("/Story.rtf");
        QStringList extra;
        switch (c.fault) {
        case Fault::ReadOnlyFolder:
            ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            extra << QStringLiteral("--obey-permissions");
            break;
        case Fault::ReadOnlyFile:
            ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
            extra << QStringLiteral("--obey-permissions");
            break;
        case Fault::MissingFolder:
            document = root.filePath(QStringLiteral("gone/Story.rtf"));
            break;
        case Fault::FileSizeLimit:
            extra << QStringLiteral("--limit") << QString::number(c.limit(newSize(k, 2)));
            break;
        }
        const Outcome o =
            runWriter(QStringList{QStringLiteral("save"), QString::fromLatin1(k.arg), document,
                                  QStringLiteral("2"), QString::number(k.size)} +
                      extra);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ++tried;

        EXPECT_EQ(o.exitCode, 1) << o.line.toStdString() << " " << extra.join(u' ').toStdString()
                                 << " new size " << newSize(k, 2);
        ASSERT_TRUE(o.line.startsWith(QStringLiteral("error\t"))) << o.line.toStdString();
        const QString reason = o.line.mid(6);
        EXPECT_TRUE(reason.contains(QString::fromLatin1(k.story ? c.storyReason : c.answerReason)))
            << reason.toStdString();

        // The previous file is exactly as it was, and nothing was left beside it.
        const QByteArray now = fileBytes(target);
        if (now != previous)
            lost += previous.size();
        EXPECT_EQ(now, previous);
        QString problem;
        EXPECT_EQ(versionOf(k, target, &problem), 1) << problem.toStdString();
        EXPECT_EQ(folderEntries(folder), QStringList{k.fileName});
        if (c.fault == Fault::MissingFolder) {
            EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("gone"))));
        }
    }
    std::printf("[  fault   ] %s: %d fault cases tried, %lld bytes lost\n", k.name, tried, lost);
    EXPECT_EQ(lost, 0);
}

// The limit itself is no fault: a file exactly as large as the limit is written, so the cases
// above fail because of the fault and not because of the harness.
TEST_P(SaveFaults, AFileExactlyAtTheLimitIsWritten) {
    const Kind& k = kind();
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    writeDirectly(k, root.path(), 1);
    const Outcome o = runWriter({QStringLiteral("save"), QString::fromLatin1(k.arg),
                                 root.filePath(QStringLiteral("Story.rtf")), QStringLiteral("2"),
                                 QString::number(k.size), QStringLiteral("--limit"),
                                 QString::number(newSize(k, 2))});
    EXPECT_EQ(o.exitCode, 0) << o.line.toStdString();
    EXPECT_EQ(o.line, QStringLiteral("ok"));
    QString problem;
    EXPECT_EQ(versionOf(k, root.filePath(k.fileName), &problem), 2) << problem.toStdString();
    EXPECT_EQ(folderEntries(root.path()), QStringList{k.fileName});
}

std::string kindName(const ::testing::TestParamInfo<int>& info) {
    const char* const names[] = {"Story", "SmallStory", "Answers", "FewAnswers"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(BothFiles, SaveFaults, ::testing::Range(0, 4), kindName);

// What a save asks of the disk: the file's bytes and the folder's names, and a reason when the
// system refuses.
TEST(SyncToDisk, PutsAFileAndAFolderOnTheDiskAndGivesTheReasonItCannot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = QDir(dir.path()).filePath(QStringLiteral("Story.dat")).toStdString();
    { std::ofstream(file) << "answers"; }
    std::string why;
    EXPECT_TRUE(kt::system::syncToDisk(file, &why)) << why;
    EXPECT_TRUE(kt::system::syncToDisk(dir.path().toStdString(), &why)) << why;
    EXPECT_FALSE(kt::system::syncToDisk(dir.path().toStdString() + "/gone/Story.dat", &why));
    EXPECT_EQ(why, std::generic_category().message(ENOENT));
}

} // namespace
