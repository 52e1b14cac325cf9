// Writes the program icon as PNG files, one per size, from the same drawing the windows use.
// Usage: icon_export OUTPUT_DIR SIZE...
#include "system/headless.h"
#include "windows/common/artwork.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    kt::system::useHeadlessDefaults("kithtale-icon-runtime");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: icon_export OUTPUT_DIR SIZE...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString path = dir + QStringLiteral("/kithtale-%1.png").arg(size);
        if (size <= 0 || !kt::windows::artwork::iconPixmap(size).toImage().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
