#include "CAlexaRankData.h"
#include "CDataLock.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CFileCases.h"
#include "CLoopbackServer.h"
#include "CRankdProcess.h"
#include "CSorvaneCommand.h"
#include "CTempHome.h"
#include "headless/CHeadlessQuery.h"
#include "pageformat/CSiteInfoFormat.h"
#include "rankservice/lists/CSampleGenerator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <map>
#include <unistd.h>

namespace {

using Outcome = CSorvaneCommand::Outcome;

// sorvane with these arguments in the home, against the service, without
// any display: a query run must not need one.
QProcessEnvironment withoutDisplay(const QString &home, const QString &service)
{
    QProcessEnvironment environment = CSorvaneCommand::environment(home);
    if (!service.isNull())
        environment.insert(QStringLiteral("SORVANE_SERVICE"), service);
    return environment;
}

Outcome runSorvane(const QStringList &arguments, const QString &home, const QString &service)
{
    return CSorvaneCommand::run(QStringLiteral(SORVANE_PATH), arguments, withoutDisplay(home, service));
}

QList<CAlexaRankData> storedHistory(const CTempHome &home)
{
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::loadHistory(home.historyPath(), history, dates);
    return history;
}

} // namespace

class tst_QueryCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void everyDomainStored();
    void reachFigures();
    void failedFetchesExitOne_data();
    void failedFetchesExitOne();
    void cannotStart_data();
    void cannotStart();
    void windowHoldsTheDataFolder();
    void fileCases_data();
    void fileCases();
    void signalEndsTheRunKeepingItsRecords_data();
    void signalEndsTheRunKeepingItsRecords();
    void fileSizeLimitFailsTheSave();
    void unknownOptionWithoutDisplay();
    void helpAndVersion();
    void backfillFromDailyLists();

private:
    QString service() const { return QStringLiteral("127.0.0.1:%1").arg(m_service->port()); }
    void writeDomains(const CTempHome &home, const QStringList &domains) const
    {
        home.writeFile(home.domainListPath(), domains.join(u'\n').toUtf8() + '\n');
    }

    QTemporaryDir m_lists;
    QTemporaryDir m_staleLists;
    std::unique_ptr<CRankdProcess> m_service;
    std::unique_ptr<CRankdProcess> m_staleService;
    QStringList m_domains;
};

void tst_QueryCommand::initTestCase()
{
    // Lists up to today, so the service answers; and lists that ended ten
    // days ago, which it refuses with a 503 and its reason.
    const CResult<void> fresh = CSampleGenerator::write(m_lists.path(), QDate::currentDate());
    QVERIFY2(fresh, qPrintable(fresh.message()));
    const CResult<void> stale = CSampleGenerator::write(m_staleLists.path(), QDate::currentDate().addDays(-10));
    QVERIFY2(stale, qPrintable(stale.message()));
    m_service = std::make_unique<CRankdProcess>(QStringLiteral(SORVANE_RANKD_PATH));
    const CResult<quint16> started = m_service->start(m_lists.path(), 30000);
    QVERIFY2(started, qPrintable(started.message()));
    m_staleService = std::make_unique<CRankdProcess>(QStringLiteral(SORVANE_RANKD_PATH));
    const CResult<quint16> staleStarted = m_staleService->start(m_staleLists.path(), 30000);
    QVERIFY2(staleStarted, qPrintable(staleStarted.message()));
    m_domains = CSampleGenerator::domains().mid(0, 6);
    m_domains.append(QStringLiteral("unranked-anywhere.test"));
}

void tst_QueryCommand::cleanupTestCase()
{
    m_service.reset();
    m_staleService.reset();
}

void tst_QueryCommand::everyDomainStored()
{
    CTempHome home;
    writeDomains(home, m_domains);
    const Outcome first = runSorvane({"--query"}, home.path(), service());
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.err, QStringList());
    QCOMPARE(first.out.size(), m_domains.size() + 1);
    QCOMPARE(first.out.last(), QStringLiteral("%1 stored, 0 already assessed, 0 failed").arg(m_domains.size()));
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    QVERIFY(first.out.contains(QStringLiteral("unranked-anywhere.test: fetched NA,NA,NA,NA,NA,NA for ") + today));

    const QList<CAlexaRankData> stored = storedHistory(home);
    QCOMPARE(stored.size(), m_domains.size());
    for (const CAlexaRankData &record : stored) {
        QVERIFY(m_domains.contains(record.domain()));
        QCOMPARE(record.date(), today);
    }
    QVERIFY(stored.first().globalRank() != u"NA" || stored.first().domain() == u"unranked-anywhere.test");
    // The lock is let go: the window or the next run can take it.
    CDataLock lock(home.dataDirectory());
    QVERIFY(lock.acquire().held());
}

