#include "CHistoryBench.h"

#include "CBenchData.h"
#include "CBenchReport.h"
#include "CProcessMemory.h"

#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CHistoryMerge.h"
#include "io/CHistoryExporter.h"
#include "io/CHistoryFilter.h"
#include "io/CHistoryImporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace {

constexpr double ExportGoalMs = 2000;
constexpr double ImportGoalMs = 5000;
constexpr double MemoryGoalRatio = 2.0;

QString label(const char *base, int count)
{
    const QString size = count >= 1000000 && count % 1000000 == 0 ? QStringLiteral("%1m").arg(count / 1000000)
                         : count >= 1000 && count % 1000 == 0   ? QStringLiteral("%1k").arg(count / 1000)
                                                                : QString::number(count);
    return QString::fromLatin1(base).arg(size);
}

int childExport(const QStringList &arguments)
{
    if (arguments.size() != 4 || !CHistoryExporter::formatNamed(arguments.at(2)))
        return 2;
    const CHistoryExporter::Format format = CHistoryExporter::formatNamed(arguments.at(2)).value();
    const double start = CProcessMemory::residentMb();
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::loadHistory(arguments.at(1), history, dates);
    const double held = CProcessMemory::residentMb();
    CProcessMemory::resetPeak();
    QElapsedTimer clock;
    clock.start();
    const CResult<qsizetype> written = CHistoryExporter::writeFile(arguments.at(3), history, CHistoryFilter(), format);
    const double ms = CBenchReport::msOf(clock);
    if (!written || written.value() != history.size()) {
        CBenchReport::say(QStringLiteral("  export failed: %1").arg(written.message()));
        return 1;
    }
    CBenchReport::say(QStringLiteral("history-child %1 %2 %3").arg(ms).arg(held - start).arg(CProcessMemory::statusMb("VmHWM") - start));
    return 0;
}

int childImport(const QStringList &arguments)
{
    if (arguments.size() != 2)
        return 2;
    const double start = CProcessMemory::residentMb();
    CProcessMemory::resetPeak();
    QElapsedTimer clock;
    clock.start();
    QList<CAlexaRankData> history;
    QList<CAlexaRankData> records;
    const CResult<> read = CHistoryImporter::readFile(arguments.at(1), records);
    if (!read) {
        CBenchReport::say(QStringLiteral("  import failed: %1").arg(read.message()));
        return 1;
    }
    const CHistoryMerge::Counts counts = CHistoryMerge::merge(history, std::move(records));
    const double ms = CBenchReport::msOf(clock);
    const double peak = CProcessMemory::statusMb("VmHWM");
    const double held = CProcessMemory::residentMb();
    CBenchReport::say(QStringLiteral("history-child %1 %2 %3 %4").arg(ms).arg(held - start).arg(peak - start).arg(counts.added));
    return 0;
}

} // namespace

CHistoryBench::CHistoryBench(CBenchReport &report, const QString &root, int runs, int records, int domains,
                             QDate lastDay)
    : m_report(report)
    , m_root(root)
    , m_runs(runs)
    , m_records(records)
    , m_domains(domains)
    , m_lastDay(lastDay)
{
}

int CHistoryBench::runChild(const QStringList &arguments)
{
    if (arguments.value(0) == u"export")
        return childExport(arguments);
    if (arguments.value(0) == u"import")
        return childImport(arguments);
    return 2;
}

bool CHistoryBench::runChildProcess(const QStringList &arguments, double *ms, double *ratio, double *historyMb)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--history-child")} + arguments);
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        CBenchReport::say(QStringLiteral("  history child failed: %1").arg(QString::fromUtf8(child.readAllStandardOutput())));
        return false;
    }
    const QStringList fields = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u'\n').last().split(u' ');
    if (fields.size() < 4 || fields.at(0) != u"history-child" || fields.at(2).toDouble() <= 0) {
        CBenchReport::say(QStringLiteral("  history child gave no figures"));
        return false;
    }
    *ms = fields.at(1).toDouble();
    *historyMb = fields.at(2).toDouble();
    *ratio = fields.at(3).toDouble() / *historyMb;
    if (fields.size() > 4 && fields.at(4).toInt() != m_records)
        CBenchReport::say(QStringLiteral("  the import added %1 records, not %2").arg(fields.at(4)).arg(m_records));
    return true;
}

void CHistoryBench::measure(const QString &name, const QStringList &arguments, double goalMs)
{
    QList<double> times;
    QList<double> ratios;
    QList<double> memory;
    for (int run = 0; run < m_runs; ++run) {
        double ms = 0;
        double ratio = 0;
        double historyMb = 0;
        if (!runChildProcess(arguments, &ms, &ratio, &historyMb))
            return;
        times.append(ms);
        ratios.append(ratio);
        memory.append(historyMb);
    }
    m_report.goal(name, times, QStringLiteral("ms"), CBenchReport::Bound::AtMost, goalMs);
    m_report.figure(name + QStringLiteral("_history"), memory, QStringLiteral("MB"));
    m_report.goal(name + QStringLiteral("_peak_ratio"), ratios, QString(), CBenchReport::Bound::AtMost, MemoryGoalRatio);
}

void CHistoryBench::run()
{
    const QString db = m_root + QStringLiteral("/history-bench-db.dat");
    if (!CBenchData::writeFile(db, CBenchData::history(m_records, m_domains, m_lastDay))) {
        CBenchReport::say(QStringLiteral("  cannot write %1").arg(db));
        return;
    }
    for (const QString &format : {QStringLiteral("csv"), QStringLiteral("json")}) {
        const QString file = m_root + QStringLiteral("/history-bench.") + format;
        measure(label("export_%1_", m_records) + format, {QStringLiteral("export"), db, format, file}, ExportGoalMs);
        measure(label("import_%1_", m_records) + format, {QStringLiteral("import"), file}, ImportGoalMs);
        QFile::remove(file);
    }
    QFile::remove(db);
}
