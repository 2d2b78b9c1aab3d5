#include "rankservice/crux/CCruxMonths.h"

#include "rankservice/crux/CCruxList.h"
#include "rankservice/crux/CCruxMonthsCache.h"
#include "rankservice/crux/CCruxOrigins.h"

#include "rankservice/lists/CListSource.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

QDate firstOf(const QDate &day)
{
    return QDate(day.year(), day.month(), 1);
}

} // namespace

CResult<qint64> CCruxMonths::check(const QString &path)
{
    CCruxMonths months;
    const CResult<qint64> added = months.add(QDate(2000, 1, 1), path, CCruxOrigins());
    return added ? CResult<qint64>::success(months.m_ids.size()) : added;
}

QDate CCruxMonths::oldestNeeded(const QDate &today, int days)
{
    return firstOf(today.addDays(-qMax(0, days - 1))).addMonths(-MonthsBack);
}

CCruxMonths::Report CCruxMonths::load(const QString &folder, const QDate &today, int days)
{
    *this = CCruxMonths();
    Report report;
    const QDate oldest = oldestNeeded(today, days);
    const QDir dir(folder);
    QStringList paths;
    qint64 listBytes = 0;
    for (const QFileInfo &file : dir.entryInfoList(QDir::Files, QDir::Name | QDir::Reversed)) {
        const QDate month = CListSource::monthOfFile(file.fileName());
        if (month.isValid() && month >= oldest && month <= today) {
            paths << file.filePath();
            listBytes += file.size();
        }
    }
    const QString cachePath = dir.filePath(CCruxMonthsCache::FileName);
    const QByteArray print = CCruxMonthsCache::fingerprint(paths);
    // The cache holds a byte per name a month and the names once: never
    // near 16 times the gzipped lists they came from.
    const CCruxMonthsCache::Read cached = CCruxMonthsCache::read(cachePath, print, 16 * listBytes + (1 << 20), *this);
    if (cached.outcome == CCruxMonthsCache::Outcome::Used) {
        report.fromCache = true;
        report.months = monthsHeld();
        for (const Month &month : m_months)
            report.origins += month.origins;
        return report;
    }
    if (cached.outcome == CCruxMonthsCache::Outcome::Damaged)
        report.problems << CCruxMonthsCache::FileName + QStringLiteral(": not used, ") + cached.why;
    const CCruxOrigins origins;
    bool allRead = true;
    for (const QString &path : paths) {
        const CResult<qint64> added = add(CListSource::monthOfFile(QFileInfo(path).fileName()), path, origins);
        if (!added) {
            report.problems << QFileInfo(path).fileName() + QStringLiteral(": skipped, ") + added.message();
            allRead = false;
            continue;
        }
        ++report.months;
        report.origins += added.value();
    }
    if (allRead && !paths.isEmpty()) {
        if (const QString unwritten = CCruxMonthsCache::write(cachePath, print, *this); !unwritten.isEmpty())
            report.problems << CCruxMonthsCache::FileName + QStringLiteral(": not written, ") + unwritten;
    }
    return report;
}

template<typename Reading>
CResult<qint64> CCruxMonths::fold(const QDate &month, const CCruxOrigins &origins, const Reading &read)
{
    Month folded{firstOf(month), 0, {}};
    folded.codes.reserve(size_t(m_ids.size()));
    const auto take = [this, &folded](const Pending &pending) {
        for (int k = 0; k < pending.keys.count; ++k) {
            const size_t id = size_t(m_ids.insert(pending.keys.keys[size_t(k)], pending.hashes[size_t(k)]));
            if (id >= folded.codes.size())
                folded.codes.resize(std::max(id + 1, folded.codes.size() * 3 / 2), 0);
            quint8 &held = folded.codes[id];
            if (held == 0 || pending.code < held)
                held = quint8(pending.code);
        }
    };
    // Each origin waits a few rows while its slots in the index are fetched:
    // looked up at once, nearly every one waited on memory.
    std::vector<Pending> ring(PendingRows);
    size_t queued = 0;
    const auto row = [this, &origins, &ring, &queued, &take](QByteArrayView host, int code) {
        Pending &pending = ring[queued++ % PendingRows];
        if (queued > PendingRows)
            take(pending);
        origins.keysOf(host, pending.keys);
        pending.code = code;
        for (int k = 0; k < pending.keys.count; ++k) {
            pending.hashes[size_t(k)] = CDomainIndex::hashOf(pending.keys.keys[size_t(k)]);
            m_ids.prefetch(pending.hashes[size_t(k)]);
        }
    };
    const CResult<CCruxList::Counts> counts = read(row);
    // Names a refused list numbered stay numbered: no month ranks them.
    if (!counts)
        return CResult<qint64>::failure(counts.message());
    for (size_t i = queued > PendingRows ? queued - PendingRows : 0; i < queued; ++i)
        take(ring[i % PendingRows]);
    folded.origins = counts.value().rows;
    folded.codes.resize(size_t(m_ids.size()), 0);
    folded.codes.shrink_to_fit();
    m_months.erase(std::remove_if(m_months.begin(), m_months.end(),
                                  [&folded](const Month &m) { return m.first == folded.first; }),
                   m_months.end());
    const auto place = std::find_if(m_months.begin(), m_months.end(),
                                    [&folded](const Month &m) { return m.first < folded.first; });
    m_months.insert(place, std::move(folded));
    return CResult<qint64>::success(counts.value().rows);
}

CResult<qint64> CCruxMonths::add(const QDate &month, const QString &path, const CCruxOrigins &origins)
{
    return fold(month, origins, [&path](const CCruxList::Row &row) { return CCruxList::read(path, row); });
}

CResult<qint64> CCruxMonths::addText(const QDate &month, QByteArrayView text, const CCruxOrigins &origins)
{
    return fold(month, origins, [text](const CCruxList::Row &row) { return CCruxList::parse(text, row); });
}

const CCruxMonths::Month *CCruxMonths::held(const QDate &first) const
{
    const auto it = std::find_if(m_months.begin(), m_months.end(), [&first](const Month &m) { return m.first == first; });
    return it == m_months.end() ? nullptr : &*it;
}

int CCruxMonths::bucketOn(QStringView name, const QDate &day, QDate *month) const
{
    if (month)
        *month = QDate();
    if (!day.isValid())
        return 0;
    const Month *from = nullptr;
    for (int back = 0; back <= MonthsBack && !from; ++back)
        from = held(firstOf(day).addMonths(-back));
    if (!from)
        return 0;
    if (month)
        *month = from->first;
    const int id = m_ids.find(CSnapshotStore::normalized(name.toLatin1()));
    if (id == CDomainIndex::NotFound || size_t(id) >= from->codes.size())
        return 0;
    return CCruxList::bucketOf(from->codes[size_t(id)]);
}

qint64 CCruxMonths::originsOf(const QDate &month) const
{
    const Month *m = held(firstOf(month));
    return m ? m->origins : 0;
}

QString CCruxMonths::Report::summary(const QString &what) const
{
    return QStringLiteral("%1: %2 months, %3 origins%4")
        .arg(what)
        .arg(months)
        .arg(origins)
        .arg(fromCache ? QStringLiteral(" (from the cache)") : QString());
}
