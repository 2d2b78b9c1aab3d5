#include "CAlexaSocket.h"
#include "CDomainDateList.h"
#include "CLoopbackServer.h"
#include "CQueryRun.h"
#include "CRankClock.h"
#include "pageformat/CSiteInfoFormat.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr int LongWait = 60000;
const QDate Today(2026, 12, 7);
const QString TodayText = QStringLiteral("07/12/2026");

QByteArray bytesOf(QLatin1StringView text)
{
    return QByteArray(text.data(), text.size());
}

// A page with the two ranks, as the service lays them out; no period figures.
QByteArray rankPage(int global, int us)
{
    return "<html><body>\n" + bytesOf(CSiteInfoFormat::GlobalMarker) + ' ' + QByteArray::number(global)
           + " \n<img src=\"/flags/us.png\" " + bytesOf(CSiteInfoFormat::UsMarker) + ' ' + QByteArray::number(us)
           + " \n</body></html>\n";
}

QStringList numberedDomains(int count)
{
    QStringList domains;
    for (int i = 1; i <= count; ++i)
        domains.append(QStringLiteral("d%1.test").arg(i));
    return domains;
}

// A run against a loopback server, with every report written down in order.
class CRunProbe
{
public:
    explicit CRunProbe(quint16 port = 0)
        : run(dates)
    {
        run.setService(CServiceAddress::parse(CLoopbackServer::host() + u':' + QString::number(port ? port : server.port())).value());
        run.setClock(CRankClock(Today));
        QObject::connect(&run, &CQueryRun::started, [this] { events.append(QStringLiteral("started")); });
        QObject::connect(&run, &CQueryRun::recordAccepted, [this](const CAlexaRankData &record) {
            accepted.append(record.toString());
            events.append(QStringLiteral("accepted ") + record.domain());
        });
        QObject::connect(&run, &CQueryRun::recordRefused, [this](const CAlexaRankData &record, const QString &reason) {
            refused.append(reason);
            events.append(QStringLiteral("refused ") + record.domain());
        });
        QObject::connect(&run, &CQueryRun::fetchFailed, [this](const QString &domain, const CFetchFailure &failure) {
            failed.append(domain + QStringLiteral(": ") + failure.text());
            statuses.append(failure.status());
            events.append(QStringLiteral("failed ") + domain);
        });
        QObject::connect(&run, &CQueryRun::progressed, [this](int done, int total) { progress = {done, total}; });
        QObject::connect(&run, &CQueryRun::listExhausted, [this] { events.append(QStringLiteral("exhausted")); });
        QObject::connect(&run, &CQueryRun::finished, [this](const CQueryRun::Counts &counts) {
            finished.append(counts);
            events.append(QStringLiteral("finished"));
        });
    }

    bool waitForEnd() { return QTest::qWaitFor([this] { return !finished.isEmpty(); }, LongWait); }

    CLoopbackServer server;
    CDomainDateList dates;
    CQueryRun run;
    QStringList events;
    QStringList accepted;
    QStringList refused;
    QStringList failed;
    QList<int> statuses;
    QPair<int, int> progress{-1, -1};
    QList<CQueryRun::Counts> finished;
};

} // namespace

class tst_CQueryRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyDomainIsTakenIn_data();
    void everyDomainIsTakenIn();
    void assessedDomainsAreRefused();
    void failedFetchesStoreNothing_data();
    void failedFetchesStoreNothing();
    void noneReached_data();
    void noneReached();
    void runEndsWithTheLastFetch();
    void blankEntriesAreNoDomains();
    void listGrowingDuringTheRun();
    void thousandDomains();
};

void tst_CQueryRun::everyDomainIsTakenIn_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("one") << 1;
    QTest::newRow("as many as sockets") << CQueryRun::SocketCount;
    QTest::newRow("more than sockets") << 12;
}

void tst_CQueryRun::everyDomainIsTakenIn()
{
    QFETCH(int, count);
    CRunProbe probe;
    const QStringList domains = numberedDomains(count);
    for (int i = 0; i < count; ++i)
        probe.server.setPage(QStringLiteral("/siteinfo/") + domains.at(i), rankPage(i + 1, 100 + i));

    QCOMPARE(probe.run.start(domains), qMin(count, int(CQueryRun::SocketCount)));
    QVERIFY(probe.run.isRunning());
    QCOMPARE(probe.events, QStringList{"started"});
    QVERIFY(probe.waitForEnd());

    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected.append(QStringLiteral("%1,%2,%3,NA,NA,NA,NA,%4").arg(domains.at(i)).arg(i + 1).arg(100 + i).arg(TodayText));
    QStringList accepted = probe.accepted;
    accepted.sort();
    expected.sort();
    QCOMPARE(accepted, expected);
    QCOMPARE(probe.finished.size(), 1);
    QCOMPARE(probe.finished.first().stored, count);
    QCOMPARE(probe.finished.first().refused, 0);
    QCOMPARE(probe.finished.first().failed, 0);
    QCOMPARE(probe.progress, qMakePair(count, count));
    QCOMPARE(probe.events.count(QStringLiteral("exhausted")), 1);
    QCOMPARE(probe.events.last(), QStringLiteral("finished"));
    QVERIFY(!probe.run.isRunning());
    QVERIFY(probe.run.isListExhausted());
    for (const QString &domain : domains)
        QVERIFY(probe.dates.contains(domain, TodayText));
    QCOMPARE(probe.server.requestedPaths().size(), count);
}

