#include "CDataLock.h"

#include <QCoreApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CDataLock::CDataLock(const QString &dataDirectory, const QString &lockFileName)
    : m_dataDirectory(dataDirectory)
    , m_path(QDir::toNativeSeparators(QDir::fromNativeSeparators(dataDirectory) + u'/' + lockFileName))
{
}

CDataLock::~CDataLock()
{
    release();
}

void CDataLock::release()
{
    if (m_fd >= 0) {
        ::close(m_fd); // lets go of the lock
        m_fd = -1;
    }
}

CDataLock::Result CDataLock::acquire()
{
    if (isHeld())
        return {State::Held, QString(), QString()};
    const QString shown = QDir::toNativeSeparators(m_path);
    auto unusable = [&](const QString &why) {
        const QString reason = QCoreApplication::translate("CDataLock", "the lock file %1 %2").arg(shown, why);
        return Result{State::Unusable,
                      QCoreApplication::translate("CDataLock", "Sorvane could not lock its data folder %1: %2.\n"
                                                                "The window opens read-only: nothing will be saved in this session.")
                          .arg(QDir::toNativeSeparators(m_dataDirectory), reason),
                      reason};
    };
    // Non-blocking, so a FIFO in its place cannot make opening wait; never
    // through a link, which would let the lock's owner text overwrite
    // whatever file the link points at.
    const int fd = ::open(QFile::encodeName(m_path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int error = errno;
        if (error == EISDIR)
            return unusable(QCoreApplication::translate("CDataLock", "is a folder"));
        if (error == ELOOP)
            return unusable(QCoreApplication::translate("CDataLock", "is a symbolic link, which is never followed"));
        return unusable(QCoreApplication::translate("CDataLock", "cannot be created (%1)").arg(QString::fromLocal8Bit(std::strerror(error))));
    }
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return unusable(QCoreApplication::translate("CDataLock", "is not a regular file"));
    }
    // Another user who can open the file can hold a lock on it and so keep
    // Sorvane away: one of our own left readable by an older version is closed.
    if (info.st_uid == ::geteuid() && (info.st_mode & 077) != 0)
        ::fchmod(fd, 0600);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            // Whoever holds it may be a window, a query run or any other
            // program: the lock does not tell.
            const QString reason = QCoreApplication::translate("CDataLock", "another process holds the lock file %1").arg(shown);
            return {State::Busy,
                    QCoreApplication::translate("CDataLock", "Another process is using the data folder %1: another Sorvane "
                                                              "window or query run, or a program that holds its lock file.\n"
                                                              "This window will close without reading or writing its files.\n"
                                                              "(The lock file is %2.)")
                        .arg(QDir::toNativeSeparators(m_dataDirectory), shown),
                    reason};
        }
        return unusable(QCoreApplication::translate("CDataLock", "cannot be locked (%1)").arg(QString::fromLocal8Bit(std::strerror(error))));
    }
    m_fd = fd;
    // Who holds it, for a person looking at the folder; the lock itself is
    // the flock, so a failure to write this changes nothing. A file of
    // another user is locked but left as it is.
    if (info.st_uid != ::geteuid())
        return {State::Held, QString(), QString()};
    const QByteArray owner = QByteArray::number(qint64(::getpid())) + "\nsorvane\n" + QSysInfo::machineHostName().toUtf8() + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, owner.constData(), size_t(owner.size()), 0);
    }
    return {State::Held, QString(), QString()};
}
