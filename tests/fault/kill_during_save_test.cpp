// A writer saving a large named document (the story, then the answers beside it, as the editor
// saves) is killed with SIGKILL at many different moments of the save. After every kill each
// file must be one complete version, read back in full and byte for byte: the one before the
// save or the one being saved, never a mix, never a torn file; and nothing left beside them
// may pass for a document or a data file.
#include "fault/fault_support.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace kt::fault;

namespace {

// About 3 MB of rich text and 1.5 MB of answers.
constexpr qsizetype kStoryChars = 2'600'000;
constexpr std::size_t kAnswerBytes = 20'000;
constexpr int kKills = 30;

// The serving writer: makes the two versions once, then forks a writer per save.
class Server {
public:
    explicit Server(const QString& document) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(FAULT_WRITER),
                        {QStringLiteral("serve"), document, QString::number(kStoryChars),
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

private:
    QProcess m_process;
};

qint64 microseconds(const QString& reply) {
    return reply.section(u' ', 1, 1).toLongLong();
}

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

    // Version 1 saved whole, then versions 2, 1 and 2 over it: how long a whole save takes at
    // the quickest, so that the moments chosen from it fall inside a save even when the disk's
    // syncing makes one save much slower than the next.
    QString reply = server.save(1);
    ASSERT_TRUE(reply.startsWith(QStringLiteral("finished"))) << reply.toStdString();
    qint64 saveUs = std::numeric_limits<qint64>::max();
    for (const int version : {2, 1, 2}) {
        reply = server.save(version);
        ASSERT_TRUE(reply.startsWith(QStringLiteral("finished"))) << reply.toStdString();
        saveUs = std::min(saveUs, microseconds(reply));
    }
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
    EXPECT_GT(killed, kKills / 2) << "most moments must fall inside a save";
}

} // namespace
