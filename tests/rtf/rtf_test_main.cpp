// Main for the codec tests: a headless GUI application (images and fonts need one), so the
// tests and gtest's discovery at build time run with no display.
#include "system/headless.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    kt::system::useHeadlessDefaults("kithtale-test-runtime");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
