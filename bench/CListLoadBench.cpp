#include "CListLoadBench.h"

#include "CBenchData.h"
#include "CBenchReport.h"
#include "CFetchLoop.h"

#include "CPublisher.h"
#include "CRankdProcess.h"
#include "CServeBench.h"
#include "protocol/CSiteInfoRequest.h"
#include "rankservice/lists/CListPacker.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/store/CDomainIndex.h"
#include "rankservice/store/CIndexFold.h"
#include "rankservice/store/CRankFile.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>
#include <numeric>
#include <vector>

#include <unistd.h>

namespace {

QString sizeLabel(int count)
{
    return count % 1000000 == 0 ? QStringLiteral("%1M").arg(count / 1000000)
         : count % 1000 == 0    ? QStringLiteral("%1k").arg(count / 1000)
                                : QString::number(count);
}

// Peak resident memory of a running process, from its status file.
double peakMb(qint64 pid)
{
    return CRankdProcess::memoryMb(pid, "VmHWM:");
}

// The lists of from, linked (or copied) into the folder to, made if needed.
void linkLists(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList({QStringLiteral("tranco-*")}, QDir::Files)) {
        if (::link(QFile::encodeName(QDir(from).filePath(name)).constData(),
                   QFile::encodeName(QDir(to).filePath(name)).constData()) != 0)
            QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name));
    }
}

} // namespace

const CListLoadBench::Sizes CListLoadBench::FullSizes{90, 1000000, 3, true};
const CListLoadBench::Sizes CListLoadBench::QuickSizes{5, 3000, 1, false};
const CListLoadBench::Sizes CListLoadBench::YearSizes{365, 1000000, 3, false};
const CListLoadBench::Sizes CListLoadBench::YearQuickSizes{365, 3000, 1, false};

CListLoadBench::CListLoadBench(CBenchReport &report, const QString &root, const QString &rankd, const Sizes &sizes)
    : m_report(report)
    , m_root(root)
    , m_rankd(rankd)
    , m_sizes(sizes)
    , m_core(sizes.rows * 3 / 5)
    , m_pool(qint64(sizes.rows) * 52 / 10)
{
}

QByteArray CListLoadBench::dayText(int back) const
{
    // Real lists churn: the top of a list stays from day to day (neighbours
    // trading places), while the tail is drawn afresh from a much larger pool
    // of names, so that the window holds several times the names of one day.
    const int tail = m_sizes.rows - m_core;
    const qint64 step = (m_pool - tail) / qMax(m_sizes.days, 1);
    const qint64 spread = tail % 7919 == 0 ? 1 : 7919; // a bijection of the tail's places
    QByteArray text;
    text.reserve(qsizetype(m_sizes.rows) * 24);
    for (int rank = 1; rank <= m_sizes.rows; ++rank) {
        qint64 id;
        if (rank <= m_core) {
            const qint64 place = rank - 1;
            id = ((place / 2 + back) & 1) ? (place ^ 1) : place;
            if (id >= m_core)
                id = place;
        } else {
            const qint64 k = rank - 1 - m_core;
            id = m_core + (qint64(back) * step + (k * spread) % tail) % m_pool;
        }
        text += QByteArray::number(rank) + ',' + nameOf(id) + "\r\n";
    }
    return text;
}

QByteArray CListLoadBench::nameOf(qint64 id)
{
    static const char *const Tlds[] = {".com", ".net", ".org", ".de", ".co.uk", ".io", ".ru", ".com.br"};
    // Scrambled so that names do not come in the order of their ids.
    const quint32 scrambled = quint32(quint64(id) * 2654435761u);
    return QByteArray::number(scrambled, 36) + Tlds[id % 8];
}

QString CListLoadBench::listName(int back, const QString &suffix) const
{
    return QStringLiteral("tranco-") + CListSource::today().addDays(-back).toString(Qt::ISODate) + suffix;
}