void tst_QueryCommand::reachFigures()
{
    // The lists hold no reach figures: the period figures read "NA", the ranks do not.
    CTempHome home;
    writeDomains(home, m_domains.mid(0, 1));
    home.writeFile(home.historyPath(), "old.test,1,2,3,4,5,6,01/01/2020\n");
    const Outcome outcome = runSorvane({"--query", "--reach"}, home.path(), service());
    QCOMPARE(outcome.exitCode, 0);
    const QList<CAlexaRankData> stored = storedHistory(home);
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored.first().toString(), QStringLiteral("old.test,1,2,3,4,5,6,01/01/2020"));
    QVERIFY(stored.last().globalRank() != u"NA");
    QCOMPARE(stored.last().sevenDay(), QStringLiteral("NA"));

    // A second run the same day: already assessed, nothing added, still success.
    const Outcome again = runSorvane({"--query"}, home.path(), service());
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out.last(), QStringLiteral("0 stored, 1 already assessed, 0 failed"));
    QVERIFY(again.out.first().endsWith(QStringLiteral(": already assessed for ")
                                       + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
    QCOMPARE(storedHistory(home).size(), 2);
}

void tst_QueryCommand::failedFetchesExitOne_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("nothing listening") << "closed";
    QTest::newRow("stale lists answered with 503") << "stale";
}

void tst_QueryCommand::failedFetchesExitOne()
{
    QFETCH(QString, which);
    CTempHome home;
    writeDomains(home, m_domains.mid(0, 3));
    home.writeFile(home.historyPath(), "old.test,1,2,3,4,5,6,01/01/2020\n");
    const QString address = which == u"closed" ? QStringLiteral("127.0.0.1:%1").arg(CLoopbackServer::closedPort())
                                               : QStringLiteral("127.0.0.1:%1").arg(m_staleService->port());
    const Outcome outcome = runSorvane({"--query"}, home.path(), address);
    QCOMPARE(outcome.exitCode, 1);
    QCOMPARE(outcome.out.size(), 4);
    QCOMPARE(outcome.out.last(), QStringLiteral("0 stored, 0 already assessed, 3 failed"));
    const QString reason = which == u"closed"
                               ? QStringLiteral(": no answer from the ranking service at %1 (connection refused)").arg(address)
                               : QStringLiteral(": the ranking service at %1 answered 503 Service Unavailable (newest ").arg(address);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(outcome.out.at(i).contains(reason), qPrintable(outcome.out.at(i)));
    // Where no fetch got a connection, the user learns how to reach the
    // service; one that answered 503 was reached, and its lines say why.
    QCOMPARE(outcome.err.size(), which == u"closed" ? 1 : 0);
    if (which == u"closed")
        QVERIFY(outcome.err.first().contains(QStringLiteral("could not be reached")));
    QCOMPARE(CTempHome::readFile(home.historyPath()), QByteArray("old.test,1,2,3,4,5,6,01/01/2020\n"));

    // The service answers again the same day: the domains are fetched after all.
    const Outcome later = runSorvane({"--query"}, home.path(), service());
    QCOMPARE(later.exitCode, 0);
    QCOMPARE(later.out.last(), QStringLiteral("3 stored, 0 already assessed, 0 failed"));
    QCOMPARE(storedHistory(home).size(), 4);
}

void tst_QueryCommand::cannotStart_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("message");

    QTest::newRow("no domains") << "empty" << "" << "no domains to query in ";
    QTest::newRow("bad SORVANE_SERVICE") << "" << "127.0.0.1:notaport" << "SORVANE_SERVICE=\"127.0.0.1:notaport\" is not host or host:port";
    QTest::newRow("data folder is a file") << "file" << "" << "cannot create the data folder ";
    QTest::newRow("another query run") << "query" << "" << "another query run is using the data folder ";
    QTest::newRow("data folder held, no window answers") << "held" << "" << "another process holds the data folder ";
    QTest::newRow("unknown option") << "bogus" << "" << "Unknown option 'bogus'.";
    QTest::newRow("query.lock is a link") << "link" << "" << "cannot lock the data folder ";
}

