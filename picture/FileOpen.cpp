// The one place the picture's file is opened with the system's own calls.
#include "picture/FileOpen.h"

#if defined(_WIN32)
#include <share.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

std::FILE* OpenForSharedReading(const std::string& native_path) {
#if defined(_WIN32)
    // The path is in the ANSI code page, as fopen takes it.
    return _fsopen(native_path.c_str(), "rb", _SH_DENYWR);
#else
    const int fd = ::open(native_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    // (a file system without locks still reads the file)
    (void)::flock(fd, LOCK_SH | LOCK_NB);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) ::close(fd);
    return file;
#endif
}
