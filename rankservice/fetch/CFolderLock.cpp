#include "rankservice/fetch/CFolderLock.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CFolderLock::~CFolderLock()
{
    release();
}

void CFolderLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd); // also lets the lock go
    m_fd = -1;
}

CResult<void> CFolderLock::take(const QString &folder, std::chrono::milliseconds wait,
                                const std::function<bool(std::chrono::milliseconds)> &sleep)
{
    release();
    const QString path = QDir(folder).filePath(FileName);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                          0600);
    if (fd < 0)
        return CResult<void>::failure(QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    // Polled rather than blocking, so that a holder that never lets go costs
    // a refusal after wait, not the caller.
    constexpr std::chrono::milliseconds Step{100};
    for (std::chrono::milliseconds waited{0};; waited += Step) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return CResult<void>::success();
        }
        if (errno != EWOULDBLOCK || waited >= wait) {
            const int error = errno;
            ::close(fd);
            return CResult<void>::failure(
                error == EWOULDBLOCK
                    ? QStringLiteral("another update of %1 is under way (it holds %2)").arg(folder, FileName)
                    : QStringLiteral("cannot lock %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
        }
        if (!sleep) {
            QThread::msleep(quint64(Step.count()));
        } else if (!sleep(Step)) {
            ::close(fd);
            return CResult<void>::failure(QStringLiteral("interrupted while another update of %1 was under way").arg(folder));
        }
    }
}
