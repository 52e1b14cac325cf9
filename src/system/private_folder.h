#pragma once

#include <QString>

namespace kt::system {

// The program's own data folder: the desktop's place for an application's data (under
// XDG_DATA_HOME on Linux), which nothing but this program reads.
QString programDataFolder();

// Makes the folder, and any missing ones above it, and leaves every folder from the program's
// data folder down to it open to the user alone. False, with the reason in *error, when it
// cannot be made.
bool makePrivateFolder(const QString& path, QString* error = nullptr);

} // namespace kt::system
