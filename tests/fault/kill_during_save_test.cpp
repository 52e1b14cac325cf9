// A writer saving a large named document (the story, then the answers beside it, as the editor
// saves) is killed with SIGKILL at many different moments of the save. After every kill each
// file must be one complete version, read back in full and byte for byte: the one before the
// save or the one being saved, never a mix, never a torn file; and nothing left beside them
// may pass for a document or a data file.
#include "core/safety_copy.h"
#include "fault/fault_support.h"

#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>

using namespace kt::fault;

namespace {

// About 3 MB of rich text and 1.5 MB of answers.
constexpr qsizetype kStoryChars = 2'600'000;
constexpr std::size_t kAnswerBytes = 20'000;
constexpr int kKills = 30;

qint64 microseconds(const QString& reply) {
    return reply.section(u' ', 1, 1).toLongLong();
}

// The serving writer: makes the two versions once, then forks a writer per save: of a named
// document ("serve") or of a safety copy in a folder ("serve-copy").
class Server {
public:
    explicit Server(const QString& target, const QString& mode = QStringLiteral("serve")) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(FAULT_WRITER), {mode, target, QString::number(kStoryChars),
                                                       QString::number(kAnswerBytes)});
    }
    ~Server() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10'000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    // The next line the server prints, without its line end; empty when it has gone.
    QString line() {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(60'000))
                return {};
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    // Saves a version, killed after delayUs microseconds or, when negative, left to finish.
    // The reply: "killed US" or "finished US".
    QString save(int version, qint64 delayUs = -1) {
        QByteArray command = "save " + QByteArray::number(version);
        if (delayUs >= 0)
            command += ' ' + QByteArray::number(delayUs);
        m_process.write(command + '\n');
        return line();
    }

    // Version 1 saved whole, then versions 2, 1 and 2 over it: how long a whole save takes at
    // the quickest, so that the moments chosen from it fall inside a save even when the disk's
    // syncing makes one save much slower than the next. Negative when one did not finish.
    qint64 quickestSave() {
        if (!save(1).startsWith(QStringLiteral("finished")))
            return -1;
        qint64 quickest = std::numeric_limits<qint64>::max();
        for (const int version : {2, 1, 2}) {
            const QString reply = save(version);
            if (!reply.startsWith(QStringLiteral("finished")))
                return -1;
            quickest = std::min(quickest, microseconds(reply));
        }
        return quickest;
    }

private:
    QProcess m_process;
};

TEST(KillDuringSave, EachFileIsAlwaysOneCompleteVersion) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString folder = root.path();
    const QString story = folder + QStringLiteral("/Story.rtf");
    const QString answers = folder + QStringLiteral("/Story.dat");

    Server server(story);
    const QString ready = server.line();
    ASSERT_TRUE(ready.startsWith(QStringLiteral("ready "))) << ready.toStdString();
    const qint64 encodeUs = microseconds(ready);

    const qint64 saveUs = server.quickestSave();
    ASSERT_GT(saveUs, 0);
    QString reply;
    QString problem;
    ASSERT_EQ(storyVersionOf(story, kStoryChars, &problem, {2, 1}), 2) << problem.toStdString();
    ASSERT_EQ(answerVersionOf(answers, kAnswerBytes, &problem, {2, 1}), 2) << problem.toStdString();

    int onStory = 2, onAnswers = 2;
    int killed = 0, oldPair = 0, newStoryOldAnswers = 0, newPair = 0;
    long long lost = 0;
    QSet<QString> leftovers;
    QStringList problems;
    for (int i = 0; i < kKills; ++i) {
        // A third of the moments spread over the whole save; the rest over the part after the
        // bytes are made, where the files are written, synced and renamed.
        const qint64 from = i % 3 == 0 ? 0 : encodeUs * 9 / 10;
        const qint64 to = saveUs * 21 / 20;
        const int step = i % 3 == 0 ? i / 3 : i - i / 3 - 1;
        const int steps = i % 3 == 0 ? kKills / 3 : kKills - kKills / 3;
        const qint64 delayUs = from + (to - from) * step / steps + (i * 7919) % 700;

        const int writing = 3 - onStory;
        const QByteArray previousStory = fileBytes(story);
        const QByteArray previousAnswers = fileBytes(answers);
        reply = server.save(writing, delayUs);
        ASSERT_TRUE(reply.startsWith(QStringLiteral("killed")) ||
                    reply.startsWith(QStringLiteral("finished")))
            << reply.toStdString();
        if (reply.startsWith(QStringLiteral("killed")))
            ++killed;

        QString storyProblem, answerProblem;
        const auto s = storyVersionOf(story, kStoryChars, &storyProblem, {onStory, writing});
        const auto a = answerVersionOf(answers, kAnswerBytes, &answerProblem, {onAnswers, writing});
        if (!s) {
            lost += previousStory.size();
            problems << QStringLiteral("kill %1 after %2 us: Story.rtf %3")
                            .arg(i)
                            .arg(delayUs)
                            .arg(storyProblem);
        }
        if (!a) {
            lost += previousAnswers.size();
            problems << QStringLiteral("kill %1 after %2 us: Story.dat %3")
                            .arg(i)
                            .arg(delayUs)
                            .arg(answerProblem);
        }
        ASSERT_TRUE(s && a) << problems.join(u'\n').toStdString();
        // The story is written before the answers: both as before, a new story beside the
        // answers as before, or both new.
        const bool before = *s == onStory && *a == onAnswers;
        const bool storyOnly = *s == writing && *a == onAnswers;
        const bool both = *s == writing && *a == writing;
        EXPECT_TRUE(before || storyOnly || both)
            << "kill " << i << ": story " << *s << ", answers " << *a << " after " << onStory << "/"
            << onAnswers << " while writing " << writing;
        if (before)
            ++oldPair;
        else if (both)
            ++newPair;
        else
            ++newStoryOldAnswers;
        onStory = *s;
        onAnswers = *a;

        // Whatever a kill leaves beside the files must not pass for a document or a data
        // file, in the open dialogs' filters or by name.
        for (const QString& name : folderEntries(folder)) {
            if (name == QStringLiteral("Story.rtf") || name == QStringLiteral("Story.dat"))
                continue;
            leftovers.insert(name);
            const QString lower = name.toLower();
            EXPECT_FALSE(lower.endsWith(QStringLiteral(".rtf")) ||
                         lower.endsWith(QStringLiteral(".dat")))
                << name.toStdString();
        }
    }

    std::printf("[  fault   ] %d saves of a %lld-byte story and %lld-byte answers (%lld ms each, "
                "%lld ms of it making the bytes) stopped at %d moments, %d killed mid-way: %d "
                "kept both files as before, %d had the new story beside the answers as before, "
                "%d had both new; %lld temporaries left, none named like a document; %lld bytes "
                "lost\n",
                kKills, static_cast<long long>(fileBytes(story).size()),
                static_cast<long long>(fileBytes(answers).size()),
                static_cast<long long>(saveUs / 1000), static_cast<long long>(encodeUs / 1000),
                kKills, killed, oldPair, newStoryOldAnswers, newPair,
                static_cast<long long>(leftovers.size()), lost);
    for (const QString& name : leftovers)
        std::printf("[  fault   ]   left: %s\n", name.toUtf8().constData());
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    EXPECT_EQ(lost, 0);
    // A loaded machine stretches writes unevenly; a third of the moments inside one still tries
    // every stage of it.
    EXPECT_GE(killed, kKills / 3) << "moments must fall inside a save";
}

