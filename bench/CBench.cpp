#include "CBench.h"

#include "CBenchData.h"
#include "CBenchReport.h"
#include "CAlertBench.h"
#include "CBackfillBench.h"
#include "CChartBench.h"
#include "CCruxBench.h"
#include "CFetchLoop.h"
#include "CHistoryBench.h"
#include "CListLoadBench.h"
#include "CLoadClient.h"
#include "CQuietPrompts.h"
#include "CRankdProcess.h"
#include "CServeBench.h"

#include "CAlexaRankData.h"
#include "CAlexaSocket.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CWidgetHelper.h"
#include "MainWindow.h"
#include "protocol/CSiteInfoRequest.h"
#include "RankPageParser.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QGuiApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <ctime>
#include <memory>

const CBench::Sizes CBench::FullSizes{
    .runs = 5,
    .history = 100000,
    .historyDomains = 50,
    .bigHistory = 1000000,
    .bigHistoryDomains = 500,
    .bigRuns = 5,
    .hugeHistory = 10000000,
    .hugeHistoryDomains = 5000,
    .hugeRuns = 3,
    .clearSmallRows = 25000,
    .queryDomains = 1000,
    .snapshotDays = 90,
    .snapshotRows = 100000,
    .loadConnections = 50,
    .loadRequestsPerConnection = 200,
    .pageChars = 100 * 1024,
    .parserRepeats = 400,
};
const CBench::Sizes CBench::QuickSizes{
    .runs = 5,
    .history = 5000,
    .historyDomains = 50,
    .bigHistory = 20000,
    .bigHistoryDomains = 500,
    .bigRuns = 1,
    .hugeHistory = 50000,
    .hugeHistoryDomains = 500,
    .hugeRuns = 1,
    .clearSmallRows = 1250,
    .queryDomains = 100,
    .snapshotDays = 5,
    .snapshotRows = 3000,
    .loadConnections = 50,
    .loadRequestsPerConnection = 10,
    .pageChars = 100 * 1024,
    .parserRepeats = 20,
};

namespace {

// Peak resident memory of this process so far.
qint64 peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// CPU time of the calling thread: the GUI thread's own work in a run.
double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

QString dataFolderOf(const QString &home)
{
    return home + QStringLiteral("/.qorvex/Sorvane");
}

QString makeHome(const QString &root, const QString &name, const QByteArray &history, const QByteArray &domains)
{
    const QString home = root + u'/' + name;
    QDir().mkpath(dataFolderOf(home));
    CBenchData::writeFile(dataFolderOf(home) + QStringLiteral("/db.dat"), history);
    CBenchData::writeFile(dataFolderOf(home) + QStringLiteral("/domains.dat"), domains);
    return home;
}

// Construct, show, one turn of the event loop: what the user waits for.
std::unique_ptr<MainWindow> openWindow(const CSettings &settings, double *ms)
{
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<MainWindow>(nullptr, settings, std::make_shared<CQuietPrompts>());
    window->show();
    QCoreApplication::processEvents();
    if (ms)
        *ms = CBenchReport::msOf(clock);
    return window;
}

// One pass of the bare loop over requests: its pages a second and this
// thread's CPU per page, in microseconds.
struct BareRun
{
    double rate = 0;
    double cpuPerPage = 0;
};

BareRun runBareLoop(quint16 port, const QList<QByteArray> &requests)
{
    CFetchLoop bare(port, requests, MainWindow::SocketCount);
    const double cpuBefore = threadCpuSeconds();
    const CFetchLoop::Result result = bare.run(120000);
    BareRun run;
    run.cpuPerPage = (threadCpuSeconds() - cpuBefore) * 1e6 / double(requests.size());
    if (result.failures > 0 || result.timedOut)
        CBenchReport::say(QStringLiteral("  bare loop: %1 failures%2")
                              .arg(result.failures)
                              .arg(result.timedOut ? QStringLiteral(", timed out") : QString()));
    run.rate = double(requests.size()) / (double(result.elapsedNs) / 1e9);
    return run;
}

} // namespace