QString CListLoadBench::writeDay(const QString &folder, int back, Packing packing) const
{
    const QByteArray text = dayText(back);
    const bool zip = packing == Packing::Packed && back % 2 == 0;
    const QString name = listName(back, packing == Packing::Plain ? QStringLiteral(".csv")
                                        : zip                     ? QStringLiteral(".csv.zip")
                                                                  : QStringLiteral(".csv.gz"));
    QFile file(QDir(folder).filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(packing == Packing::Plain ? text
                   : zip                     ? CListPacker::zip(QStringLiteral("top-1m.csv"), text)
                                             : CListPacker::gzip(text));
    return name;
}

qint64 CListLoadBench::distinctNames() const
{
    // The core plus every tail place of the days written (1 to days back).
    const int tail = m_sizes.rows - m_core;
    const qint64 step = (m_pool - tail) / qMax(m_sizes.days, 1);
    std::vector<bool> seen(size_t(m_pool + m_core), false);
    qint64 count = m_core;
    for (int back = 1; back <= m_sizes.days; ++back) {
        for (qint64 k = 0; k < tail; ++k) {
            const size_t id = size_t(m_core + (qint64(back) * step + k) % m_pool);
            if (!seen[id]) {
                seen[id] = true;
                ++count;
            }
        }
    }
    return count;
}

bool CListLoadBench::dropPageCache()
{
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    return control.open(QIODevice::WriteOnly) && control.write("1\n") == 2 && control.flush();
}

void CListLoadBench::runPastDays()
{
    const QString plain = m_root + QStringLiteral("/published-lists-plain");
    QDir().mkpath(plain);
    QElapsedTimer clock;
    clock.start();
    for (int back = 1; back <= m_sizes.days; ++back)
        writeDay(plain, back, Packing::Plain);
    CBenchReport::say(QStringLiteral("generated %1 daily lists of %2 rows in %3 ms")
            .arg(m_sizes.days)
            .arg(m_sizes.rows)
            .arg(clock.elapsed()));
    benchPastDays(plain);
}

void CListLoadBench::runYear()
{
    const QString folder = m_root + QStringLiteral("/published-year");
    QDir().mkpath(folder);
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    for (int back = 1; back <= m_sizes.days; ++back)
        bytes += QFileInfo(QDir(folder).filePath(writeDay(folder, back, Packing::Plain))).size();
    CBenchReport::say(QStringLiteral("generated %1 daily lists of %2 rows (%3 MB plain), %4 distinct names, in %5 ms")
            .arg(m_sizes.days)
            .arg(m_sizes.rows)
            .arg(bytes >> 20)
            .arg(distinctNames())
            .arg(clock.elapsed()));
    const QString size = QStringLiteral("%1x%2").arg(m_sizes.days).arg(sizeLabel(m_sizes.rows));
    const QStringList arguments{QStringLiteral("--data"), folder, QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                                QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--max-age"), QStringLiteral("0"),
                                QStringLiteral("--cache-min-rows"), QStringLiteral("0"), QStringLiteral("--days"),
                                QString::number(m_sizes.days)};
    {
        // From the lists once: the days past the newest 90 go to rank files, then the cache is written.
        CRankdProcess service(m_rankd);
        clock.restart();
        const CResult<quint16> port = service.startWith(arguments, 3600000);
        if (!port) {
            CBenchReport::say(QStringLiteral("  year: %1").arg(port.message()));
            QDir(folder).removeRecursively();
            return;
        }
        m_report.figure(QStringLiteral("year_load_from_lists_%1").arg(size), {CBenchReport::msOf(clock)}, QStringLiteral("ms"));
        m_report.figure(QStringLiteral("year_load_peak_%1").arg(size), {service.peakMb()}, QStringLiteral("MB"));
        QByteArray text;
        QElapsedTimer limit;
        limit.start();
        while (!text.contains("cache: ") && !limit.hasExpired(600000)) {
            text += service.newOutput();
            QThread::msleep(100);
        }
        CBenchReport::say(QStringLiteral("  %1 (%2)").arg(service.loadSummary(), QString::fromUtf8(text.trimmed())));
    }
    qint64 rankBytes = 0;
    for (const QFileInfo &file : QDir(QDir(folder).filePath(CRankFile::FolderName)).entryInfoList(QDir::Files))
        rankBytes += file.size();
    CBenchReport::say(QStringLiteral("  rank files: %1 MB, cache: %2 MB")
            .arg(rankBytes >> 20)
            .arg(QFileInfo(QDir(folder).filePath(CSnapshotStore::CacheFileName)).size() >> 20));
    benchYearRestart(arguments, size);

    CRankdProcess service(m_rankd);
    if (const CResult<quint16> port = service.startWith(arguments, 600000); !port) {
        CBenchReport::say(QStringLiteral("  year: %1").arg(port.message()));
        QDir(folder).removeRecursively();
        return;
    }
    m_report.goal(QStringLiteral("served_rss_%1").arg(size), {service.residentMb()}, QStringLiteral("MB"),
                  CBenchReport::Bound::AtMost, 800);
    CBenchReport::say(QStringLiteral("  once ready: %1 MB anonymous, %2 MB of files")
            .arg(service.statusMb("RssAnon:"), 0, 'f', 0)
            .arg(service.statusMb("RssFile:"), 0, 'f', 0));
    // Only days past the newest 90: those in rank files.
    QList<QDate> days;
    for (int back = CSnapshotStore::WindowDays + 2; back <= m_sizes.days; ++back)
        days.append(QDate::currentDate().addDays(-back));
    QList<QByteArray> names;
    for (int i = 0; i < 64; ++i)
        names.append(nameOf(i % 2 == 0 ? qint64(i) * m_core / 64 : m_core + qint64(i) * m_pool / 64));
    CServeBench(m_report, service, size, qMax(m_sizes.runs, 1)).benchPastDays(days, names, m_sizes.rows >= 1000000 ? 3 : 1);
    // Pages of old days read their rank files a few words at a time: the
    // system's page cache holds those, never the service.
    CBenchReport::say(QStringLiteral("  after the old days' pages: %1 MB resident, %2 MB of it files")
            .arg(service.residentMb(), 0, 'f', 0)
            .arg(service.statusMb("RssFile:"), 0, 'f', 0));
    service.stop();
    QDir(folder).removeRecursively();
}

void CListLoadBench::benchYearRestart(const QStringList &arguments, const QString &size)
{
    QList<double> times;
    QList<double> peaks;
    for (int run = 0; run < m_sizes.runs; ++run) {
        CRankdProcess service(m_rankd);
        QElapsedTimer clock;
        clock.start();
        if (const CResult<quint16> port = service.startWith(arguments, 600000); !port) {
            CBenchReport::say(QStringLiteral("  year restart: %1").arg(port.message()));
            continue;
        }
        times.append(CBenchReport::msOf(clock));
        peaks.append(service.peakMb());
        if (run == 0 && !service.loadSummary().contains(QStringLiteral("from the cache")))
            CBenchReport::say(QStringLiteral("  year restart: not from the cache: %1").arg(service.loadSummary()));
    }
    m_report.goal(QStringLiteral("restart_%1").arg(size), times, QStringLiteral("ms"), CBenchReport::Bound::AtMost, 3000);
    m_report.figure(QStringLiteral("restart_%1_peak").arg(size), peaks, QStringLiteral("MB"));
}

void CListLoadBench::run()
{
    const QString plain = m_root + QStringLiteral("/published-lists-plain");
    const QString packed = m_root + QStringLiteral("/published-lists");
    QDir().mkpath(plain);
    QDir().mkpath(packed);
    QElapsedTimer clock;
    clock.start();
    // Day 0 is held back for the update.
    for (int back = 1; back <= m_sizes.days; ++back) {
        writeDay(plain, back, Packing::Plain);
        writeDay(packed, back, Packing::Packed);
    }
    CBenchReport::say(QStringLiteral("generated %1 daily lists of %2 rows, plain and compressed (zip and gzip), "
                                     "%3 distinct names, in %4 ms")
            .arg(m_sizes.days)
            .arg(m_sizes.rows)
            .arg(distinctNames())
            .arg(clock.elapsed()));
    const bool cold = m_sizes.cold && dropPageCache();
    CBenchReport::say(cold            ? QStringLiteral("  the page cache is dropped before each load (cold)")
                      : m_sizes.cold ? QStringLiteral("  the page cache cannot be dropped here: loads read warm files")
                                     : QStringLiteral("  loads read warm files"));
    benchServiceLoad(plain, QStringLiteral("plain_load"), 10000);
    benchRestart(plain);
    benchPastDays(plain);
    benchServiceLoad(packed, QStringLiteral("compressed_load"), 15000);
    benchAddDay(packed);
    benchRefreshWait(packed);
    benchFoldMemory(packed);
    benchIndexInPlace();
}

void CListLoadBench::benchIndexInPlace()
{
    const qint64 names = distinctNames();
    // As many names a day as the lists' tails move on by.
    const qint64 daily = qMin(names, (m_pool - (m_sizes.rows - m_core)) / qMax(m_sizes.days, 1));
    QList<double> inPlace;
    QList<double> blockPass;
    for (int run = 0; run < m_sizes.runs; ++run) {
        CDomainIndex index;
        for (qint64 id = 0; id < names; ++id)
            index.insert(nameOf(id));
        std::vector<quint64> alive((size_t(names) + 63) / 64, ~quint64(0));
        for (qint64 id = 0; id < daily; ++id)
            alive[size_t(id) / 64] &= ~(quint64(1) << (id % 64));
        CDomainIndex added;
        for (qint64 k = 0; k < daily; ++k)
            added.insert(nameOf(names + k));
        std::vector<qint32> ids(static_cast<size_t>(daily));
        std::iota(ids.begin(), ids.end(), 0);
        CIndexFold fold(index, alive, std::move(added), std::move(ids), int(names));
        QElapsedTimer clock;
        clock.start();
        fold.applyTo(index);
        inPlace.append(CBenchReport::msOf(clock));
        std::vector<quint64> all(alive.size(), ~quint64(0));
        QByteArray block = index.blockOf(all);
        clock.restart();
        index.takeBlock(block, all);
        blockPass.append(CBenchReport::msOf(clock));
    }
    CBenchReport::say(QStringLiteral("  the index: %1 names, %2 let go and %3 new a day").arg(names).arg(daily).arg(daily));
    const QString size = sizeLabel(m_sizes.rows);
    m_report.figure(QStringLiteral("fold_index_in_place_%1").arg(size), inPlace, QStringLiteral("ms"));
    m_report.figure(QStringLiteral("fold_index_block_pass_%1").arg(size), blockPass, QStringLiteral("ms"));
}

void CListLoadBench::benchFoldMemory(const QString &folder)
{
    const QString served = m_root + QStringLiteral("/fold-data");
    QDir(served).removeRecursively();
    linkLists(folder, served);
    QList<double> steady;
    QList<double> peaks;
    QList<double> ratios;
    for (int run = 0; run < m_sizes.runs; ++run) {
        for (const QString &suffix : {QStringLiteral(".csv.zip"), QStringLiteral(".csv.gz")})
            QFile::remove(QDir(served).filePath(listName(0, suffix)));
        CRankdProcess service(m_rankd);
        const CResult<quint16> port = service.startWith(
            {QStringLiteral("--data"), served, QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--max-age"),
             QStringLiteral("0"), QStringLiteral("--cache-min-rows"), QStringLiteral("0")},
            600000);
        if (!port) {
            CBenchReport::say(QStringLiteral("  fold: %1").arg(port.message()));
            continue;
        }
        // Once the cache is written (its writing is not the fold's), the
        // peak is counted afresh from the steady memory.
        QByteArray text;
        QElapsedTimer limit;
        limit.start();
        while (!text.contains("cache: ") && !limit.hasExpired(120000)) {
            QThread::msleep(50);
            text += service.newOutput();
        }
        QThread::msleep(500);
        if (!service.resetPeak()) {
            CBenchReport::say(QStringLiteral("  fold: the peak memory cannot be counted afresh here"));
            return;
        }
        const double before = service.residentMb();
        // Today's list appears in the folder whole, renamed into it as a
        // download is, written a while ago.
        const QString staging = m_root + QStringLiteral("/fold-staging");
        QDir().mkpath(staging);
        const QString name = writeDay(staging, 0, Packing::Packed);
        QFile written(QDir(staging).filePath(name));
        if (written.open(QIODevice::ReadWrite))
            written.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
        written.close();
        QFile::rename(QDir(staging).filePath(name), QDir(served).filePath(name));
        while (!text.contains(" new days folded in") && !limit.hasExpired(240000)) {
            QThread::msleep(50);
            text += service.newOutput();
        }
        if (!text.contains("1 new days folded in")) {
            CBenchReport::say(QStringLiteral("  fold: the new day was not folded in: %1").arg(QString::fromUtf8(text.right(600))));
            continue;
        }
        steady.append(before);
        peaks.append(service.peakMb());
        ratios.append(peaks.constLast() / before);
    }
    QDir(served).removeRecursively();
    const QString size = sizeLabel(m_sizes.rows);
    m_report.figure(QStringLiteral("fold_steady_%1").arg(size), steady, QStringLiteral("MB"));
    m_report.figure(QStringLiteral("fold_peak_%1").arg(size), peaks, QStringLiteral("MB"));
    m_report.goal(QStringLiteral("fold_peak_over_steady_%1").arg(size), ratios, QString(), CBenchReport::Bound::AtMost, 1.25);
}

void CListLoadBench::benchRefreshWait(const QString &folder)
{
    // The service fetches for a source into <data>/<source>: the held lists
    // are linked there, and today's list is what the publisher offers.
    const QString data = m_root + QStringLiteral("/refresh-data");
    const QString held = data + QStringLiteral("/tranco");
    QDir(data).removeRecursively();
    linkLists(folder, held);
    const QDate today = CListSource::today();
    CPublisher publisher;
    publisher.routes.insert("/daily_list_id?date=" + today.toString(Qt::ISODate).toLatin1(), {200, "BENCH"});
    publisher.routes.insert("/download_daily/BENCH", {200, CListPacker::zip(QStringLiteral("top-1m.csv"), dayText(0))});

    QList<double> longest;
    QList<double> refreshes;
    for (int run = 0; run < m_sizes.runs; ++run) {
        // Today's list, under whatever name the last run kept it (with its list ID).
        for (const QString &name : QDir(held).entryList({QLatin1Char('*') + today.toString(Qt::ISODate) + QLatin1Char('*')}, QDir::Files))
            QFile::remove(QDir(held).filePath(name));
        CRankdProcess service(m_rankd);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SORVANE_TRANCO_URL"), publisher.base());
        environment.insert(QStringLiteral("SORVANE_CRUX_URL"), publisher.base()); // no month there: never the internet
        service.setEnvironment(environment);
        const CResult<quint16> port = service.startWith(
            {QStringLiteral("--data"), data, QStringLiteral("--source"), QStringLiteral("tranco"),
             QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--max-age"), QStringLiteral("0"),
             QStringLiteral("--cache-min-rows"), QStringLiteral("0"), QStringLiteral("--attempts"), QStringLiteral("1"),
             QStringLiteral("--min-rows"), QStringLiteral("10"), QStringLiteral("--days"), QString::number(m_sizes.days)},
            600000);
        if (!port) {
            CBenchReport::say(QStringLiteral("  refresh: %1").arg(port.message()));
            continue;
        }
        QByteArray text;
        // Pages one after another, from the service's ready line (its cache
        // may still be being written, and the refresh starts after that)
        // until the new day is folded in.
        const QByteArray request = CFetchLoop::request(CSiteInfoRequest::pagePath(CBenchData::domainName(7)).toLatin1());
        double worst = 0;
        QElapsedTimer refresh;
        refresh.start();
        QElapsedTimer limit;
        limit.start();
        while (!text.contains(" new days folded in") && !limit.hasExpired(120000)) {
            QTcpSocket socket;
            QElapsedTimer page;
            page.start();
            socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port.value());
            if (socket.waitForConnected(10000)) {
                socket.write(request);
                while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
                    socket.readAll();
            }
            const double ms = CBenchReport::msOf(page);
            // The publisher answers the service from this thread's event loop.
            QCoreApplication::processEvents();
            text += service.newOutput();
            worst = qMax(worst, ms);
        }
        if (text.contains(" new days folded in")) {
            longest.append(worst);
            refreshes.append(CBenchReport::msOf(refresh));
        } else {
            CBenchReport::say(QStringLiteral("  refresh: the new day was not folded in: %1").arg(QString::fromUtf8(text.right(600))));
        }
    }
    QDir(data).removeRecursively();
    m_report.figure(QStringLiteral("refresh_from_ready_%1").arg(sizeLabel(m_sizes.rows)), refreshes, QStringLiteral("ms"));
    m_report.goal(QStringLiteral("refresh_longest_wait_%1").arg(sizeLabel(m_sizes.rows)), longest, QStringLiteral("ms"),
                  CBenchReport::Bound::AtMost, 50);
}

