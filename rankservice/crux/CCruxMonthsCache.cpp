#include "rankservice/crux/CCruxMonthsCache.h"

#include "rankservice/crux/CCruxMonths.h"
#include "rankservice/crux/CCruxOrigins.h"
#include "rankservice/store/CReplacingFile.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView Magic = "SRVMNTH1";
constexpr auto Hash = QCryptographicHash::Md5;
constexpr qsizetype HashBytes = 16;

QByteArray stampOf(const QString &path)
{
    QByteArray stamp;
    QDataStream out(&stamp, QIODevice::WriteOnly);
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        out << path << qint64(st.st_size) << qint64(st.st_mtim.tv_sec) << qint64(st.st_mtim.tv_nsec);
    else
        out << path << qint64(-1);
    return stamp;
}

} // namespace

QByteArray CCruxMonthsCache::fingerprint(const QStringList &paths)
{
    // The suffix list decides which names an origin counts for.
    QByteArray print = stampOf(CCruxOrigins::suffixListFile());
    for (const QString &path : paths)
        print += stampOf(path);
    return print;
}

QString CCruxMonthsCache::write(const QString &path, const QByteArray &fingerprint, const CCruxMonths &months)
{
    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out << fingerprint << months.m_ids.names() << quint32(months.m_months.size());
        for (const CCruxMonths::Month &month : months.m_months) {
            out << qint64(month.first.toJulianDay()) << month.origins
                << QByteArray(reinterpret_cast<const char *>(month.codes.data()), qsizetype(month.codes.size()));
        }
    }
    CReplacingFile file(path);
    if (const CResult<void> opened = file.open(0644); !opened)
        return opened.message();
    const QByteArray sum = QCryptographicHash::hash(body, Hash);
    file.write(Magic.data(), size_t(Magic.size()));
    file.write(body.constData(), size_t(body.size()));
    file.write(sum.constData(), size_t(sum.size()));
    const CResult<void> committed = file.commit();
    return committed ? QString() : committed.message();
}

CCruxMonthsCache::Read CCruxMonthsCache::read(const QString &path, const QByteArray &fingerprint, qint64 most,
                                              CCruxMonths &months)
{
    const auto damaged = [](const QString &why) { return Read{Outcome::Damaged, why}; };
    // Without blocking and only a regular file: a pipe of that name would
    // hold the start forever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return errno == ENOENT ? Read{Outcome::Absent, QStringLiteral("no cache")}
             : errno == ELOOP  ? damaged(QStringLiteral("a symbolic link, never followed"))
                               : damaged(CReplacingFile::systemError(errno));
    QFile file;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return damaged(QStringLiteral("not a regular file"));
    }
    if (st.st_size > most)
        return damaged(QStringLiteral("%1 bytes, more than the months can make").arg(st.st_size));
    if (st.st_size < Magic.size() + HashBytes)
        return damaged(QStringLiteral("cut short"));
    QByteArray whole;
    try {
        whole = file.readAll();
    } catch (const std::bad_alloc &) {
        return damaged(QStringLiteral("beyond memory"));
    }
    if (whole.size() != st.st_size || !whole.startsWith(Magic))
        return damaged(QStringLiteral("not a cache of the months"));
    const QByteArrayView body = QByteArrayView(whole).sliced(Magic.size(), whole.size() - Magic.size() - HashBytes);
    if (QCryptographicHash::hash(body, Hash) != QByteArrayView(whole).last(HashBytes))
        return damaged(QStringLiteral("damaged (checksum)"));
    return readBody(QByteArray::fromRawData(body.data(), body.size()), fingerprint, months);
}

CCruxMonthsCache::Read CCruxMonthsCache::readBody(const QByteArray &body, const QByteArray &fingerprint,
                                                  CCruxMonths &months)
{
    const auto damaged = [](const QString &why) { return Read{Outcome::Damaged, QStringLiteral("damaged (%1)").arg(why)}; };
    QDataStream in(body);
    QByteArray print;
    in >> print;
    if (in.status() != QDataStream::Ok)
        return damaged(QStringLiteral("fingerprint"));
    if (print != fingerprint)
        return {Outcome::Stale, QStringLiteral("the months changed")};
    CCruxMonths held;
    QByteArray names;
    quint32 count = 0;
    in >> names >> count;
    if (in.status() != QDataStream::Ok || !held.m_ids.setNames(std::move(names)))
        return damaged(QStringLiteral("names"));
    for (quint32 i = 0; i < count; ++i) {
        qint64 julian = 0;
        qint64 origins = 0;
        QByteArray codes;
        in >> julian >> origins >> codes;
        const QDate first = QDate::fromJulianDay(julian);
        // Newest first, as they are held, each the first of its month.
        if (in.status() != QDataStream::Ok || codes.size() > held.m_ids.size() || origins < 0 || !first.isValid()
            || first.day() != 1 || (!held.m_months.empty() && held.m_months.back().first <= first))
            return damaged(QStringLiteral("month %1").arg(i + 1));
        held.m_months.push_back({first, origins, std::vector<quint8>(codes.cbegin(), codes.cend())});
    }
    if (!in.atEnd())
        return damaged(QStringLiteral("more than its months"));
    months = std::move(held);
    return {Outcome::Used, {}};
}
