#include "rankservice/store/CReplacingFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CReplacingFile::CReplacingFile(const QString &path)
    : m_path(QFile::encodeName(path))
    , m_temporary(m_path + ".XXXXXX")
{
}

CReplacingFile::~CReplacingFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.constData());
    }
}

QString CReplacingFile::kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("a symbolic link");
    if (S_ISFIFO(mode))
        return QStringLiteral("a pipe");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return S_ISREG(mode) ? QStringLiteral("a regular file") : QStringLiteral("no regular file");
}

QString CReplacingFile::systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

CResult<void> CReplacingFile::open(mode_t mode)
{
    struct stat st;
    if (::lstat(m_path.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return CResult<void>::failure(QStringLiteral("%1 is %2, not a regular file; left as it is")
                                          .arg(QFile::decodeName(m_path), kindOf(st.st_mode)));
    m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0)
        return CResult<void>::failure(QStringLiteral("cannot create %1: %2")
                                          .arg(QFile::decodeName(m_temporary), systemError(errno)));
    // mkostemp makes it the owner's alone.
    ::fchmod(m_fd, mode);
    return CResult<void>::success();
}

void CReplacingFile::write(const void *data, size_t size)
{
    // In pieces: a single write of hundreds of MB may come back short.
    const char *p = static_cast<const char *>(data);
    for (size_t done = 0; m_error == 0 && done < size;) {
        const ssize_t step = ::write(m_fd, p + done, std::min<size_t>(size - done, size_t(64) << 20));
        if (step < 0 && errno == EINTR)
            continue;
        if (step <= 0)
            m_error = step < 0 ? errno : ENOSPC;
        else
            done += size_t(step);
    }
    m_written += qint64(size);
}

CResult<void> CReplacingFile::commit(Sync sync)
{
    if (m_error == 0 && sync == Sync::Now && ::fsync(m_fd) != 0)
        m_error = errno;
    if (m_error == 0 && ::close(std::exchange(m_fd, -1)) != 0)
        m_error = errno;
    if (m_error == 0 && ::rename(m_temporary.constData(), m_path.constData()) != 0)
        m_error = errno;
    if (m_error == 0)
        return CResult<void>::success();
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    ::unlink(m_temporary.constData());
    return CResult<void>::failure(QStringLiteral("cannot write %1: %2").arg(QFile::decodeName(m_path), systemError(m_error)));
}
