#pragma once

#include <string>

namespace kt::system {

// Asks the system to put what has been written to the file at path, or for a folder the names
// in it, on the disk now, so that it survives a power cut. False, with the system's reason in
// *error (no full stop), when the disk refused. A file system that cannot sync a folder counts
// as done.
bool syncToDisk(const std::string& path, std::string* error);

} // namespace kt::system
