#include "CMemoryBudget.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <sys/resource.h>

namespace {

// A field of /proc/meminfo or /proc/self/status, in bytes; -1 if absent.
qint64 procField(const char *path, QByteArrayView key)
{
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    // These are small files that the kernel writes at once.
    const QByteArray text = file.read(64 * 1024);
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith(key))
            continue;
        QByteArray value = line.mid(key.size()).trimmed();
        if (value.endsWith("kB"))
            value.chop(2);
        bool ok = false;
        const qint64 kilobytes = value.trimmed().toLongLong(&ok);
        return ok ? kilobytes * 1024 : -1;
    }
    return -1;
}

} // namespace

qint64 CMemoryBudget::available()
{
    qint64 result = procField("/proc/meminfo", "MemAvailable:");
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const qint64 used = qMax<qint64>(0, procField("/proc/self/status", "VmSize:"));
        const qint64 left = qMax<qint64>(0, qint64(limit.rlim_cur) - used);
        result = result < 0 ? left : qMin(result, left);
    }
    return result;
}

QString CMemoryBudget::sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

CResult<> CMemoryBudget::checkDomainList(const QString &path, qint64 availableBytes)
{
    const QFileInfo info(path);
    if (availableBytes < 0 || !info.isFile())
        return CResult<>::success();
    const qint64 needed = info.size() * DomainListBytesPerFileByte;
    if (needed <= availableBytes)
        return CResult<>::success();
    return CResult<>::failure(
        QCoreApplication::translate("CMemoryBudget", "The domain list %1 is %2 large; reading it needs about %3 of memory, but only %4 is available.")
            .arg(QDir::toNativeSeparators(path), sizeText(info.size()), sizeText(needed), sizeText(availableBytes)));
}

CResult<> CMemoryBudget::checkHistory(const QString &path, qint64 availableBytes)
{
    const QFileInfo info(path);
    if (availableBytes < 0 || !info.isFile())
        return CResult<>::success();
    const qint64 needed = neededFor(info.size());
    if (needed <= availableBytes)
        return CResult<>::success();
    return CResult<>::failure(
        QCoreApplication::translate("CMemoryBudget", "The history %1 is %2 large; loading it needs about %3 of memory, but only %4 is available.\n"
                                                     "Sorvane opens without the history and leaves the file as it is; nothing is saved over it "
                                                     "in this session.\nClose other programs or raise the memory limit and start Sorvane again, "
                                                     "or move the file elsewhere to start a new history.")
            .arg(QDir::toNativeSeparators(path), sizeText(info.size()), sizeText(needed), sizeText(availableBytes)));
}