int CBench::runStartupChild(const QString &home)
{
    double ms = 0;
    auto window = openWindow(CSettings::forHome(home), &ms);
    const qint64 kb = peakKb();
    CBenchReport::say(QStringLiteral("startup-child %1 %2 %3").arg(ms, 0, 'f', 1).arg(kb).arg(window->history().size()));
    window.reset();
    return 0;
}

CBench::CBench(const Sizes &sizes, const QString &rankd, const QStringList &only)
    : s(sizes)
    , m_rankd(rankd)
    , m_only(only)
{
}

CBench::~CBench() = default;

int CBench::run()
{
    if (!m_root.isValid()) {
        CBenchReport::say(QStringLiteral("cannot create a temporary folder"));
        return 2;
    }
    QElapsedTimer total;
    total.start();
    CBenchReport::say(QStringLiteral("sorvane_bench: data in %1, %2 runs per figure, platform %3")
            .arg(m_root.path())
            .arg(s.runs)
            .arg(QGuiApplication::platformName()));
    m_lastDay = QDate::currentDate().addDays(-1);
    prepareHistories();

    if (wanted(u"files"))
        benchFiles();
    if (wanted(u"startup"))
        benchStartup();
    if (wanted(u"views"))
        benchViews();
    if (wanted(u"clear"))
        benchClear();
    if (wanted(u"startup_1m"))
        benchBigStartup(s.bigHistory, s.bigHistoryDomains, s.bigRuns, 1000, 250);
    if (wanted(u"startup_10m"))
        benchBigStartup(s.hugeHistory, s.hugeHistoryDomains, s.hugeRuns, 10000, 2500);
    if (wanted(u"parser"))
        benchParser();
    if (wanted(u"chart"))
        CChartBench(m_report, s.runs, s.bigHistory, s.bigHistoryDomains, m_lastDay, s.bigHistory < 1000000).run();
    if (wanted(u"history"))
        CHistoryBench(m_report, m_root.path(), s.bigRuns, s.bigHistory, s.bigHistoryDomains, m_lastDay).run();
    if (wanted(u"service") || wanted(u"query") || wanted(u"latency") || wanted(u"pastdays") || wanted(u"flood"))
        benchService();
    // The million-row lists take minutes to generate; the quick pass uses small ones.
    const bool quickPass = s.snapshotRows == QuickSizes.snapshotRows;
    if (wanted(u"backfill"))
        CBackfillBench(m_report, m_root.path(), m_rankd, quickPass ? CBackfillBench::QuickSizes : CBackfillBench::FullSizes)
            .run();
    if (wanted(u"alerts"))
        CAlertBench(m_report, m_root.path(), s.runs, quickPass ? 20000 : 1000000).run();
    if (wanted(u"crux"))
        CCruxBench(m_report, m_root.path(), s.runs, quickPass ? 20000 : 1000000).run();
    if (wanted(u"lists")) {
        CListLoadBench(m_report, m_root.path(), m_rankd,
                       quickPass ? CListLoadBench::QuickSizes : CListLoadBench::FullSizes).run();
    } else if (m_only.contains(QStringLiteral("pastdays_lists"))) {
        CListLoadBench(m_report, m_root.path(), m_rankd,
                       quickPass ? CListLoadBench::QuickSizes : CListLoadBench::FullSizes).runPastDays();
    }
    if (wanted(u"year")) {
        CListLoadBench(m_report, m_root.path(), m_rankd,
                       quickPass ? CListLoadBench::YearQuickSizes : CListLoadBench::YearSizes).runYear();
    }

    CBenchReport::say(QStringLiteral("%1 of %2 goals met in %3 s")
            .arg(m_report.goals() - m_report.missed())
            .arg(m_report.goals())
            .arg(double(total.elapsed()) / 1000, 0, 'f', 1));
    if (m_report.missed() > 0)
        CBenchReport::say(QStringLiteral("missed: %1").arg(m_report.missedNames().join(QStringLiteral(", "))));
    return m_report.missed() > 0 ? 1 : 0;
}

