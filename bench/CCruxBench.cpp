#include "CCruxBench.h"

#include "CBenchReport.h"
#include "CProcessMemory.h"

#include "rankservice/crux/CCruxList.h"
#include "rankservice/crux/CCruxMonths.h"
#include "rankservice/crux/CCruxOrigins.h"
#include "rankservice/lists/CListPacker.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/server/CRankRouter.h"
#include "rankservice/server/CRequestReader.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>

namespace {

constexpr double ReadGoalMs = 2000;
constexpr double HeldGoalMb = 60;
// Beside a year of daily lists (about 430 MB), within the service's 800 MB.
constexpr double YearHeldGoalMb = 250;
// Pages as fast as without the months: the bucket is one look-up more.
constexpr double PageCostGoal = 1.2;

// The shapes origins come in: www and bare names, country suffixes, hosts
// under a registrable domain, http with a port, names under a private suffix.
QByteArray originOf(int i)
{
    const QByteArray n = QByteArray::number(i);
    switch (i % 10) {
    case 6:
        return "https://site" + n + ".co.uk";
    case 7:
        return "https://shop.site" + n + ".com.au";
    case 8:
        return "http://site" + n + ".net:8080";
    case 9:
        return "https://docs.user" + n + ".github.io";
    default:
        return (i % 2 ? "https://www.site" : "https://site") + n + ".com";
    }
}

} // namespace

CCruxBench::CCruxBench(CBenchReport &report, const QString &root, int runs, int origins)
    : m_report(report)
    , m_root(root)
    , m_runs(runs)
    , m_origins(origins)
{
}

QString CCruxBench::writeMonth(const QString &folder, const QDate &month, int back) const
{
    QByteArray text = "origin,rank\n";
    text.reserve(qsizetype(m_origins) * 36);
    const int tail = m_origins / 10;
    const int kept = m_origins - tail;
    size_t bucket = 0;
    for (int i = 0; i < m_origins; ++i) {
        // The i-th origin lies in the smallest bucket that still has room for it.
        while (bucket + 1 < CCruxList::Buckets.size() && i >= CCruxList::Buckets[bucket])
            ++bucket;
        const int id = i < kept ? i : kept + back * tail + (i - kept);
        text += originOf(id) + ',' + QByteArray::number(CCruxList::Buckets[bucket]) + '\n';
    }
    const QString path = QDir(folder).filePath(CListSource::monthFileName(month));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(CListPacker::gzip(text)) < 0)
        return {};
    return path;
}

void CCruxBench::run()
{
    const QString path = writeMonth(m_root, QDate(2026, 11, 1), 0);
    if (path.isEmpty()) {
        CBenchReport::say(QStringLiteral("  crux: cannot write the month"));
        return;
    }
    benchRead(path);
    benchPages(path);
    benchYear();
}

void CCruxBench::benchYear()
{
    // Every month a page of a year of days may take its bucket from.
    constexpr int YearDays = 365;
    const QDate today = CListSource::today();
    const QDate thisMonth(today.year(), today.month(), 1);
    QTemporaryDir folder;
    int written = 0;
    for (QDate month = thisMonth.addMonths(-1); month >= CCruxMonths::oldestNeeded(today, YearDays);
         month = month.addMonths(-1)) {
        if (!folder.isValid() || writeMonth(folder.path(), month, written++).isEmpty()) {
            CBenchReport::say(QStringLiteral("  crux: cannot write the year's months"));
            return;
        }
    }
    QList<double> times;
    QList<double> held;
    for (int run = 0; run < qMin(m_runs, 3); ++run) {
        malloc_trim(0); // the run before's months, freed, are not counted as held
        const double start = CProcessMemory::residentMb();
        CCruxMonths months;
        QElapsedTimer clock;
        clock.start();
        const CCruxMonths::Report report = months.load(folder.path(), today, YearDays);
        times.append(CBenchReport::msOf(clock));
        held.append(CProcessMemory::residentMb() - start);
        if (report.months != written || !report.problems.isEmpty()) {
            CBenchReport::say(QStringLiteral("  crux: the year read wrong: %1 of %2 months; %3")
                                  .arg(report.months)
                                  .arg(written)
                                  .arg(report.problems.join(QStringLiteral("; "))));
            return;
        }
    }
    CBenchReport::say(QStringLiteral("  crux: a year of days takes %1 months, a tenth of each month's origins new").arg(written));
    m_report.figure(QStringLiteral("crux_year_read_%1").arg(sizeLabel()), times, QStringLiteral("ms"));
    m_report.goal(QStringLiteral("crux_year_held_%1").arg(sizeLabel()), held, QStringLiteral("MB"),
                  CBenchReport::Bound::AtMost, YearHeldGoalMb);
}

