#include "system/private_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace kt::system {

QString programDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

bool makePrivateFolder(const QString& path, QString* error) {
    const QString folder = QDir::cleanPath(QDir(path).absolutePath());
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The folder \"%1\" could not be made.").arg(folder);
        return false;
    }
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QString top = QDir::cleanPath(programDataFolder());
    // Only the program's own folders: a folder above them is the desktop's business.
    for (QString f = folder; !f.isEmpty(); f = QFileInfo(f).path()) {
        const bool inside = f == top || f.startsWith(top + QLatin1Char('/'));
        if (f == folder || inside)
            QFile::setPermissions(f, kOwnerOnly);
        if (!inside || f == top || f == QFileInfo(f).path())
            break;
    }
    return true;
}

} // namespace kt::system