void tst_CQueryRun::assessedDomainsAreRefused()
{
    CRunProbe probe;
    probe.server.setDefaultReply(CLoopbackServer::page(rankPage(7, 8)));
    probe.dates.update(QStringLiteral("b.test"), TodayText);
    probe.run.start(QStringList{"a.test", "b.test", "c.test"});
    QVERIFY(probe.waitForEnd());

    QCOMPARE(probe.refused, QStringList{"b.test has already been assessed for this date..."});
    QCOMPARE(probe.accepted.size(), 2);
    QCOMPARE(probe.finished.first().stored, 2);
    QCOMPARE(probe.finished.first().refused, 1);
    // Refused, but fetched all the same.
    QCOMPARE(probe.server.requestedPaths().size(), 3);

    // A second run the same day refuses every domain.
    probe.finished.clear();
    probe.refused.clear();
    probe.run.start(QStringList{"a.test", "b.test", "c.test"});
    QVERIFY(probe.waitForEnd());
    QCOMPARE(probe.refused.size(), 3);
    QCOMPARE(probe.finished.first().stored, 0);
    QCOMPARE(probe.finished.first().refused, 3);
}

void tst_CQueryRun::failedFetchesStoreNothing_data()
{
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("status");

    QTest::newRow("closed port") << true << QByteArray() << "no answer from the ranking service at %1 (connection refused)" << 0;
    QTest::newRow("stale lists")
        << false
        << QByteArray("HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
                      "newest umbrella list is 2026-11-01, 36 days old\n")
        << "the ranking service at %1 answered 503 Service Unavailable (newest umbrella list is 2026-11-01, 36 days old)" << 503;
    QTest::newRow("not found") << false << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n<h1>gone</h1>")
                               << "the ranking service at %1 answered 404 Not Found" << 404;
    QTest::newRow("no status line") << false << rankPage(1, 2)
                                    << "no answer from the ranking service at %1 (no status line in the answer)" << 0;
    QTest::newRow("closed without an answer") << false << QByteArray()
                                              << "no answer from the ranking service at %1 (the connection closed without an answer)" << 0;
}

void tst_CQueryRun::failedFetchesStoreNothing()
{
    QFETCH(bool, closed);
    QFETCH(QByteArray, answer);
    QFETCH(QString, reason);
    QFETCH(int, status);
    const quint16 closedPort = CLoopbackServer::closedPort();
    CRunProbe probe(closed ? closedPort : 0);
    const QString service = QStringLiteral("127.0.0.1:%1").arg(closed ? closedPort : probe.server.port());
    // Two domains answered as the row says, the third with a page.
    for (const char *domain : {"a.test", "c.test"})
        probe.server.setReply(QStringLiteral("/siteinfo/") + QLatin1StringView(domain), {{answer}});
    probe.server.setDefaultReply(CLoopbackServer::page(rankPage(5, 6)));
    probe.run.start(QStringList{"a.test", "b.test", "c.test"});
    QVERIFY(probe.waitForEnd());

    const int failed = closed ? 3 : 2;
    QCOMPARE(probe.finished.first().failed, failed);
    QCOMPARE(probe.finished.first().stored, 3 - failed);
    QCOMPARE(probe.accepted.size(), 3 - failed);
    QVERIFY(probe.failed.contains(QStringLiteral("a.test: ") + reason.arg(service)));
    QVERIFY(probe.failed.contains(QStringLiteral("c.test: ") + reason.arg(service)));
    QVERIFY(!probe.dates.contains(QStringLiteral("a.test"), TodayText));
    QCOMPARE(probe.statuses, QList<int>(failed, status));
    // Only a run whose every fetch failed says the service could not be reached.
    QCOMPARE(probe.finished.first().noneReached(), closed);
    QCOMPARE(probe.progress, qMakePair(3, 3));
    QCOMPARE(CQueryRun::summary(probe.finished.first()),
             QStringLiteral("%1 stored, 0 already assessed, %2 failed").arg(3 - failed).arg(failed));
}

