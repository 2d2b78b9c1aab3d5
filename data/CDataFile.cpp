#include "CDataFile.h"

#include "CDataFileWriter.h"
#include "CFileCalls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString notRegular(const QString &path, mode_t mode)
{
    const char *kind = S_ISDIR(mode)    ? QT_TRANSLATE_NOOP("CDataFile", "a folder")
                       : S_ISFIFO(mode) ? QT_TRANSLATE_NOOP("CDataFile", "a named pipe")
                       : S_ISSOCK(mode) ? QT_TRANSLATE_NOOP("CDataFile", "a socket")
                       : S_ISCHR(mode) || S_ISBLK(mode) ? QT_TRANSLATE_NOOP("CDataFile", "a device")
                                                        : QT_TRANSLATE_NOOP("CDataFile", "not a regular file");
    return QCoreApplication::translate("CDataFile", "%1 is %2, not a data file.")
        .arg(QDir::toNativeSeparators(path), QCoreApplication::translate("CDataFile", kind));
}

QString unreadable(const QString &path, int error)
{
    return QCoreApplication::translate("CDataFile", "%1 could not be read: %2.").arg(QDir::toNativeSeparators(path), reason(error));
}

QString unwritable(const QString &path, int error)
{
    return QCoreApplication::translate("CDataFile", "%1 could not be written: %2.").arg(QDir::toNativeSeparators(path), reason(error));
}

QString danglingLink(const QString &path)
{
    return QCoreApplication::translate("CDataFile", "%1 is a link to %2, which does not exist.")
        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(QFileInfo(path).symLinkTarget()));
}

} // namespace

CResult<QByteArray> CDataFile::read(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat before{};
    if (::stat(name.constData(), &before) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) { // no such file, or no such folder
            // A link to nothing may point at a disk not mounted yet: saving
            // would put a new file in the link's place or behind it.
            struct stat link{};
            if (::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode))
                return CResult<QByteArray>::failure(danglingLink(path));
            return CResult<QByteArray>::success(QByteArray());
        }
        return CResult<QByteArray>::failure(unreadable(path, errno));
    }
    if (!S_ISREG(before.st_mode))
        return CResult<QByteArray>::failure(notRegular(path, before.st_mode));

    const CFileCalls &calls = CFileCalls::current();
    // Non-blocking, in case a FIFO took the file's place since the check.
    const int fd = calls.open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (fd < 0)
        return CResult<QByteArray>::failure(unreadable(path, errno));
    auto fail = [&](const QString &message) {
        calls.close(fd);
        return CResult<QByteArray>::failure(message);
    };
    struct stat opened{};
    if (::fstat(fd, &opened) != 0)
        return fail(unreadable(path, errno));
    if (!S_ISREG(opened.st_mode))
        return fail(notRegular(path, opened.st_mode));

    QByteArray contents;
    contents.reserve(qsizetype(opened.st_size));
    constexpr qsizetype chunk = 1 << 20;
    for (;;) {
        const qsizetype used = contents.size();
        contents.resize(used + chunk);
        const ssize_t got = calls.read(fd, contents.data() + used, size_t(chunk));
        if (got < 0) {
            if (errno == EINTR) {
                contents.resize(used);
                continue;
            }
            return fail(unreadable(path, errno));
        }
        contents.resize(used + got);
        if (got == 0)
            break;
    }
    calls.close(fd);
    return CResult<QByteArray>::success(std::move(contents));
}

CResult<> CDataFile::append(const QString &path, QByteArrayView bytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat before{};
    if (::stat(name.constData(), &before) == 0) {
        if (!S_ISREG(before.st_mode))
            return CResult<>::failure(notRegular(path, before.st_mode));
    } else if (::lstat(name.constData(), &before) == 0 && S_ISLNK(before.st_mode)) {
        // Creating the file would put it wherever the link points, maybe on a disk not mounted yet.
        return CResult<>::failure(danglingLink(path));
    }
    const CFileCalls &calls = CFileCalls::current();
    const int fd = calls.open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0)
        return CResult<>::failure(unwritable(path, errno));
    auto fail = [&](const QString &message) {
        calls.close(fd);
        return CResult<>::failure(message);
    };
    struct stat opened{};
    if (::fstat(fd, &opened) != 0)
        return fail(unwritable(path, errno));
    if (!S_ISREG(opened.st_mode))
        return fail(notRegular(path, opened.st_mode));
    if (const int error = CFileCalls::writeAll(fd, bytes.data(), bytes.size()); error != 0)
        return fail(unwritable(path, error));
    if (calls.fdatasync(fd) != 0)
        return fail(unwritable(path, errno));
    if (calls.close(fd) != 0)
        return CResult<>::failure(unwritable(path, errno));
    return CResult<>::success();
}

QStringList CDataFile::removeLeftovers(const QString &directory, const QStringList &fileNames)
{
    QStringList removed;
    const QDir dir(QDir::fromNativeSeparators(directory));
    auto removeBeside = [&removed](const QDir &folder, const QString &fileName) {
        const QStringList candidates = folder.entryList({u'.' + fileName + QStringLiteral(".*")},
                                                        QDir::Files | QDir::Hidden | QDir::NoSymLinks);
        for (const QString &candidate : candidates) {
            if (CDataFileWriter::isTemporaryOf(candidate, fileName) && QFile::remove(folder.filePath(candidate)))
                removed.append(QDir::toNativeSeparators(folder.filePath(candidate)));
        }
    };
    for (const QString &fileName : fileNames) {
        removeBeside(dir, fileName);
        // A link is saved through: its target's folder holds what a killed save left.
        const QFileInfo file(dir.filePath(fileName));
        if (!file.isSymLink())
            continue;
        const QFileInfo target(file.canonicalFilePath());
        if (target.exists() && target.absoluteDir() != dir)
            removeBeside(target.absoluteDir(), target.fileName());
    }
    return removed;
}
