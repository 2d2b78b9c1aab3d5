#include "CFileCalls.h"

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

CFileCalls &CFileCalls::current()
{
    static CFileCalls calls = system();
    return calls;
}
