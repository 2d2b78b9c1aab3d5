#include "CBackfillBench.h"

#include "CBenchData.h"
#include "CQuietPrompts.h"
#include "MainWindow.h"
#include "config/CSettings.h"
#include "headless/CHeadlessQuery.h"
#include "CRankdProcess.h"
#include "run/CRunSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

const CBackfillBench::Sizes CBackfillBench::FullSizes{
    .runs = 3,
    .days = 365,
    .domains = 50,
    .listDays = 365,
    .listRows = 20000,
    .history = 100000,
};
const CBackfillBench::Sizes CBackfillBench::QuickSizes{
    .runs = 1,
    .days = 30,
    .domains = 5,
    .listDays = 10,
    .listRows = 2000,
    .history = 5000,
};

namespace {

QString dataFolderOf(const QString &home)
{
    return home + QStringLiteral("/.qorvex/Sorvane");
}

// A home whose list is the domains and whose history holds records of others.
QString makeHome(const QString &root, const QStringList &domains, const QByteArray &history)
{
    const QString home = root + QStringLiteral("/home-backfill");
    QDir().mkpath(dataFolderOf(home));
    CBenchData::writeFile(dataFolderOf(home) + QStringLiteral("/domains.dat"), CBenchData::domainList(domains));
    CBenchData::writeFile(dataFolderOf(home) + QStringLiteral("/db.dat"), history);
    return home;
}

} // namespace

CBackfillBench::CBackfillBench(CBenchReport &report, QString root, QString rankd, const Sizes &sizes)
    : m_report(report)
    , m_root(std::move(root))
    , m_rankd(std::move(rankd))
    , s(sizes)
    , m_lastDay(QDate::currentDate().addDays(-1))
{
}

void CBackfillBench::run()
{
    const QString folder = m_root + QStringLiteral("/lists-backfill");
    QDir().mkpath(folder);
    const QStringList domains = CBenchData::writeSnapshots(folder, s.listDays, s.listRows, m_lastDay, s.domains);
    CRankdProcess service(m_rankd);
    // Every generated list is a held day, so that a year fills a year of records.
    const CResult<quint16> started =
        service.startWith({QStringLiteral("--data"), folder, QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--days"), QString::number(s.listDays)},
                          120000);
    if (!started) {
        m_report.goal(QStringLiteral("backfill_service_start"), 0, QString(), CBenchReport::Bound::AtLeast, 1,
                      started.message());
        return;
    }
    CBenchReport::say(QStringLiteral("  backfill: %1 days for %2 domains; the service holds %3 lists of %4 rows, "
                                     "older days are answered without a list")
                          .arg(s.days)
                          .arg(domains.size())
                          .arg(s.listDays)
                          .arg(s.listRows));
    benchCommand(service.port(), domains);
    benchWindow(service.port(), domains);
}

void CBackfillBench::benchCommand(quint16 port, const QStringList &domains)
{
    const QString name = QStringLiteral("backfill_command_%1x%2").arg(s.days).arg(domains.size());
    QList<double> times;
    for (int run = 0; run < s.runs; ++run) {
        const QString home = makeHome(m_root, domains, QByteArray());
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CHeadlessQuery::Options options;
        options.dataDirectory = dataFolderOf(home);
        options.service = QStringLiteral("127.0.0.1:%1").arg(port);
        options.backfillDays = s.days;
        QElapsedTimer clock;
        clock.start();
        const CHeadlessQuery::ExitCode code = CHeadlessQuery(options, outStream, errStream).run();
        times.append(CBenchReport::msOf(clock));
        if (run == 0)
            CBenchReport::say(QStringLiteral("  %1: exit %2, %3").arg(name).arg(int(code)).arg(out.section(u'\n', -2, -2)));
        if (!err.isEmpty())
            CBenchReport::say(QStringLiteral("  %1: %2").arg(name, err.section(u'\n', 0, 0)));
    }
    m_report.goal(name, times, QStringLiteral("ms"), CBenchReport::Bound::AtMost, 60000.0 * s.days * s.domains / 18250);
}

CBackfillBench::WindowRun CBackfillBench::runInWindow(quint16 port, const QStringList &domains, bool backfill)
{
    const QString home = makeHome(m_root, domains, CBenchData::history(s.history, 50, m_lastDay));
    CSettings settings = CSettings::forHome(home);
    settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(port)).value();
    MainWindow window(nullptr, settings, std::make_shared<CQuietPrompts>());
    window.show();
    QCoreApplication::processEvents();
    auto *session = window.findChild<CRunSession *>();

    // A timer due every millisecond is late by as long as the step that held the loop.
    QElapsedTimer sinceTick;
    WindowRun measured;
    bool ending = false; // from the end of the fetches to the window showing the run saved
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        const double stepMs = double(sinceTick.nsecsElapsed()) / 1e6;
        measured.longestMs = std::max(measured.longestMs, stepMs);
        if (ending)
            measured.endMs = std::max(measured.endMs, stepMs);
        sinceTick.start();
    });
    // The tick after the merge, or after the last fetch, measures the step that made it.
    QObject::connect(session, &CRunSession::pastDaysMerged, &loop, [&] { ending = true; });
    QObject::connect(session, &CRunSession::fetchesEnded, &loop, [&] { ending = true; });
    // Quit once the window has shown the end of the run.
    QObject::connect(session, &CRunSession::finished, &loop, [&] {
        ending = true;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    const CResult<> started = backfill ? session->startBackfill(s.days, true) : session->start(domains, true);
    if (!started) {
        CBenchReport::say(QStringLiteral("  window run: %1").arg(started.message()));
        return measured;
    }
    loop.exec();
    ticker.stop();
    measured.totalMs = CBenchReport::msOf(clock);
    const double lastStepMs = double(sinceTick.nsecsElapsed()) / 1e6;
    measured.longestMs = std::max(measured.longestMs, lastStepMs);
    measured.endMs = std::max(measured.endMs, lastStepMs);
    measured.records = window.history().size();
    return measured;
}

void CBackfillBench::benchWindow(quint16 port, const QStringList &domains)
{
    for (const bool backfill : {true, false}) {
        QList<double> longest;
        QList<double> ends;
        QList<double> totals;
        for (int run = 0; run < s.runs; ++run) {
            const WindowRun measured = runInWindow(port, domains, backfill);
            if (measured.records == 0)
                return;
            totals.append(measured.totalMs);
            longest.append(measured.longestMs);
            ends.append(measured.endMs);
            if (run == 0)
                CBenchReport::say(QStringLiteral("  window %1: history of %2 records grew to %3")
                                      .arg(backfill ? QStringLiteral("backfill") : QStringLiteral("query run"))
                                      .arg(s.history)
                                      .arg(measured.records));
        }
        const QString name = backfill ? QStringLiteral("backfill_window_%1x%2").arg(s.days).arg(domains.size())
                                      : QStringLiteral("query_window_%1").arg(domains.size());
        m_report.figure(name + QStringLiteral("_total"), totals, QStringLiteral("ms"));
        m_report.goal(name + QStringLiteral("_longest_step_%1").arg(s.history), longest, QStringLiteral("ms"),
                      CBenchReport::Bound::AtMost, 50);
        m_report.figure(name + QStringLiteral("_end_step_%1").arg(s.history), ends, QStringLiteral("ms"));
    }
}
