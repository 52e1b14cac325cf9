// The walk's own main: GoogleTest by default; "--walk-child STEPS TRACE" runs one walk in this
// process for a parent that generates and shrinks the walks, so that a crash or a sanitizer's
// report ends only the child and still counts as a failing walk.
#include "system/headless.h"
#include "ui/program_style.h"
#include "walk.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

int main(int argc, char** argv) {
    kt::system::useHeadlessDefaults("kithtale-test-runtime");
    const bool child = argc == 4 && std::strcmp(argv[1], "--walk-child") == 0;
    // The walks replayed in this process keep their earlier versions and safety copies in a
    // fresh folder, never in one that another run (or the user) fills; a child is given its own.
    const auto dataHome = child ? nullptr : std::make_unique<QTemporaryDir>();
    if (dataHome) {
        if (!dataHome->isValid())
            return 1;
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome->path()));
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    kt::ui::installProgramStyle();

    if (child) {
        std::ifstream in(argv[2]);
        std::stringstream steps;
        steps << in.rdbuf();
        std::FILE* trace = std::fopen(argv[3], "w");
        if (!trace)
            return 2;
        const kt::walk::Outcome outcome =
            kt::walk::walkSteps(kt::walk::readSteps(steps.str()), [trace](const std::string& line) {
                std::fputs(line.c_str(), trace);
                std::fflush(trace);
            });
        std::string failure = outcome.failure;
        for (char& c : failure)
            if (c == '\n')
                c = ' ';
        std::fprintf(trace, "restarts\t%d\n", outcome.restarts);
        if (!failure.empty())
            std::fprintf(trace, "failure\t%s\n", failure.c_str());
        std::fclose(trace);
        return failure.empty() ? 0 : 3;
    }

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
