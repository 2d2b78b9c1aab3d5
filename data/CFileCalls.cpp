#include "CFileCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

CFileCalls CFileCalls::system()
{
    return CFileCalls{
        [](const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); },
        ::read,
        ::write,
        ::fdatasync,
        ::close,
    };
}

int CFileCalls::writeAll(int fd, const char *data, qsizetype size)
{
    const CFileCalls &calls = current();
    while (size > 0) {
        const ssize_t written = calls.write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written == 0 ? ENOSPC : errno;
        data += written;
        size -= written;
    }
    return 0;
}

CFileCalls &CFileCalls::current()
{
    static CFileCalls calls = system();
    return calls;
}
