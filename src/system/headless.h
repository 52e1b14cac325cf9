#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace kt::system {

// For tests and command-line tools that need a GUI application but no display: the offscreen
// platform unless another one is asked for, and a private runtime folder when there is none
// (without one the toolkit warns on stderr, and some of its start-up checks abort).
// Call before the application object is made. Header-only, so the lowest layers can use it.
inline void useHeadlessDefaults(const char* runtimeName = "kithtale-runtime") {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::tempPath() + QLatin1Char('/') + QString::fromLatin1(runtimeName);
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
    }
}

} // namespace kt::system