bool CBench::wanted(QStringView name) const
{
    return m_only.isEmpty() || m_only.contains(name.toString());
}

QString CBench::label(const char *base, int count) const
{
    const QString size = count >= 1000000 && count % 1000000 == 0 ? QStringLiteral("%1m").arg(count / 1000000)
                         : count >= 1000 && count % 1000 == 0   ? QStringLiteral("%1k").arg(count / 1000)
                                                                : QString::number(count);
    return QString::fromLatin1(base).arg(size);
}

void CBench::prepareHistories()
{
    QElapsedTimer clock;
    clock.start();
    QStringList domains;
    for (int d = 0; d < s.historyDomains; ++d)
        domains.append(CBenchData::domainName(CBenchData::HistoryDomainBase + d));
    m_history = CBenchData::history(s.history, s.historyDomains, m_lastDay);
    m_home = makeHome(m_root.path(), QStringLiteral("home"), m_history, CBenchData::domainList(domains));
    CBenchReport::say(QStringLiteral("generated a history of %1 records over %2 domains (%3 MB) in %4 ms")
            .arg(s.history)
            .arg(s.historyDomains)
            .arg(double(m_history.size()) / 1e6, 0, 'f', 1)
            .arg(clock.elapsed()));
}

void CBench::benchFiles()
{
    const QString path = dataFolderOf(m_home) + QStringLiteral("/db.dat");
    const QString copy = m_root.path() + QStringLiteral("/saved-db.dat");
    QList<double> load;
    QList<double> save;
    QList<CAlexaRankData> history;
    for (int run = 0; run < s.runs; ++run) {
        history.clear();
        CDomainDateList dates;
        QElapsedTimer clock;
        clock.start();
        CDataStore::loadHistory(path, history, dates);
        load.append(CBenchReport::msOf(clock));
    }
    for (int run = 0; run < s.runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        CDataStore::saveHistory(copy, history);
        save.append(CBenchReport::msOf(clock));
    }
    if (history.size() != s.history)
        CBenchReport::say(QStringLiteral("  load read %1 records, not %2").arg(history.size()).arg(s.history));
    QFile saved(copy);
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != m_history)
        CBenchReport::say(QStringLiteral("  the saved history differs from the file loaded"));
    m_report.goal(label("load_history_%1", s.history), load, QStringLiteral("ms"), Bound::AtMost, 150);
    m_report.goal(label("save_history_%1", s.history), save, QStringLiteral("ms"), Bound::AtMost, 150);
}

void CBench::benchStartup()
{
    QList<double> times;
    for (int run = 0; run < s.runs; ++run) {
        double ms = 0;
        auto window = openWindow(CSettings::forHome(m_home), &ms);
        times.append(ms);
    }
    m_report.goal(label("startup_%1", s.history), times, QStringLiteral("ms"), Bound::AtMost, 1500);
}

// Clicks and domain changes as the user makes them, each followed by the
// event-loop turn that paints the new rows.
void CBench::benchViews()
{
    auto window = openWindow(CSettings::forHome(m_home), nullptr);
    auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("treeYearMonth"));
    auto *combo = window->findChild<QComboBox *>(QStringLiteral("cbDomain"));
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("tblRankData"));
    const int months = tree->topLevelItemCount();
    const auto click = [&](QTreeWidgetItem *item) {
        QElapsedTimer clock;
        clock.start();
        tree->setCurrentItem(item);
        window->onTreeViewLogClick(item, 0);
        QCoreApplication::processEvents();
        return CBenchReport::msOf(clock);
    };

    QList<double> monthClicks;
    int monthRows = 0;
    for (int run = 0; run < s.runs + 2; ++run) {
        // Alternating between months in the middle of the history.
        QTreeWidgetItem *month = tree->topLevelItem(months / 2 - 1 + run % 2);
        monthClicks.append(click(month));
        monthRows = table->rowCount();
    }
    QList<double> dayClicks;
    int dayRows = 0;
    QTreeWidgetItem *month = tree->topLevelItem(months / 2);
    for (int run = 0; run < s.runs + 2; ++run) {
        dayClicks.append(click(month->child(10 + run)));
        dayRows = table->rowCount();
    }
    click(month);
    QList<double> domainChanges;
    int domainRows = 0;
    for (int run = 0; run < s.runs + 2; ++run) {
        QElapsedTimer clock;
        clock.start();
        combo->setCurrentIndex(run % 2 == 0 ? 1 + run : 0);
        QCoreApplication::processEvents();
        domainChanges.append(CBenchReport::msOf(clock));
        if (run % 2 == 0)
            domainRows = table->rowCount();
    }
    CBenchReport::say(QStringLiteral("  views show %1 rows for a month, %2 for a day, %3 for one domain's month")
            .arg(monthRows)
            .arg(dayRows)
            .arg(domainRows));
    m_report.goal(label("month_click_%1", s.history), monthClicks, QStringLiteral("ms"), Bound::AtMost, 20);
    m_report.goal(label("day_click_%1", s.history), dayClicks, QStringLiteral("ms"), Bound::AtMost, 50);
    m_report.goal(label("domain_change_%1", s.history), domainChanges, QStringLiteral("ms"), Bound::AtMost,
                  50);
}