void tst_CQueryRun::noneReached_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("refused");
    QTest::addColumn<int>("failed");
    QTest::addColumn<int>("unreached");
    QTest::addColumn<bool>("noneReached");
    QTest::newRow("every fetch unreached") << 0 << 0 << 4 << 4 << true;
    QTest::newRow("every fetch failed, one reached") << 0 << 0 << 4 << 3 << false;
    QTest::newRow("every fetch reached and trickled") << 0 << 0 << 4 << 0 << false;
    QTest::newRow("one stored") << 1 << 0 << 3 << 3 << false;
    QTest::newRow("one already assessed") << 0 << 1 << 3 << 3 << false;
    QTest::newRow("nothing failed") << 2 << 1 << 0 << 0 << false;
    QTest::newRow("no domain at all") << 0 << 0 << 0 << 0 << false;
}

void tst_CQueryRun::noneReached()
{
    QFETCH(int, stored);
    QFETCH(int, refused);
    QFETCH(int, failed);
    QFETCH(int, unreached);
    QFETCH(bool, noneReached);
    CQueryRun::Counts counts;
    counts.stored = stored;
    counts.refused = refused;
    counts.failed = failed;
    counts.unreached = unreached;
    QCOMPARE(counts.noneReached(), noneReached);
}

void tst_CQueryRun::runEndsWithTheLastFetch()
{
    // Seven domains: the third result finds the list used up, but the run
    // ends only when the four fetches still under way have reported.
    CRunProbe probe;
    probe.server.setDefaultReply(CLoopbackServer::page(rankPage(3, 4)));
    bool runningWhenExhausted = false;
    QObject::connect(&probe.run, &CQueryRun::listExhausted, [&] { runningWhenExhausted = probe.run.isRunning(); });
    probe.run.start(numberedDomains(7));
    QVERIFY(probe.waitForEnd());

    QStringList kinds;
    for (const QString &event : std::as_const(probe.events))
        kinds.append(event.section(u' ', 0, 0));
    QCOMPARE(kinds, (QStringList{"started", "accepted", "accepted", "accepted", "exhausted", "accepted", "accepted",
                                 "accepted", "accepted", "finished"}));
    QVERIFY(runningWhenExhausted);
    QCOMPARE(probe.finished.first().stored, 7);
    QVERIFY(!probe.run.isRunning());
}

void tst_CQueryRun::blankEntriesAreNoDomains()
{
    CRunProbe probe;
    probe.server.setDefaultReply(CLoopbackServer::page(rankPage(1, 2)));
    probe.run.start(QStringList{"  ", "a.test", "\t", "  b.test  ", ""});
    QVERIFY(probe.waitForEnd());
    QCOMPARE(probe.finished.first().stored, 2);
    QCOMPARE(probe.progress, qMakePair(2, 2));
    QStringList paths = probe.server.requestedPaths();
    paths.sort();
    QCOMPARE(paths, (QStringList{"/siteinfo/a.test", "/siteinfo/b.test"}));

    // Nothing but blanks: the run ends at once, with nothing fetched.
    CRunProbe empty;
    QCOMPARE(empty.run.start(QStringList{" ", ""}), 0);
    QCOMPARE(empty.events, (QStringList{"started", "exhausted", "finished"}));
    QCOMPARE(empty.finished.first().done(), 0);
}

void tst_CQueryRun::listGrowingDuringTheRun()
{
    // The list is read at every hand-over: a domain added while the run is
    // going is queried in it.
    CRunProbe probe;
    probe.server.setDefaultReply(CLoopbackServer::page(rankPage(1, 2)));
    QStringList list{"a.test"};
    probe.run.start([&list](int position) { return list.value(position); });
    list.append(QStringLiteral("late.test"));
    QVERIFY(probe.waitForEnd());
    QCOMPARE(probe.finished.first().stored, 2);
    QCOMPARE(probe.progress, qMakePair(2, 2));
}

void tst_CQueryRun::thousandDomains()
{
    CRunProbe probe;
    probe.server.setDefaultReply(CLoopbackServer::page(rankPage(42, 7)));
    const QStringList domains = numberedDomains(1000);
    probe.run.start(domains);
    QVERIFY(probe.waitForEnd());
    QCOMPARE(probe.finished.size(), 1);
    QCOMPARE(probe.finished.first().stored, 1000);
    QCOMPARE(probe.accepted.size(), 1000);
    QCOMPARE(probe.progress, qMakePair(1000, 1000));
    QStringList paths = probe.server.requestedPaths();
    paths.removeDuplicates();
    QCOMPARE(paths.size(), 1000);
    QCOMPARE(probe.dates.count(), 1000);
}

QTEST_GUILESS_MAIN(tst_CQueryRun)
#include "tst_CQueryRun.moc"
