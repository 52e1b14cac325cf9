// Main for the widget tests: headless by default, so the tests (and gtest's discovery, which
// runs the binary at build time) work with no display.
#include "system/headless.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    kt::system::useHeadlessDefaults("kithtale-test-runtime");
    // The program's data folder (safety copies, earlier versions) is a fresh one per run, never
    // the user's; child processes the tests start inherit it.
    QTemporaryDir dataHome;
    if (!dataHome.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    kt::ui::installProgramStyle();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
