#include "CDataFileWriter.h"

#include "CFileCalls.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

constexpr QLatin1StringView temporarySuffix(".tmp");

} // namespace

QByteArray CDataFileWriter::temporaryTemplate(const QString &path)
{
    const QFileInfo info(path);
    return QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX") + temporarySuffix);
}

bool CDataFileWriter::isTemporaryOf(const QString &candidate, const QString &fileName)
{
    // mkostemps() fills the six places with letters and digits.
    const qsizetype random = 6;
    const QString prefix = u'.' + fileName + u'.';
    if (candidate.size() != prefix.size() + random + temporarySuffix.size() || !candidate.startsWith(prefix)
        || !candidate.endsWith(temporarySuffix))
        return false;
    const QStringView middle = QStringView(candidate).sliced(prefix.size(), random);
    return std::all_of(middle.begin(), middle.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
}

CDataFileWriter::CDataFileWriter(QString path) : m_path(std::move(path)) {}

CDataFileWriter::~CDataFileWriter()
{
    discard();
}

CResult<> CDataFileWriter::fail(const char *step)
{
    const int error = errno;
    discard();
    return CResult<>::failure(QCoreApplication::translate("CDataFileWriter", "%1 failed: %2")
                                  .arg(QLatin1String(step), QString::fromLocal8Bit(std::strerror(error))));
}

void CDataFileWriter::discard()
{
    if (m_fd >= 0) {
        CFileCalls::current().close(m_fd);
        m_fd = -1;
    }
    if (!m_temporaryPath.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporaryPath).constData());
        m_temporaryPath.clear();
    }
}

CResult<> CDataFileWriter::open()
{
    discard();
    // A link is written through: the new contents replace its target, in
    // the target's folder, and the link stays as the user made it.
    const QFileInfo info(m_path);
    if (info.isSymLink() && info.exists())
        m_path = info.canonicalFilePath();
    // Only a regular file is replaced: a FIFO, a device or a folder of that
    // name is someone's, and renaming over it would lose it.
    struct stat existing{};
    if (::stat(QFile::encodeName(m_path).constData(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        return CResult<>::failure(
            QCoreApplication::translate("CDataFileWriter", "it is not a regular file, and only a regular file is replaced"));
    }
    QByteArray name = temporaryTemplate(m_path);
    m_fd = ::mkostemps(name.data(), int(temporarySuffix.size()), O_CLOEXEC);
    if (m_fd < 0)
        return fail("creating a temporary file");
    m_temporaryPath = QFile::decodeName(name);
    // The saved file keeps the old one's permissions, or gets the usual ones.
    struct stat old{};
    const mode_t mode = ::stat(QFile::encodeName(m_path).constData(), &old) == 0 ? (old.st_mode & 07777) : newFileMode();
    ::fchmod(m_fd, mode);
    return CResult<>::success();
}

CResult<> CDataFileWriter::write(QByteArrayView bytes)
{
    if (m_fd < 0)
        return CResult<>::failure(QCoreApplication::translate("CDataFileWriter", "the file is not open"));
    if (const int error = CFileCalls::writeAll(m_fd, bytes.data(), bytes.size()); error != 0) {
        errno = error;
        return fail("writing");
    }
    return CResult<>::success();
}

CResult<> CDataFileWriter::commit()
{
    if (m_fd < 0)
        return CResult<>::failure(QCoreApplication::translate("CDataFileWriter", "the file is not open"));
    const CFileCalls &calls = CFileCalls::current();
    // A write the disk could not keep shows only here, or at close on
    // network filesystems: either one means the file is not whole.
    if (calls.fdatasync(m_fd) != 0)
        return fail("writing to disk");
    const int fd = m_fd;
    m_fd = -1;
    if (calls.close(fd) != 0)
        return fail("closing");
    if (::rename(QFile::encodeName(m_temporaryPath).constData(), QFile::encodeName(m_path).constData()) != 0)
        return fail("replacing the file");
    m_temporaryPath.clear();
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return CResult<>::success();
}