void CBench::benchClear()
{
    auto window = openWindow(CSettings::forHome(m_home), nullptr);
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("tblRankData"));
    const QList<CAlexaRankData> history = window->history();
    CWidgetHelper helper;
    const auto measure = [&](int rows, QList<double> *fills) {
        const QList<CAlexaRankData> records = history.mid(0, rows);
        QList<double> clears;
        for (int run = 0; run < s.runs; ++run) {
            helper.clearTable(table);
            QCoreApplication::processEvents();
            QElapsedTimer fill;
            fill.start();
            helper.appendRows(table, records);
            QCoreApplication::processEvents();
            if (fills)
                fills->append(CBenchReport::msOf(fill));
            QElapsedTimer clock;
            clock.start();
            helper.clearTable(table);
            QCoreApplication::processEvents();
            clears.append(CBenchReport::msOf(clock));
        }
        return clears;
    };
    QList<double> fills;
    const QList<double> large = measure(s.history, &fills);
    const QList<double> small = measure(s.clearSmallRows, nullptr);
    m_report.figure(label("table_fill_%1", s.history), fills, QStringLiteral("ms"));
    m_report.goal(label("clear_table_%1", s.history), large, QStringLiteral("ms"), Bound::AtMost, 50);
    // Cost per row at the large size over cost per row at the small one:
    // 1 when linear, the ratio of the sizes when it grows with the square.
    const double growth = (CBenchReport::median(large) / s.history)
                          / (CBenchReport::median(small) / s.clearSmallRows);
    m_report.goal(QStringLiteral("clear_table_per_row"), growth, QString(), Bound::AtMost, 2.0,
                  QStringLiteral("[per-row cost at %1 rows / at %2 rows; %3 if it grew with the square]")
                      .arg(s.history)
                      .arg(s.clearSmallRows)
                      .arg(double(s.history) / s.clearSmallRows));
}

void CBench::benchBigStartup(int records, int domainCount, int runs, double goalMs, double goalMB)
{
    QElapsedTimer clock;
    clock.start();
    QStringList domains;
    for (int d = 0; d < domainCount; ++d)
        domains.append(CBenchData::domainName(CBenchData::HistoryDomainBase + d));
    const QString home = makeHome(m_root.path(), label("home-%1", records),
                                  CBenchData::history(records, domainCount, m_lastDay),
                                  CBenchData::domainList(domains));
    CBenchReport::say(QStringLiteral("generated a history of %1 records over %2 domains in %3 ms")
            .arg(records)
            .arg(domainCount)
            .arg(clock.elapsed()));
    QList<double> times;
    QList<double> peaks;
    for (int run = 0; run < runs; ++run) {
        // A process of its own, so that its peak memory is its alone.
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup-child"), home});
        if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit
            || child.exitCode() != 0) {
            CBenchReport::say(QStringLiteral("  start-up child failed: %1").arg(child.errorString()));
            continue;
        }
        const QStringList fields =
            QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u'\n').last().split(u' ');
        if (fields.size() < 4 || fields.at(0) != u"startup-child") {
            CBenchReport::say(QStringLiteral("  start-up child gave no figures"));
            continue;
        }
        times.append(fields.at(1).toDouble());
        peaks.append(fields.at(2).toDouble() * 1024 / 1e6);
        if (fields.at(3).toInt() != records)
            CBenchReport::say(QStringLiteral("  start-up child loaded %1 records").arg(fields.at(3)));
    }
    QDir(home).removeRecursively();
    m_report.goal(label("startup_%1", records), times, QStringLiteral("ms"), Bound::AtMost, goalMs);
    m_report.goal(label("startup_%1_peak", records), peaks, QStringLiteral("MB"), Bound::AtMost, goalMB);
}