void CListLoadBench::benchPastDays(const QString &folder)
{
    CRankdProcess service(m_rankd);
    const CResult<quint16> port = service.startWith(
        {QStringLiteral("--data"), folder, QStringLiteral("--address"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
         QStringLiteral("0"), QStringLiteral("--max-age"), QStringLiteral("0"), QStringLiteral("--cache-min-rows"),
         QStringLiteral("0")},
        600000);
    if (!port) {
        CBenchReport::say(QStringLiteral("  past days: %1").arg(port.message()));
        return;
    }
    // What holding every day's ranks costs: the service's memory once ready.
    m_report.figure(QStringLiteral("served_rss_%1").arg(sizeLabel(m_sizes.rows)), {service.residentMb()},
                    QStringLiteral("MB"));
    QList<QDate> days;
    for (int back = 2; back <= m_sizes.days; ++back)
        days.append(QDate::currentDate().addDays(-back));
    // Names of the core and of the tails, ranked on some days and not on others.
    QList<QByteArray> names;
    for (int i = 0; i < 64; ++i)
        names.append(nameOf(i % 2 == 0 ? qint64(i) * m_core / 64 : m_core + qint64(i) * m_pool / 64));
    CServeBench(m_report, service, QStringLiteral("%1x%2").arg(m_sizes.days).arg(sizeLabel(m_sizes.rows)),
                qMax(m_sizes.runs, 1))
        .benchPastDays(days, names, m_sizes.days >= 90 ? 3 : 1);
}

bool CListLoadBench::startService(const QString &folder, bool waitForCache, double *ms, double *peak,
                                  QByteArray *output) const
{
    if (m_sizes.cold)
        dropPageCache();
    // The real service in a process of its own, so the peak is the load's.
    QProcess service;
    service.setProcessChannelMode(QProcess::SeparateChannels);
    service.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    service.start(m_rankd, {QStringLiteral("--data"), folder, QStringLiteral("--port"), QStringLiteral("0"),
                            QStringLiteral("--max-age"), QStringLiteral("0"), QStringLiteral("--cache-min-rows"),
                            QStringLiteral("0")});
    QByteArray &text = *output;
    text.clear();
    while (!text.contains("\nready: ") && service.waitForReadyRead(600000))
        text += service.readAllStandardOutput();
    if (!text.contains("\nready: ")) {
        CBenchReport::say(QStringLiteral("  sorvane-rankd did not start: %1").arg(service.errorString()));
        service.kill();
        service.waitForFinished(10000);
        return false;
    }
    *ms = CBenchReport::msOf(clock);
    *peak = peakMb(service.processId());
    // The cache of the lists is written after the service is ready; let it finish.
    while (waitForCache && !text.contains("\ncache: ") && service.waitForReadyRead(600000))
        text += service.readAllStandardOutput();
    service.terminate();
    service.waitForFinished(10000);
    return true;
}

void CListLoadBench::timeStarts(const QString &folder, bool withoutCache, QList<double> &times,
                                QList<double> &peaks) const
{
    for (int run = 0; run < m_sizes.runs; ++run) {
        if (withoutCache)
            QFile::remove(QDir(folder).filePath(CSnapshotStore::CacheFileName));
        double ms = 0;
        double peak = 0;
        QByteArray output;
        if (!startService(folder, withoutCache, &ms, &peak, &output))
            continue;
        times.append(ms);
        peaks.append(peak);
        if (run == 0)
            CBenchReport::say(QStringLiteral("  %1").arg(QString::fromUtf8(output.mid(output.indexOf("\nloaded ") + 1)).section(u'\n', 0, 0)));
    }
}

void CListLoadBench::benchServiceLoad(const QString &folder, const QString &figure, double goalMs)
{
    const QString name = QStringLiteral("%1_%2x%3").arg(figure).arg(m_sizes.days).arg(sizeLabel(m_sizes.rows));
    QList<double> times;
    QList<double> peaks;
    timeStarts(folder, true, times, peaks);
    m_report.goal(name, times, QStringLiteral("ms"), CBenchReport::Bound::AtMost, goalMs);
    m_report.goal(name + QStringLiteral("_peak"), peaks, QStringLiteral("MB"), CBenchReport::Bound::AtMost, 600);
}

void CListLoadBench::benchRestart(const QString &folder)
{
    // The last load left its cache beside the lists.
    QList<double> times;
    QList<double> peaks;
    timeStarts(folder, false, times, peaks);
    const QString name = QStringLiteral("restart_%1x%2").arg(m_sizes.days).arg(sizeLabel(m_sizes.rows));
    m_report.goal(name, times, QStringLiteral("ms"), CBenchReport::Bound::AtMost, 2000);
    m_report.figure(name + QStringLiteral("_peak"), peaks, QStringLiteral("MB"));
}

void CListLoadBench::benchAddDay(const QString &folder)
{
    QList<double> times;
    QList<double> fullLoads;
    for (int run = 0; run < m_sizes.runs; ++run) {
        QFile::remove(QDir(folder).filePath(writeDay(folder, 0, Packing::Packed)));
        CSnapshotStore store;
        QElapsedTimer load;
        load.start();
        store.load(folder);
        fullLoads.append(CBenchReport::msOf(load));
        const QString added = writeDay(folder, 0, Packing::Packed);
        QElapsedTimer clock;
        clock.start();
        const CSnapshotStore::Report report = store.addNewer(folder);
        times.append(CBenchReport::msOf(clock));
        if (report.days != 1)
            CBenchReport::say(QStringLiteral("  the update added %1 days").arg(report.days));
        QFile::remove(QDir(folder).filePath(added));
    }
    m_report.figure(QStringLiteral("store_load_%1x%2").arg(m_sizes.days).arg(sizeLabel(m_sizes.rows)), fullLoads,
                    QStringLiteral("ms"));
    m_report.goal(QStringLiteral("add_one_day_%1").arg(sizeLabel(m_sizes.rows)), times, QStringLiteral("ms"),
                  CBenchReport::Bound::AtMost, 3000);
}