void tst_QueryCommand::cannotStart()
{
    QFETCH(QString, setup);
    QFETCH(QString, service);
    QFETCH(QString, message);
    CTempHome home;
    writeDomains(home, setup == u"empty" ? QStringList() : m_domains.mid(0, 2));
    std::unique_ptr<CDataLock> held;
    if (setup == u"file") {
        const QString folder = home.dataDirectory();
        QVERIFY(QDir(folder).removeRecursively());
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a folder\n");
    } else if (setup == u"query" || setup == u"held") {
        // This process holds the lock and listens for no command.
        held = std::make_unique<CDataLock>(home.dataDirectory(), setup == u"query" ? QStringLiteral("query.lock")
                                                                                  : CDataLock::fileName());
        QVERIFY(held->acquire().held());
    } else if (setup == u"link") {
        home.writeFile(home.path() + QStringLiteral("/precious.txt"), "keep me\n");
        QVERIFY(QFile::link(home.path() + QStringLiteral("/precious.txt"), home.dataDirectory() + QStringLiteral("/query.lock")));
    }
    const QStringList arguments = setup == u"bogus" ? QStringList{"--query", "--bogus"} : QStringList{"--query"};
    const Outcome outcome = runSorvane(arguments, home.path(), service.isEmpty() ? this->service() : service);
    QCOMPARE(outcome.exitCode, 2);
    QCOMPARE(outcome.out, QStringList());
    // A mistaken option is followed by the usage.
    QCOMPARE(outcome.err.size(), setup == u"bogus" ? 2 : 1);
    QVERIFY2(outcome.err.first().startsWith(QStringLiteral("sorvane: ") + message), qPrintable(outcome.err.first()));
    QVERIFY2(!outcome.err.first().contains(QStringLiteral("is open")), qPrintable(outcome.err.first()));
    QVERIFY(!QFileInfo::exists(home.historyPath()) || setup == u"file");
    if (setup == u"link")
        QCOMPARE(CTempHome::readFile(home.path() + QStringLiteral("/precious.txt")), QByteArray("keep me\n"));
}

void tst_QueryCommand::windowHoldsTheDataFolder()
{
    CTempHome home;
    writeDomains(home, m_domains.mid(0, 2));
    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.runtimeDirectory());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("SORVANE_SERVICE"), service());
    window.setProcessEnvironment(environment);
    window.start(QStringLiteral(SORVANE_PATH), QStringList());
    QVERIFY(window.waitForStarted());
    const QString lockPath = QDir(home.dataDirectory()).filePath(CDataLock::fileName());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockPath), 30000);

    // The window runs the query and stores it; the command prints its lines.
    // Its service is the window's, so a wrong one here changes nothing.
    const Outcome outcome = runSorvane({"--query"}, home.path(), QStringLiteral("127.0.0.1:1"));
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.err, QStringList());
    QCOMPARE(outcome.out.size(), 3);
    QCOMPARE(outcome.out.last(), QStringLiteral("2 stored, 0 already assessed, 0 failed"));
    QCOMPARE(storedHistory(home).size(), 2);
    // A backfill is run by the window too.
    const Outcome backfill = runSorvane({"--backfill", "2"}, home.path(), QStringLiteral("127.0.0.1:1"));
    QCOMPARE(backfill.err, QStringList());
    QCOMPARE(backfill.out.value(backfill.out.size() - 1), QStringLiteral("4 filled, 0 without a list, 0 failed"));
    QCOMPARE(backfill.exitCode, 0);
    QCOMPARE(storedHistory(home).size(), 6); // saved before the command was answered

    // A window that died leaves its lock behind; the next run takes it over.
    window.kill();
    QVERIFY(window.waitForFinished());
    QVERIFY(QFileInfo::exists(lockPath));
    const Outcome after = runSorvane({"--query"}, home.path(), service());
    QCOMPARE(after.exitCode, 0);
    QCOMPARE(after.out.last(), QStringLiteral("0 stored, 2 already assessed, 0 failed"));
    QCOMPARE(storedHistory(home).size(), 6);
}

