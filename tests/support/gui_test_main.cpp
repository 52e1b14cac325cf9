// Main for the widget tests: headless by default, so the tests (and gtest's discovery, which
// runs the binary at build time) work with no display.
#include "system/headless.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    kt::system::useHeadlessDefaults("kithtale-test-runtime");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    kt::ui::installProgramStyle();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
