// The writer the fault tests run in a child process, so that a fault (a file size limit, a
// kill) hits it and not the test.
//
//   fault_writer save rtf|dat DOCUMENT VERSION SIZE [--limit BYTES] [--obey-permissions]
//       One save of a version: the story through the codec to DOCUMENT, or the answers through
//       SaveDataFile beside DOCUMENT. Prints "ok" or "error<TAB>reason"; exit status 0 or 1.
//   fault_writer serve DOCUMENT STORY_CHARS ANSWER_BYTES
//       Makes versions 1 and 2 of the story and the answers and prints "ready" and the
//       microseconds the codec takes to make a story's bytes. Then for each
//       input line "save N [MICROSECONDS]" forks a writer that saves version N as a named
//       document is saved (the story to DOCUMENT, then the answers beside it), kills it with
//       SIGKILL that long after it started (or lets it finish when no time is given), and prints
//       "killed" or "finished", then the microseconds the writer lived. Forking from the made
//       versions lets a test kill many saves of a large document quickly; killing from here,
//       before the writer is reaped, can never hit another process that took its number.
//   fault_writer serve-copy FOLDER STORY_CHARS ANSWER_BYTES
//       The same for a safety copy in FOLDER: "save N [MICROSECONDS]" writes version N of every
//       file of the copy (the answers, the boxes' text, the story and copy.txt, which names the
//       version in the time it was made) as the safety copy's writer thread does.
#include "fault/fault_support.h"

#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "core/question_catalog.h"
#include "core/safety_copy.h"
#include "rtf/rtf.h"
#include "system/disk_sync.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kt;