void tst_QueryCommand::fileCases_data()
{
    QTest::addColumn<int>("index");
    const QList<CFileCases::Case> cases = CFileCases::all();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases.at(i).row) << i;
}

void tst_QueryCommand::fileCases()
{
    // The file rules of the window hold for a run without it: a file it
    // would not save over makes the run refuse before fetching anything.
    QFETCH(int, index);
    const CFileCases::Case which = CFileCases::all().at(index);
    if (which.kind == CFileCases::Kind::NoPermission && ::geteuid() == 0)
        QSKIP("root reads files whatever their permissions; the data session's test injects the refusal");
    CTempHome home;
    QVERIFY(CFileCases::arrange(which, home));
    const QString path = home.dataDirectory() + u'/' + which.file;
    const QByteArray before = CFileCases::stateOf(path);
    const Outcome outcome = runSorvane({"--query"}, home.path(), service());
    if (which.refused) {
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QStringList());
        QCOMPARE(outcome.err.size(), 1);
        QVERIFY2(outcome.err.first().contains(which.file) && outcome.err.first().contains(which.reason),
                 qPrintable(outcome.err.first()));
        QCOMPARE(CFileCases::stateOf(path), before);
        return;
    }
    QVERIFY2(outcome.exitCode == 0 || outcome.exitCode == 1, qPrintable(outcome.err.join(u'\n')));
    QVERIFY(outcome.err.join(u'\n').contains(which.reason));
    QVERIFY2(!outcome.out.join(u'\n').contains(QStringLiteral("xxxxx")) && !outcome.out.join(u'\n').contains(QStringLiteral("evil")),
             qPrintable(outcome.out.join(u'\n')));
    if (which.kind == CFileCases::Kind::Link) {
        // Written through: the link stays, its target holds the new records.
        QVERIFY(QFileInfo(path).isSymLink());
        QVERIFY(CTempHome::readFile(CFileCases::linkTarget(home)).startsWith(CFileCases::history()));
        QCOMPARE(storedHistory(home).size(), 4);
    } else {
        // The domain list is read, never written by a run.
        QCOMPARE(CFileCases::stateOf(path), before);
        QVERIFY(storedHistory(home).size() > 2);
    }
}

void tst_QueryCommand::signalEndsTheRunKeepingItsRecords_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("name");
    QTest::newRow("SIGTERM") << SIGTERM << "SIGTERM";
    QTest::newRow("SIGINT") << SIGINT << "SIGINT";
    QTest::newRow("SIGHUP") << SIGHUP << "SIGHUP";
}

void tst_QueryCommand::signalEndsTheRunKeepingItsRecords()
{
    QFETCH(int, signal);
    QFETCH(QString, name);
    // Two domains answer at once; the service keeps the others waiting.
    CLoopbackServer server;
    const auto bytesOf = [](QLatin1StringView text) { return QByteArray(text.data(), text.size()); };
    const QByteArray page = "<html><body>\n" + bytesOf(CSiteInfoFormat::GlobalMarker) + "\n100 <img "
                            + bytesOf(CSiteInfoFormat::UsMarker) + "\n9 \n</body></html>\n";
    server.setPage(QStringLiteral("/siteinfo/a.test"), page);
    server.setPage(QStringLiteral("/siteinfo/b.test"), page);
    server.setDefaultReply(CLoopbackServer::Reply{{}, 0, false});
    CTempHome home;
    const QStringList domains{"a.test", "slow1.test", "b.test", "slow2.test", "slow3.test", "slow4.test", "slow5.test"};
    writeDomains(home, domains);
    home.writeFile(home.historyPath(), "old.test,1,2,3,4,5,6,01/01/2020\n");
    // What a save killed halfway left behind; this run removes it.
    const QString leftover = home.dataDirectory() + QStringLiteral("/.db.dat.Zq81xY.tmp");
    home.writeFile(leftover, "old.test,1,2");

    QProcess process;
    process.setProcessEnvironment(withoutDisplay(home.path(), QStringLiteral("127.0.0.1:%1").arg(server.port())));
    process.start(QStringLiteral(SORVANE_PATH), {"--query"});
    QVERIFY(process.waitForStarted());
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).count(": fetched ") == 2, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(server.requestedPaths().size(), 7, 30000);
    QVERIFY(!QFileInfo::exists(leftover));
    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    out += process.readAllStandardOutput();
    const QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.last(), QStringLiteral("interrupted by %1 with 5 of 7 domains left: "
                                          "slow1.test, slow2.test, slow3.test, slow4.test, slow5.test").arg(name));
    const QList<CAlexaRankData> stored = storedHistory(home);
    QCOMPARE(stored.size(), 3);
    QCOMPARE(stored.at(1).globalRank(), QStringLiteral("100"));
}