// The safety copy's writer killed at many moments while it brings a large copy from one version
// to the other. Each file of the copy must be one complete version after every kill, and they
// must change in the order they are written (the answers, the boxes' text, the story, copy.txt
// last), so that copy.txt never speaks for parts that are not all there.
TEST(KillDuringSave, EachFileOfASafetyCopyIsAlwaysOneCompleteVersionInItsOrder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString folder = root.path();
    const QString answers = folder + QStringLiteral("/answers.dat");
    const QString boxes = folder + QStringLiteral("/boxes.dat");
    const QString story = folder + QStringLiteral("/story.rtf");
    const QString about = folder + QStringLiteral("/copy.txt");
    const auto aboutVersion = [&]() -> std::optional<int> {
        kt::safety::About a;
        const QByteArray bytes = fileBytes(about);
        if (!kt::safety::decodeAbout(bytes.toStdString(), a) || a.made.size() < 10)
            return std::nullopt;
        return a.made[9] - '0';
    };

    Server server(folder, QStringLiteral("serve-copy"));
    const QString ready = server.line();
    ASSERT_TRUE(ready.startsWith(QStringLiteral("ready "))) << ready.toStdString();
    const qint64 saveUs = server.quickestSave();
    ASSERT_GT(saveUs, 0);

    int killed = 0;
    int newFiles[5] = {}; // how many kills left 0, 1, 2, 3 or all 4 files new
    QStringList problems;
    for (int i = 0; i < kKills; ++i) {
        const std::optional<int> current = aboutVersion();
        ASSERT_TRUE(current);
        const int writing = 3 - *current;
        // Spread past the quickest write: syncing makes most writes slower than that one.
        const qint64 delayUs = saveUs * 3 / 2 * i / kKills + (i * 7919) % 700;
        const QString reply = server.save(writing, delayUs);
        if (reply.startsWith(QStringLiteral("killed")))
            ++killed;

        QString problem;
        const auto a =
            answerVersionOf(answers, kAnswerBytes, &problem, {1, 2}, kt::RecordEncoding::Utf8);
        if (!a)
            problems << QStringLiteral("kill %1: answers.dat %2").arg(i).arg(problem);
        const auto b =
            answerVersionOf(boxes, kAnswerBytes, &problem, {1, 2}, kt::RecordEncoding::Utf8);
        if (!b)
            problems << QStringLiteral("kill %1: boxes.dat %2").arg(i).arg(problem);
        const auto s = storyVersionOf(story, kStoryChars, &problem, {1, 2});
        if (!s)
            problems << QStringLiteral("kill %1: story.rtf %2").arg(i).arg(problem);
        const auto c = aboutVersion();
        if (!c)
            problems << QStringLiteral("kill %1: copy.txt cannot be read").arg(i);
        ASSERT_TRUE(a && b && s && c) << problems.join(u'\n').toStdString();
        const bool newer[] = {*a == writing, *b == writing, *s == writing, *c == writing};
        ++newFiles[std::count(std::begin(newer), std::end(newer), true)];
        EXPECT_TRUE(std::is_sorted(std::begin(newer), std::end(newer), std::greater<>()))
            << "kill " << i << " while writing " << writing << ": answers " << *a << ", boxes "
            << *b << ", story " << *s << ", copy.txt " << *c;
        for (const QString& name : folderEntries(folder))
            EXPECT_TRUE(name.endsWith(QStringLiteral(".tmp")) ||
                        QFileInfo(folder + u'/' + name) == QFileInfo(answers) ||
                        QFileInfo(folder + u'/' + name) == QFileInfo(boxes) ||
                        QFileInfo(folder + u'/' + name) == QFileInfo(story) ||
                        QFileInfo(folder + u'/' + name) == QFileInfo(about))
                << name.toStdString();
    }
    std::printf("[  fault   ] %d writes of a safety copy (%lld-byte story, %lld-byte answers, "
                "%lld ms each) stopped at %d moments, %d killed mid-way; every file whole and in "
                "order, with 0/1/2/3/4 of the 4 files new after %d/%d/%d/%d/%d of them\n",
                kKills, static_cast<long long>(fileBytes(story).size()),
                static_cast<long long>(fileBytes(answers).size()),
                static_cast<long long>(saveUs / 1000), kKills, killed, newFiles[0], newFiles[1],
                newFiles[2], newFiles[3], newFiles[4]);
    EXPECT_GE(killed, kKills / 3) << "moments must fall inside a write";
}

} // namespace