void CBench::benchParser()
{
    const QString domain = CBenchData::domainName(123);
    const QString page = CBenchData::siteInfoPage(domain, s.pageChars);
    for (const bool rankMode : {true, false}) {
        const CAlexaRankData check = parseRankPage(page, domain, rankMode);
        const QString expected = rankMode ? QStringLiteral("1234560") : QStringLiteral("0.0123%");
        if (check.globalRank() != u"1234567" || check.usRank() != u"98765" || check.yesterday() != expected)
            CBenchReport::say(QStringLiteral("  the parser read %1 from the page").arg(check.toString()));
        QList<double> rates;
        for (int run = 0; run < s.runs + 2; ++run) {
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < s.parserRepeats; ++i)
                m_parsedChars += parseRankPage(page, domain, rankMode).yesterday().size();
            const double seconds = double(clock.nsecsElapsed()) / 1e9;
            rates.append(double(page.size()) * s.parserRepeats / seconds / 1e6);
        }
        m_report.goal(rankMode ? QStringLiteral("parser_rank_mode") : QStringLiteral("parser_reach_mode"),
                      rates, QStringLiteral("MB/s"), Bound::AtLeast, 200);
    }
}

void CBench::benchService()
{
    QElapsedTimer clock;
    clock.start();
    const QString folder = m_root.path() + QStringLiteral("/lists");
    const QStringList queryDomains =
        CBenchData::writeSnapshots(folder, s.snapshotDays, s.snapshotRows, m_lastDay, s.queryDomains);
    CBenchReport::say(QStringLiteral("generated %1 daily lists of %2 rows in %3 ms")
            .arg(s.snapshotDays)
            .arg(s.snapshotRows)
            .arg(clock.elapsed()));

    if (wanted(u"service")) {
        QList<double> loads;
        for (int run = 0; run < s.runs; ++run) {
            CSnapshotStore store;
            QElapsedTimer load;
            load.start();
            const CSnapshotStore::Report report = store.load(folder);
            loads.append(CBenchReport::msOf(load));
            if (run == 0)
                CBenchReport::say(QStringLiteral("  %1").arg(report.summary()));
        }
        m_report.goal(QStringLiteral("service_load_%1x%2").arg(s.snapshotDays).arg(label("%1", s.snapshotRows)),
                      loads, QStringLiteral("ms"), Bound::AtMost, 5000);
    }

    CRankdProcess service(m_rankd);
    const CResult<quint16> started = service.start(folder, 120000);
    if (!started) {
        CBenchReport::say(QStringLiteral("  %1").arg(started.message()));
        m_report.goal(QStringLiteral("service_start"), 0, QString(), Bound::AtLeast, 1, started.message());
        return;
    }
    CBenchReport::say(QStringLiteral("  sorvane-rankd on port %1: %2").arg(service.port()).arg(service.loadSummary()));

    if (wanted(u"query"))
        benchQueryRun(service.port(), queryDomains);
    if (wanted(u"latency"))
        benchLatency(service, queryDomains);

    const bool quickPass = s.snapshotRows == QuickSizes.snapshotRows;
    CServeBench serve(m_report, service, QStringLiteral("%1x%2").arg(s.snapshotDays).arg(label("%1", s.snapshotRows)),
                      quickPass ? 1 : 3);
    if (wanted(u"pastdays")) {
        QList<QDate> days;
        for (int back = 1; back < s.snapshotDays; ++back)
            days.append(m_lastDay.addDays(-back));
        QList<QByteArray> names;
        for (const QString &domain : queryDomains)
            names.append(domain.toLatin1());
        serve.benchPastDays(days, names, quickPass ? 1 : 3);
    }
    if (wanted(u"flood"))
        serve.benchFlood(queryDomains.value(0).toLatin1(), quickPass ? 1 : 3);
}