void tst_QueryCommand::fileSizeLimitFailsTheSave()
{
    // Past the limit a write fails with its reason, instead of SIGXFSZ
    // killing the program with the file half written.
    CTempHome home;
    writeDomains(home, m_domains.mid(0, 2));
    QByteArray history;
    for (int i = 0; i < 40; ++i)
        history += "old" + QByteArray::number(i) + ".test,1,2,3,4,5,6,01/01/2020\n";
    home.writeFile(home.historyPath(), history);
    QProcess process;
    process.setProcessEnvironment(withoutDisplay(home.path(), service()));
    process.start(QStringLiteral("/bin/sh"), {"-c", "ulimit -f 1 && exec \"$0\" --query", QStringLiteral(SORVANE_PATH)});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("File too large")) && err.contains(QStringLiteral("db.dat")), qPrintable(err));
    QCOMPARE(CTempHome::readFile(home.historyPath()), history);
}

void tst_QueryCommand::unknownOptionWithoutDisplay()
{
    // Told before any application object exists: without a display the
    // windowed one would end the program in its platform plugin.
    CTempHome home;
    const Outcome outcome = runSorvane({"--no-such-option"}, home.path(), QString());
    QCOMPARE(outcome.exitCode, 2);
    QCOMPARE(outcome.out, QStringList());
    QCOMPARE(outcome.err.size(), 2);
    QCOMPARE(outcome.err.first(), QStringLiteral("sorvane: Unknown option 'no-such-option'."));
    QVERIFY2(outcome.err.last().startsWith(QStringLiteral("Usage: sorvane ")), qPrintable(outcome.err.last()));
    QVERIFY(!QFileInfo::exists(home.path() + QStringLiteral("/.qorvex")));
}

void tst_QueryCommand::helpAndVersion()
{
    CTempHome home;
    const Outcome help = runSorvane({"--help"}, home.path(), QString());
    QCOMPARE(help.exitCode, 0);
    const QString text = help.out.join(u'\n');
    for (const char *option : {"--query", "--rank", "--reach", "--version", "--help"})
        QVERIFY2(text.contains(QLatin1StringView(option)), option);

    const Outcome version = runSorvane({"--version"}, home.path(), QString());
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out.size(), 1);
    QVERIFY(version.out.first().startsWith(QStringLiteral("sorvane ")));

    const Outcome both = runSorvane({"--query", "--rank", "--reach"}, home.path(), QString());
    QCOMPARE(both.exitCode, 2);
    QCOMPARE(both.err.size(), 1);
}

