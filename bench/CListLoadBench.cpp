#include "CListLoadBench.h"

#include "CBenchReport.h"

#include "CListPacker.h"
#include "CSnapshotStore.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>

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
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return double(line.mid(6).trimmed().split(' ').value(0).toLongLong()) * 1024 / 1e6;
    }
    return -1;
}

} // namespace

const CListLoadBench::Sizes CListLoadBench::FullSizes{90, 1000000, 2};
const CListLoadBench::Sizes CListLoadBench::QuickSizes{5, 3000, 1};

CListLoadBench::CListLoadBench(CBenchReport &report, const QString &root, const QString &rankd, const Sizes &sizes)
    : m_report(report)
    , m_root(root)
    , m_rankd(rankd)
    , m_sizes(sizes)
{
}

QString CListLoadBench::writeDay(const QString &folder, int back) const
{
    // Names drift by a few per cent a day, as in the real lists, so the
    // window holds more names than one list.
    const qint64 names = qint64(m_sizes.rows) * 5 / 4;
    const qint64 drift = qint64(m_sizes.rows) / 50 + 1;
    QByteArray text;
    text.reserve(qsizetype(m_sizes.rows) * 24);
    for (int rank = 1; rank <= m_sizes.rows; ++rank) {
        const qint64 id = (qint64(rank) * 7 + qint64(back) * drift) % names;
        text += QByteArray::number(rank) + ",site" + QByteArray::number(id) + ".example\r\n";
    }
    const QString date = QDate::currentDate().addDays(-back).toString(Qt::ISODate);
    const bool zip = back % 2 == 0;
    const QString name = QStringLiteral("tranco-") + date + (zip ? QStringLiteral(".csv.zip") : QStringLiteral(".csv.gz"));
    QFile file(QDir(folder).filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(zip ? CListPacker::zip(QStringLiteral("top-1m.csv"), text) : CListPacker::gzip(text));
    return name;
}

void CListLoadBench::run()
{
    const QString folder = m_root + QStringLiteral("/published-lists");
    QDir().mkpath(folder);
    QElapsedTimer clock;
    clock.start();
    // Day 0 is held back for the update.
    for (int back = 1; back <= m_sizes.days; ++back)
        writeDay(folder, back);
    CBenchReport::say(QStringLiteral("generated %1 compressed daily lists of %2 rows (zip and gzip) in %3 ms")
            .arg(m_sizes.days)
            .arg(m_sizes.rows)
            .arg(clock.elapsed()));
    benchServiceLoad(folder);
    benchAddDay(folder);
}

void CListLoadBench::benchServiceLoad(const QString &folder)
{
    const QString name = QStringLiteral("compressed_load_%1x%2").arg(m_sizes.days).arg(sizeLabel(m_sizes.rows));
    QList<double> times;
    QList<double> peaks;
    for (int run = 0; run < m_sizes.runs; ++run) {
        // The real service in a process of its own, so the peak is the load's.
        QProcess service;
        service.setProcessChannelMode(QProcess::SeparateChannels);
        service.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        service.start(m_rankd, {QStringLiteral("--data"), folder, QStringLiteral("--port"), QStringLiteral("0"),
                                QStringLiteral("--max-age"), QStringLiteral("0")});
        QByteArray output;
        while (!output.contains("\nready: ") && service.waitForReadyRead(600000))
            output += service.readAllStandardOutput();
        if (!output.contains("\nready: ")) {
            CBenchReport::say(QStringLiteral("  sorvane-rankd did not start: %1").arg(service.errorString()));
            service.kill();
            service.waitForFinished(10000);
            continue;
        }
        times.append(CBenchReport::msOf(clock));
        peaks.append(peakMb(service.processId()));
        if (run == 0)
            CBenchReport::say(QStringLiteral("  %1").arg(QString::fromUtf8(output.mid(output.indexOf("\nloaded ") + 1)).section(u'\n', 0, 0)));
        service.terminate();
        service.waitForFinished(10000);
    }
    m_report.goal(name, times, QStringLiteral("ms"), CBenchReport::Bound::AtMost, 15000);
    m_report.goal(name + QStringLiteral("_peak"), peaks, QStringLiteral("MB"), CBenchReport::Bound::AtMost, 600);
}

void CListLoadBench::benchAddDay(const QString &folder)
{
    QList<double> times;
    QList<double> fullLoads;
    int reread = 0;
    for (int run = 0; run < m_sizes.runs; ++run) {
        QFile::remove(QDir(folder).filePath(writeDay(folder, 0)));
        CSnapshotStore store;
        QElapsedTimer load;
        load.start();
        store.load(folder);
        fullLoads.append(CBenchReport::msOf(load));
        const QString added = writeDay(folder, 0);
        QElapsedTimer clock;
        clock.start();
        const CSnapshotStore::Report report = store.addNewer(folder);
        times.append(CBenchReport::msOf(clock));
        reread = report.filesReread;
        if (report.days != 1)
            CBenchReport::say(QStringLiteral("  the update added %1 days").arg(report.days));
        QFile::remove(QDir(folder).filePath(added));
    }
    CBenchReport::say(QStringLiteral("  adding a day read it and %1 held lists leaving a period").arg(reread));
    m_report.figure(QStringLiteral("store_load_%1x%2").arg(m_sizes.days).arg(sizeLabel(m_sizes.rows)), fullLoads,
                    QStringLiteral("ms"));
    m_report.goal(QStringLiteral("add_one_day_%1").arg(sizeLabel(m_sizes.rows)), times, QStringLiteral("ms"),
                  CBenchReport::Bound::AtMost, 5000);
}