void CBench::benchQueryRun(quint16 port, const QStringList &domains)
{
    QList<QByteArray> requests;
    for (const QString &domain : domains)
        requests.append(CFetchLoop::request(CSiteInfoRequest::pagePath(domain).toLatin1()));

    const QString home = makeHome(m_root.path(), QStringLiteral("home-query"), m_history,
                                  CBenchData::domainList(domains));
    const QString historyPath = dataFolderOf(home) + QStringLiteral("/db.dat");
    CSettings settings = CSettings::forHome(home);
    settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(port)).value();

    QList<double> sorvaneRates;
    QList<double> bareRates;
    QList<double> withSaveRates;
    QList<double> guiCpu;
    QList<double> bareCpu;
    int failed = 0;
    // Single pairs swing with how the two processes share the cores; more
    // pairs than elsewhere keep the median steady.
    for (int run = 0; run < s.runs + 4; ++run) {
        // The bare loop and Sorvane alternate, so both see the same machine.
        const BareRun bare = runBareLoop(port, requests);
        bareRates.append(bare.rate);
        bareCpu.append(bare.cpuPerPage);

        CBenchData::writeFile(historyPath, m_history);
        auto window = openWindow(settings, nullptr);
        qsizetype taken = 0;
        QEventLoop loop;
        for (int i = 0; i < MainWindow::SocketCount; ++i) {
            // Connected after the window's own slot, so this runs once the
            // window has taken the result in.
            QObject::connect(window->socket(i), &CAlexaSocket::rankProfile, &loop,
                             [&](const CAlexaRankData &record, int) {
                                 if (record.globalRank() == u"NA")
                                     ++failed;
                                 if (++taken == domains.size())
                                     loop.quit();
                             });
            // A failed fetch is reported apart and stores nothing.
            QObject::connect(window->socket(i), &CAlexaSocket::fetchFailed, &loop, [&] {
                ++failed;
                if (++taken == domains.size())
                    loop.quit();
            });
        }
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(300000);
        auto *button = window->findChild<QPushButton *>(QStringLiteral("btnManualQuery"));
        auto *table = window->findChild<QTableWidget *>(QStringLiteral("tblRankData"));
        auto *status = window->findChild<QTextEdit *>(QStringLiteral("txtStatus"));
        QElapsedTimer clock;
        // The last result is taken in with the last change to the table
        // or the status text; the save of the whole history that ends a
        // run follows it and is shown on a line of its own.
        qint64 lastChangeNs = 0;
        const auto noteChange = [&] { lastChangeNs = clock.nsecsElapsed(); };
        QObject::connect(table->model(), &QAbstractItemModel::rowsInserted, &loop, noteChange);
        QObject::connect(status->document(), &QTextDocument::contentsChanged, &loop, noteChange);
        const double cpuBefore = threadCpuSeconds();
        clock.start();
        button->click();
        if (taken < domains.size())
            loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        guiCpu.append((threadCpuSeconds() - cpuBefore) * 1e6 / double(domains.size()));
        if (taken < domains.size()) {
            CBenchReport::say(QStringLiteral("  query run: only %1 of %2 results").arg(taken).arg(domains.size()));
        } else {
            sorvaneRates.append(double(domains.size()) / (double(lastChangeNs) / 1e9));
            withSaveRates.append(double(domains.size()) / seconds);
        }
        if (window->history().size() != s.history + domains.size())
            CBenchReport::say(QStringLiteral("  query run: history holds %1 records").arg(window->history().size()));
    }
    if (failed > 0)
        CBenchReport::say(QStringLiteral("  query run: %1 results without figures").arg(failed));
    m_report.figure(label("bare_fetch_%1", int(domains.size())), bareRates, QStringLiteral("domains/s"));
    m_report.figure(QStringLiteral("bare_fetch_cpu_per_page"), bareCpu, QStringLiteral("us"));
    m_report.figure(QStringLiteral("query_run_cpu_per_result"), guiCpu, QStringLiteral("us"));
    m_report.figure(label("query_run_%1_with_save", int(domains.size())), withSaveRates,
                    QStringLiteral("domains/s"));
    m_report.goal(label("query_run_%1", int(domains.size())), sorvaneRates, QStringLiteral("domains/s"),
                  Bound::AtLeast, 500);
    QList<double> ratios;
    for (qsizetype i = 0; i < qMin(sorvaneRates.size(), bareRates.size()); ++i)
        ratios.append(sorvaneRates.at(i) / bareRates.at(i));
    m_report.goal(QStringLiteral("query_run_vs_bare"), ratios, QString(), Bound::AtLeast, 0.8);
}