namespace {

int usage() {
    std::fprintf(stderr, "usage: fault_writer save rtf|dat DOCUMENT VERSION SIZE [--limit BYTES] "
                         "[--obey-permissions]\n"
                         "       fault_writer serve DOCUMENT STORY_CHARS ANSWER_BYTES\n"
                         "       fault_writer serve-copy FOLDER STORY_CHARS ANSWER_BYTES\n");
    return 2;
}

int saveOnce(int argc, char** argv) {
    if (argc < 6)
        return usage();
    const QByteArray kind = argv[2];
    const QString document = QString::fromLocal8Bit(argv[3]);
    const int version = std::atoi(argv[4]);
    const long long size = std::atoll(argv[5]);
    long long limit = -1;
    bool obey = false;
    for (int i = 6; i < argc; ++i) {
        if (std::strcmp(argv[i], "--limit") == 0 && i + 1 < argc)
            limit = std::atoll(argv[++i]);
        else if (std::strcmp(argv[i], "--obey-permissions") == 0)
            obey = true;
        else
            return usage();
    }

    // Everything is made before the fault is switched on: only the save meets it.
    QTextDocument story;
    AnswerStore answers;
    if (kind == "rtf")
        fault::fillDocument(story, version, size);
    else if (kind == "dat")
        fault::fillAnswers(answers, version, static_cast<std::size_t>(size));
    else
        return usage();

    std::unique_ptr<fault::ObeyFilePermissions> permissions;
    if (obey)
        permissions = std::make_unique<fault::ObeyFilePermissions>(
            fault::ObeyFilePermissions::Scope::ForGood);
    std::unique_ptr<fault::FileSizeLimit> fileSize;
    if (limit >= 0) {
        fileSize = std::make_unique<fault::FileSizeLimit>(static_cast<unsigned long long>(limit));
        if (!fileSize->active()) {
            std::printf("setup\tcannot limit the file size\n");
            return 3;
        }
    }

    bool ok;
    QString error;
    if (kind == "rtf") {
        ok = rtf::saveFile(document, story, &error);
    } else {
        std::string reason;
        ok = SaveDataFile(document.toStdString(), answers, &reason, kt::system::syncToDisk);
        error = QString::fromStdString(reason);
    }
    fileSize.reset();
    permissions.reset();
    if (ok)
        std::printf("ok\n");
    else
        std::printf("error\t%s\n", error.toUtf8().constData());
    return ok ? 0 : 1;
}

void say(const std::string& line) {
    const std::string out = line + "\n";
    // One write, straight to the pipe: the forked writer shares it and never buffers.
    [[maybe_unused]] const auto written = ::write(STDOUT_FILENO, out.data(), out.size());
}

// Prints "ready" with the microseconds spent making a version's bytes, then for each input line
// "save N [MICROSECONDS]" forks a child that runs write(N) and kills it that long after it
// started.
int serveSaves(long long encodeUs, const std::function<bool(int version)>& write) {
    say("ready " + std::to_string(encodeUs));
    std::string command;
    while (std::getline(std::cin, command)) {
        int version = 0;
        long long delay = -1;
        const int fields = std::sscanf(command.c_str(), "save %d %lld", &version, &delay);
        if (fields < 1 || version < 1 || version > 2)
            return usage();
        const auto started = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid < 0) {
            say("error\tcannot fork");
            return 1;
        }
        if (pid ==
            0) // the writer: one save, then gone without running any of the parent's teardown
            ::_exit(write(version) ? 0 : 1);
        if (fields == 2 && delay >= 0) {
            std::this_thread::sleep_until(started + std::chrono::microseconds(delay));
            ::kill(pid, SIGKILL); // not reaped yet: still our writer, or its zombie
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        const auto lived = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        if (!killed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            return 1; // the writer said why
        say((killed ? "killed " : "finished ") + std::to_string(lived));
    }
    return 0;
}

int serve(int argc, char** argv) {
    if (argc != 5)
        return usage();
    const QString document = QString::fromLocal8Bit(argv[2]);
    const qsizetype chars = std::atoll(argv[3]);
    const auto answerBytes = static_cast<std::size_t>(std::atoll(argv[4]));

    QTextDocument stories[2];
    AnswerStore answers[2];
    for (int v = 1; v <= 2; ++v) {
        fault::fillDocument(stories[v - 1], v, chars);
        fault::fillAnswers(answers[v - 1], v, answerBytes);
    }
    // How long making the bytes takes, before a save touches the disk: the test aims most of
    // its kills after that.
    const auto encodeStart = std::chrono::steady_clock::now();
    [[maybe_unused]] const QByteArray encoded = rtf::write(stories[0]);
    const auto encode = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - encodeStart)
                            .count();
    return serveSaves(encode, [&](int version) {
        QString error;
        if (!rtf::saveFile(document, stories[version - 1], &error)) {
            say("error\t" + error.toStdString());
            return false;
        }
        std::string reason;
        if (!SaveDataFile(document.toStdString(), answers[version - 1], &reason,
                          kt::system::syncToDisk)) {
            say("error\t" + reason);
            return false;
        }
        return true;
    });
}

int serveCopy(int argc, char** argv) {
    if (argc != 5)
        return usage();
    const std::string folder = QFile::encodeName(QString::fromLocal8Bit(argv[2])).toStdString();
    const qsizetype chars = std::atoll(argv[3]);
    const auto answerBytes = static_cast<std::size_t>(std::atoll(argv[4]));

    // The bytes are made before the writer starts, as the program makes them on its
    // user-interface thread; only the disk work is killed.
    safety::Update updates[2];
    for (int v = 1; v <= 2; ++v) {
        AnswerStore answers;
        fault::fillAnswers(answers, v, answerBytes);
        AnswerFields boxes;
        for (const CatalogEntry& e : QuestionCatalog::instance().all())
            boxes[e.index()] = answers.textOf(e);
        safety::Update& u = updates[v - 1];
        u.answers = safety::Part::write(fault::answerBytes(v, answerBytes, RecordEncoding::Utf8));
        u.boxes = safety::Part::write(encodeAnswerFields(boxes));
        u.story = safety::Part::write(fault::storyBytes(v, chars).toStdString());
        u.about = safety::Part::write(
            safety::encodeAbout({"2000-01-0" + std::to_string(v) + "T00:00:00Z", "", 0}));
    }
    return serveSaves(0, [&](int version) {
        std::string reason;
        if (!safety::apply(folder, updates[version - 1], kt::system::syncToDisk, &reason)) {
            say("error\t" + reason);
            return false;
        }
        return true;
    });
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "save") == 0)
        return saveOnce(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0)
        return serve(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "serve-copy") == 0)
        return serveCopy(argc, argv);
    return usage();
}
