// Random walks through the real windows, generated and shrunk by RapidCheck. Each walk runs in a
// child process, so a crash, a sanitizer's report or a leak fails the walk, and shrinking goes on
// with smaller walks until the fewest steps that still fail are found; they are printed as the
// acts of a regression test (walk_regressions.cpp).
//
// KITHTALE_WALK_SEEDS   seeds, comma-separated (default "1")
// KITHTALE_WALK_STEPS   steps a walk takes (default 150)
// KITHTALE_WALK_MINUTES keep walking with further seeds for this long (default 0: the seeds only)
// KITHTALE_WALK_SHRINK  0 to report a failing walk without shrinking it
// KITHTALE_WALK_BIG     1 to paste more than a million characters now and then (slow)
//
// The acts of a failing walk are left in walk-failure-seedN.acts in the working folder (the
// smallest failing one once shrunk); KITHTALE_WALK_REPLAY=walk-failure-seedN.acts replays them
// in-process (WalkReplay.ActsFromAFile).
#include "walk.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <rapidcheck/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>

using namespace kt::walk;

namespace {

std::string env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

struct ChildResult {
    std::string failure;
    std::vector<Act> acts;
    int restarts = 0;
};

// Runs the steps in a child process and reads back what it did.
ChildResult runChild(const std::vector<Step>& steps) {
    QTemporaryDir dir;
    const QString stepsFile = dir.filePath(QStringLiteral("steps"));
    const QString traceFile = dir.filePath(QStringLiteral("trace"));
    {
        QFile f(stepsFile);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray::fromStdString(writeSteps(steps)));
    }
    QProcess child;
    // Each walk starts with an empty data folder of its own: no earlier versions or safety copy
    // of another walk (or of walks side by side) changes what this one's dialogs offer.
    QTemporaryDir dataHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--walk-child"), stepsFile, traceFile});
    child.waitForFinished(-1);
    const QByteArray output = child.readAll();

    ChildResult result;
    std::map<int, Act> acts;
    QFile f(traceFile);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const std::string line = raw.toStdString();
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        const std::string head = line.substr(0, tab);
        const std::string rest = line.substr(tab + 1);
        if (head.rfind("act ", 0) == 0) {
            const std::vector<Act> one = readActs(rest);
            if (!one.empty())
                acts[std::stoi(head.substr(4))] = one.front();
        } else if (head.rfind("answer ", 0) == 0) {
            acts[std::stoi(head.substr(7))].answers.push_back(rest);
        } else if (head == "restarts") {
            result.restarts = std::stoi(rest);
        } else if (head == "failure") {
            result.failure = rest;
        }
    }
    for (auto& [index, act] : acts)
        result.acts.push_back(std::move(act));
    if (result.failure.empty() &&
        (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)) {
        // A crash, a sanitizer's report or a leak: the end of what the child printed says which.
        const QByteArray tail = output.right(6000);
        result.failure = "the program died (exit " + std::to_string(child.exitCode()) + "):\n" +
                         tail.toStdString();
    }
    return result;
}

rc::Gen<Step> stepGen() {
    return rc::gen::resize(
        100,
        rc::gen::build<Step>(
            rc::gen::set(&Step::pick, rc::gen::inRange(0, 1 << 20)),
            rc::gen::set(&Step::detail, rc::gen::inRange(0, 1 << 20)),
            rc::gen::set(&Step::variant, rc::gen::inRange(0, 1 << 20)),
            rc::gen::set(&Step::choices, rc::gen::resize(6, rc::gen::container<std::vector<int>>(
                                                                rc::gen::inRange(0, 1 << 20))))));
}

// Walks of exactly `count` steps; shrinking removes steps and simplifies the ones left.
rc::Gen<std::vector<Step>> walkGen(int count) {
    return [count](const rc::Random& random, int) {
        using Elements = std::vector<rc::Shrinkable<Step>>;
        rc::Random r = random;
        Elements elements;
        for (int i = 0; i < count; ++i)
            elements.push_back(stepGen()(r.split(), 100));
        return rc::shrinkable::map(
            rc::shrinkable::shrinkRecur(
                std::move(elements),
                [](const Elements& e) {
                    return rc::seq::concat(
                        rc::shrink::removeChunks(e),
                        rc::shrink::eachElement(
                            e, [](const rc::Shrinkable<Step>& s) { return s.shrinks(); }));
                }),
            [](const Elements& e) {
                std::vector<Step> steps;
                steps.reserve(e.size());
                for (const auto& s : e)
                    steps.push_back(s.value());
                return steps;
            });
    };
}

} // namespace

TEST(Walk, RandomWalksKeepTheRules) {
    const int stepsPerWalk = std::stoi(env("KITHTALE_WALK_STEPS", "150"));
    const double minutes = std::stod(env("KITHTALE_WALK_MINUTES", "0"));
    const bool shrink = env("KITHTALE_WALK_SHRINK", "1") != "0";
    std::vector<std::uint64_t> seeds;
    const std::string list = env("KITHTALE_WALK_SEEDS", "1");
    for (std::size_t from = 0; from < list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        seeds.push_back(std::stoull(list.substr(from, comma - from)));
        from = comma + 1;
    }

    QElapsedTimer clock;
    clock.start();
    long long totalActs = 0;
    int walks = 0;
    int restarts = 0;
    for (std::size_t i = 0;; ++i) {
        if (i >= seeds.size()) {
            if (clock.elapsed() >= minutes * 60'000)
                break;
            seeds.push_back(seeds.back() + 1);
        }
        rc::detail::TestParams params;
        params.seed = seeds[i];
        params.maxSuccess = 1;
        params.maxSize = stepsPerWalk;
        params.disableShrinking = !shrink;
        rc::detail::TestMetadata metadata;
        metadata.id = "walk seed " + std::to_string(seeds[i]);
        metadata.description = metadata.id;
        const auto result = rc::detail::checkTestable(
            [&] {
                const auto steps = *walkGen(stepsPerWalk);
                const ChildResult walk = runChild(steps);
                if (!walk.failure.empty()) {
                    // The failing walk stays beside the test, to replay in-process.
                    QFile kept(QStringLiteral("walk-failure-seed%1.acts").arg(seeds[i]));
                    if (kept.open(QIODevice::WriteOnly))
                        kept.write(QByteArray::fromStdString(writeActs(walk.acts)));
                }
                if (!walk.failure.empty())
                    RC_FAIL(walk.failure + "\n" + std::to_string(walk.acts.size()) + " acts:\n" +
                            formatActs(walk.acts));
                totalActs += static_cast<long long>(walk.acts.size());
                restarts += walk.restarts;
                ++walks;
            },
            metadata, params);
        if (!result.template is<rc::detail::SuccessResult>()) {
            std::ostringstream message;
            rc::detail::printResultMessage(result, message);
            ADD_FAILURE() << "seed " << seeds[i] << ":\n" << message.str();
        }
    }
    std::cout << "walked " << walks << " walks, " << totalActs << " acts, " << restarts
              << " programs ended and replaced, in " << clock.elapsed() / 1000 << " s (seeds "
              << seeds.front() << " to " << seeds.back() << ")" << std::endl;
}
