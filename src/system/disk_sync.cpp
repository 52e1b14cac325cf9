#include "system/disk_sync.h"

#include <QtGlobal>

#include <cerrno>
#include <system_error>

#if defined(Q_OS_WIN)
#include <filesystem>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kt::system {

namespace {

bool failed(std::string* error, int code) {
    if (error)
        *error = std::generic_category().message(code);
    return false;
}

} // namespace

#if defined(Q_OS_WIN)

bool syncToDisk(const std::string& path, std::string* error) {
    const std::wstring name = std::filesystem::path(path).wstring();
    if (GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
        return true; // the names in a folder are the file system's own business here
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return failed(error, EACCES);
    const bool flushed = FlushFileBuffers(file);
    CloseHandle(file);
    return flushed || failed(error, EIO);
}

#else

bool syncToDisk(const std::string& path, std::string* error) {
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return failed(error, errno);
    int result;
    do
        result = ::fsync(fd);
    while (result != 0 && errno == EINTR);
    const int code = errno;
    ::close(fd);
    // Some file systems cannot sync a folder, or at all (a pipe, a special file): nothing more
    // can be done there.
    if (result != 0 && code != EINVAL && code != ENOTSUP)
        return failed(error, code);
    return true;
}

#endif

} // namespace kt::system
