#include "CFileFault.h"

#include <cerrno>
#include <unistd.h>

namespace {

int faultError = 0;
int faultCount = 0;
QByteArray faultPathEnd;
CFileCalls real;

int failingOpen(const char *path, int flags, mode_t mode)
{
    if (QByteArray(path).endsWith(faultPathEnd)) {
        ++faultCount;
        errno = faultError;
        return -1;
    }
    return real.open(path, flags, mode);
}

ssize_t failingRead(int, void *, size_t)
{
    ++faultCount;
    errno = faultError;
    return -1;
}

ssize_t failingWrite(int, const void *, size_t)
{
    ++faultCount;
    errno = faultError;
    return -1;
}

int failingSync(int)
{
    ++faultCount;
    errno = faultError;
    return -1;
}

// The descriptor is closed all the same, as close() does on an error.
int failingClose(int fd)
{
    ++faultCount;
    real.close(fd);
    errno = faultError;
    return -1;
}

} // namespace

CFileFault::CFileFault(Call call, int error, const QByteArray &pathEnd) : m_previous(CFileCalls::current())
{
    real = CFileCalls::system();
    faultError = error;
    faultCount = 0;
    faultPathEnd = pathEnd;
    CFileCalls &calls = CFileCalls::current();
    switch (call) {
    case Call::Open: calls.open = failingOpen; break;
    case Call::Read: calls.read = failingRead; break;
    case Call::Write: calls.write = failingWrite; break;
    case Call::Fdatasync: calls.fdatasync = failingSync; break;
    case Call::Close: calls.close = failingClose; break;
    }
}

CFileFault::~CFileFault()
{
    CFileCalls::current() = m_previous;
}

int CFileFault::failures()
{
    return faultCount;
}