void CCruxBench::benchRead(const QString &path)
{
    const CCruxOrigins origins;
    QList<double> times;
    QList<double> held;
    QList<double> peaks;
    for (int run = 0; run < m_runs; ++run) {
        const double start = CProcessMemory::residentMb();
        CProcessMemory::resetPeak();
        CCruxMonths months;
        QElapsedTimer clock;
        clock.start();
        const CResult<qint64> added = months.add(QDate(2026, 11, 1), path, origins);
        times.append(CBenchReport::msOf(clock));
        peaks.append(CProcessMemory::statusMb("VmHWM") - start);
        held.append(CProcessMemory::residentMb() - start);
        if (!added || added.value() != m_origins) {
            CBenchReport::say(QStringLiteral("  crux: the month read wrong: %1").arg(added.message()));
            return;
        }
    }
    m_report.goal(QStringLiteral("crux_month_read_%1").arg(sizeLabel()), times, QStringLiteral("ms"),
                  CBenchReport::Bound::AtMost, ReadGoalMs);
    m_report.goal(QStringLiteral("crux_month_held_%1").arg(sizeLabel()), held, QStringLiteral("MB"),
                  CBenchReport::Bound::AtMost, HeldGoalMb);
    m_report.figure(QStringLiteral("crux_month_peak_%1").arg(sizeLabel()), peaks, QStringLiteral("MB"));
}

void CCruxBench::benchPages(const QString &path)
{
    // A daily list of the same names, so that every page has figures of both.
    QTemporaryDir lists;
    QFile day(lists.filePath(QStringLiteral("2026-12-01.csv")));
    if (!lists.isValid() || !day.open(QIODevice::WriteOnly))
        return;
    for (int i = 0; i < m_origins; i += 10)
        day.write(QByteArray(QByteArray::number(i + 1) + ',' + CCruxOrigins::hostOf(originOf(i)).toByteArray() + '\n'));
    day.close();
    CSnapshotStore store;
    store.load(lists.path());
    CCruxMonths months;
    if (!months.add(QDate::currentDate().addMonths(-1), path, CCruxOrigins()))
        return;
    CRankRouter plain(store);
    CRankRouter withUs(store);
    withUs.setUsMonths(&months, {QStringLiteral("crux-us"), QStringLiteral("Chrome UX Report"), QStringLiteral("CC BY 4.0"), {}});
    const auto timePages = [this](const CRankRouter &router) {
        constexpr int Pages = 20000;
        QElapsedTimer clock;
        clock.start();
        for (int page = 0; page < Pages; ++page) {
            CRequestReader request;
            const QByteArray host = CCruxOrigins::hostOf(originOf((page * 7919) % m_origins)).toByteArray();
            request.feed(QByteArray("GET /siteinfo/" + host + " HTTP/1.0\r\n\r\n"));
            if (router.answer(request).isEmpty())
                return -1.0;
        }
        return CBenchReport::msOf(clock) * 1000 / Pages;
    };
    QList<double> without;
    QList<double> with;
    for (int run = 0; run < m_runs; ++run) {
        without.append(timePages(plain));
        with.append(timePages(withUs));
    }
    m_report.figure(QStringLiteral("crux_page_without_us"), without, QStringLiteral("us"));
    m_report.figure(QStringLiteral("crux_page_with_us"), with, QStringLiteral("us"));
    m_report.goal(QStringLiteral("crux_page_cost_ratio"), CBenchReport::median(with) / CBenchReport::median(without),
                  QString(), CBenchReport::Bound::AtMost, PageCostGoal, QStringLiteral("with the US bucket over without"));
}

QString CCruxBench::sizeLabel() const
{
    return m_origins % 1000000 == 0 ? QStringLiteral("%1m").arg(m_origins / 1000000)
                                    : QStringLiteral("%1k").arg(m_origins / 1000);
}