void tst_QueryCommand::backfillFromDailyLists()
{
    // Twenty days of lists ending today, each ranking the names differently;
    // days 3 and 5 back have no list (the one before them stands in), and
    // days 8 to 13 back none within the service's three days of grace.
    const QDate today = QDate::currentDate();
    QTemporaryDir lists;
    std::map<int, std::map<QString, int>> ranks; // by days back
    for (int back = 0; back < 20; ++back) {
        if (back == 3 || back == 5 || (back >= 8 && back <= 13))
            continue;
        QByteArray text;
        for (int rank = 1; rank <= 12; ++rank) {
            const QString name = QStringLiteral("n%1.test").arg((rank * 7 + back * 3) % 15);
            text += QByteArray::number(rank * 100 + back) + ',' + name.toLatin1() + '\n';
            ranks[back].emplace(name, rank * 100 + back);
        }
        QFile file(lists.filePath(today.addDays(-back).toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
    }
    CRankdProcess rankd(QStringLiteral(SORVANE_RANKD_PATH));
    const CResult<quint16> started = rankd.start(lists.path(), 30000);
    QVERIFY2(started, qPrintable(started.message()));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(rankd.port());

    const QStringList domains{"n0.test", "n1.test", "n2.test", "unranked-anywhere.test"};
    const auto dateOf = [&today](int back) { return today.addDays(-back).toString(QStringLiteral("dd/MM/yyyy")); };
    CTempHome home;
    writeDomains(home, domains);
    const QByteArray held = "old.test,1,2,3,4,5,6,01/01/2020\n"
                            "n0.test,1,2,3,4,5,6," + dateOf(2).toLatin1() + "\n"
                            "n0.test,7,8,9,10,11,12," + dateOf(6).toLatin1() + "\n"
                            "n1.test,NA,NA,NA,NA,NA,NA," + dateOf(4).toLatin1() + "\n";
    home.writeFile(home.historyPath(), held);

    // What the lists say for a name as of a day: the newest list on or before
    // it, and the period means counted back from that list.
    const auto expectedRecord = [&ranks, &dateOf](const QString &name, int back) {
        const auto anchor = ranks.lower_bound(back);
        const auto shown = [](int figure) { return figure < 0 ? QStringLiteral("NA") : QString::number(figure); };
        int current = -1;
        if (const auto found = anchor->second.find(name); found != anchor->second.end())
            current = found->second;
        QStringList fields{name, shown(current), QStringLiteral("NA"), shown(current)};
        for (const int period : {7, 30, 90}) {
            qint64 sum = 0;
            int count = 0;
            for (auto it = anchor; it != ranks.end() && it->first < anchor->first + period; ++it) {
                if (const auto found = it->second.find(name); found != it->second.end()) {
                    sum += found->second;
                    ++count;
                }
            }
            fields.append(shown(count == 0 ? -1 : int((2 * sum + count) / (2 * count))));
        }
        fields.append(dateOf(back));
        return fields.join(u',');
    };
    QStringList expected = QString::fromLatin1(held).split(u'\n', Qt::SkipEmptyParts);
    int filled = 0;
    int withoutList = 0;
    for (const QString &domain : domains) {
        for (int back = 1; back <= 10; ++back) {
            if ((domain == u"n0.test" && (back == 2 || back == 6)) || (domain == u"n1.test" && back == 4))
                continue;
            if (back >= 8) {
                ++withoutList;
                continue;
            }
            expected.append(expectedRecord(domain, back));
            ++filled;
        }
    }

    const Outcome first = runSorvane({"--backfill", "10"}, home.path(), address);
    QCOMPARE(first.err, QStringList());
    QVERIFY2(first.exitCode == 0, qPrintable(first.out.join(u'\n')));
    QCOMPARE(first.out.last(), QStringLiteral("%1 filled, %2 without a list, 0 failed").arg(filled).arg(withoutList));
    const QString noList = QStringLiteral("n2.test %1: no list for that day").arg(today.addDays(-9).toString(Qt::ISODate));
    QVERIFY2(first.out.contains(noList), qPrintable(first.out.join(u'\n')));

    // The records held before stay as they were and in their order, the
    // filled ones go in among them by date (none before the oldest); they
    // carry each day's own figures, and no day without a list got a record.
    const QByteArray after = CTempHome::readFile(home.historyPath());
    QVERIFY(after.startsWith("old.test,1,2,3,4,5,6,01/01/2020\n"));
    qsizetype from = 0;
    for (const QByteArray &line : held.split('\n')) {
        from = after.indexOf(line, from);
        QVERIFY2(from >= 0, line.constData());
    }
    QStringList stored;
    for (const CAlexaRankData &record : storedHistory(home))
        stored.append(record.toString());
    QCOMPARE(stored.size(), expected.size());
    stored.sort();
    expected.sort();
    QCOMPARE(stored, expected);

    const Outcome second = runSorvane({"--backfill", "10"}, home.path(), address);
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out.last(), QStringLiteral("0 filled, %1 without a list, 0 failed").arg(withoutList));
    QCOMPARE(CTempHome::readFile(home.historyPath()), after);
}

QTEST_GUILESS_MAIN(tst_QueryCommand)
#include "tst_QueryCommand.moc"