void CBench::benchLatency(const CRankdProcess &service, const QStringList &domains)
{
    const quint16 port = service.port();
    QList<QByteArray> requests;
    const int total = s.loadConnections * s.loadRequestsPerConnection;
    for (int i = 0; i < total; ++i)
        requests.append(CFetchLoop::request(CSiteInfoRequest::pagePath(domains.at(i % domains.size())).toLatin1()));
    // 50 connections, each asking every 5 ms: a steady 10,000 pages a second.
    constexpr double SteadyRate = 10000;
    QList<double> steadyLatencies;
    QList<double> saturated;
    QList<double> rates;
    QList<double> serviceCpu;
    for (int run = 0; run < s.runs; ++run) {
        CLoadClient steadyLoad(port, requests, s.loadConnections);
        steadyLoad.setRate(SteadyRate);
        const CFetchLoop::Result steady = steadyLoad.run(120000);
        reportFailures(steady);
        steadyLatencies.append(steady.meanLatencyMs());

        // Every connection asking again as soon as it is answered: the mean
        // is then the queue the client itself fills, 50 / pages per second.
        const CLoadClient load(port, requests, s.loadConnections);
        const double cpuBefore = service.cpuSeconds();
        const CFetchLoop::Result result = load.run(120000);
        serviceCpu.append((service.cpuSeconds() - cpuBefore) * 1e6 / double(qMax<size_t>(1, result.latenciesNs.size())));
        reportFailures(result);
        saturated.append(result.meanLatencyMs());
        rates.append(double(result.latenciesNs.size()) / (double(result.elapsedNs) / 1e9));
    }
    // The same pages one at a time: the answer time without any queue.
    QList<double> alone;
    for (int run = 0; run < s.runs; ++run) {
        const CLoadClient single(port, requests.mid(0, qMin<qsizetype>(requests.size(), 1000)), 1);
        alone.append(single.run(120000).meanLatencyMs());
    }
    m_report.figure(QStringLiteral("service_latency_1conn"), alone, QStringLiteral("ms"));
    m_report.figure(QStringLiteral("service_pages_per_s"), rates, QStringLiteral("pages/s"));
    m_report.figure(QStringLiteral("service_cpu_per_page"), serviceCpu, QStringLiteral("us"));
    m_report.figure(QStringLiteral("service_latency_%1conn_saturated").arg(s.loadConnections), saturated,
                    QStringLiteral("ms"));
    m_report.goal(QStringLiteral("service_latency_%1conn").arg(s.loadConnections), steadyLatencies,
                  QStringLiteral("ms"), Bound::AtMost, 1.0);
}

void CBench::reportFailures(const CFetchLoop::Result &result)
{
    if (result.failures > 0 || result.timedOut)
        CBenchReport::say(QStringLiteral("  load: %1 failures%2")
                .arg(result.failures)
                .arg(result.timedOut ? QStringLiteral(", timed out") : QString()));
}
