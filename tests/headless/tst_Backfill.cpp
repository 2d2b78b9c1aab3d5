#include "CLoopbackServer.h"
#include "CRankClock.h"
#include "CStandInService.h"
#include "CTempHome.h"
#include "headless/CHeadlessQuery.h"

#include <QTest>
#include <QTextStream>

namespace {

const QDate Today(2026, 12, 7);

QByteArray datedPage(const QDate &asOf, int global)
{
    return CStandInService::datedPage(asOf, global);
}

QString pathFor(const QString &domain, const QDate &day)
{
    return CStandInService::pathFor(domain, day);
}

struct Outcome
{
    int code = -1;
    QStringList out;
    QStringList err;
};

Outcome backfill(const CTempHome &home, quint16 port, int days, int deadlineMs = 0)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    CHeadlessQuery::Options options;
    options.dataDirectory = home.dataDirectory();
    options.service = QStringLiteral("127.0.0.1:%1").arg(port);
    options.clock = CRankClock(Today);
    options.backfillDays = days;
    options.deadlineMs = deadlineMs;
    CHeadlessQuery query(options, outStream, errStream);
    Outcome outcome;
    outcome.code = query.run();
    outcome.out = out.split(u'\n', Qt::SkipEmptyParts);
    outcome.err = err.split(u'\n', Qt::SkipEmptyParts);
    return outcome;
}

// The lines of a run but its last, in order: five fetches run at once.
QStringList sortedBody(const Outcome &outcome)
{
    QStringList lines = outcome.out.mid(0, outcome.out.size() - 1);
    lines.sort();
    return lines;
}

} // namespace

// Past days filled from a service that dates its pages, against a loopback
// server standing in for it.
class tst_Backfill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingDaysAreFilled();
    void undatedServiceStoresNothing();
    void refusedDaysAreWithoutList();
    void deadlineEndsADeadService_data();
    void deadlineEndsADeadService();
};

void tst_Backfill::missingDaysAreFilled()
{
    CTempHome home;
    home.writeFile(home.domainListPath(), "a.test\n");
    const QByteArray held = "a.test,5,5,NA,NA,NA,NA,05/12/2026\n"; // two days ago
    home.writeFile(home.historyPath(), held);
    CLoopbackServer server;
    server.setPage(pathFor("a.test", Today.addDays(-3)), datedPage(Today.addDays(-3), 300));
    // The service holds no list for yesterday: its page is as of an earlier day.
    server.setPage(pathFor("a.test", Today.addDays(-1)), datedPage(Today.addDays(-2), 200));

    const Outcome first = backfill(home, server.port(), 3);
    QCOMPARE(first.code, int(CHeadlessQuery::AllStored));
    QCOMPARE(first.err, QStringList());
    QStringList paths = server.requestedPaths();
    paths.sort();
    QCOMPARE(paths, (QStringList{pathFor("a.test", Today.addDays(-3)), pathFor("a.test", Today.addDays(-1))}));
    QCOMPARE(sortedBody(first), (QStringList{"a.test 2026-12-06: no list for that day",
                                             "a.test: fetched 300,9,NA,NA,NA,NA for 04/12/2026"}));
    QCOMPARE(first.out.last(), QStringLiteral("1 filled, 1 without a list, 0 failed"));
    // The past day goes before the later one held, so the file stays in date order.
    const QByteArray filled = "a.test,300,9,NA,NA,NA,NA,04/12/2026\n" + held;
    QCOMPARE(CTempHome::readFile(home.historyPath()), filled);

    // Again: only the day without a list is asked for, and nothing is added.
    const Outcome second = backfill(home, server.port(), 3);
    QCOMPARE(second.code, int(CHeadlessQuery::AllStored));
    QCOMPARE(second.out.last(), QStringLiteral("0 filled, 1 without a list, 0 failed"));
    QCOMPARE(server.requestedPaths().size(), 3);
    QCOMPARE(CTempHome::readFile(home.historyPath()), filled);
}

void tst_Backfill::undatedServiceStoresNothing()
{
    // A service that ignores the day answers with today's figures: filing
    // them under past days would be wrong, so the backfill stops at once.
    CTempHome home;
    home.writeFile(home.domainListPath(), "a.test\nb.test\n");
    CLoopbackServer server;
    server.setDefaultReply(CLoopbackServer::page(datedPage(QDate(), 100)));
    const Outcome outcome = backfill(home, server.port(), 5);
    QCOMPARE(outcome.code, int(CHeadlessQuery::CannotStart));
    QCOMPARE(outcome.err.size(), 1);
    QVERIFY(outcome.err.first().contains(QStringLiteral("does not say which day its figures are as of")));
    QVERIFY(outcome.err.first().contains(QStringLiteral("nothing was stored")));
    // The first answer ends the run; at most the five fetches under way were asked.
    QVERIFY(server.requestedPaths().size() <= 5);
    QCOMPARE(CTempHome::readFile(home.historyPath()), QByteArray());
}

void tst_Backfill::refusedDaysAreWithoutList()
{
    // The service refuses a day it holds no list on or shortly before with a
    // 404; that is a day without a list, while any other refusal is a failure.
    CTempHome home;
    home.writeFile(home.domainListPath(), "a.test\n");
    CLoopbackServer server;
    server.setPage(pathFor("a.test", Today.addDays(-1)), datedPage(Today.addDays(-1), 100));
    server.setReply(pathFor("a.test", Today.addDays(-2)), CLoopbackServer::notFound());
    server.setReply(pathFor("a.test", Today.addDays(-3)),
                    CLoopbackServer::Reply{{"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"}});

    const Outcome outcome = backfill(home, server.port(), 3);
    QCOMPARE(outcome.code, int(CHeadlessQuery::SomeFailed));
    const QStringList lines = sortedBody(outcome);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).startsWith(QStringLiteral("a.test 2026-12-04: the ranking service at ")), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(0).contains(QStringLiteral("500 Internal Server Error")), qPrintable(lines.at(0)));
    QCOMPARE(lines.mid(1), (QStringList{"a.test 2026-12-05: no list for that day",
                                        "a.test: fetched 100,9,NA,NA,NA,NA for 06/12/2026"}));
    QCOMPARE(outcome.out.last(), QStringLiteral("1 filled, 1 without a list, 1 failed"));
    QCOMPARE(CTempHome::readFile(home.historyPath()), QByteArray("a.test,100,9,NA,NA,NA,NA,06/12/2026\n"));
}

void tst_Backfill::deadlineEndsADeadService_data()
{
    QTest::addColumn<int>("days");
    QTest::newRow("query run") << 0;
    QTest::newRow("backfill") << 2;
}

void tst_Backfill::deadlineEndsADeadService()
{
    // A service that takes every connection and never answers would hold the
    // data folder for hours; the run's deadline ends it, keeping what came in.
    QFETCH(int, days);
    CTempHome home;
    home.writeFile(home.domainListPath(), "a.test\nb.test\nc.test\n");
    CLoopbackServer server;
    server.setPage(QStringLiteral("/siteinfo/a.test"), datedPage(Today, 100));
    server.setPage(pathFor("a.test", Today.addDays(-1)), datedPage(Today.addDays(-1), 100));
    server.setDefaultReply(CLoopbackServer::Reply{{}, 0, false});
    const Outcome outcome = backfill(home, server.port(), days, 300);
    QCOMPARE(outcome.code, int(CHeadlessQuery::SomeFailed));
    QVERIFY2(outcome.out.last().startsWith(QStringLiteral("the run's time of 1 s ran out with ")), qPrintable(outcome.out.last()));
    if (days == 0) {
        QCOMPARE(outcome.out.last(), QStringLiteral("the run's time of 1 s ran out with 2 of 3 domains left: b.test, c.test"));
        QCOMPARE(CTempHome::readFile(home.historyPath()), QByteArray("a.test,100,9,NA,NA,NA,NA,07/12/2026\n"));
    } else {
        // The same five connections as a query run, not one page at a time:
        // five asked at once, and a sixth when one of them answered.
        QCOMPARE(server.requestedPaths().size(), 6);
        QCOMPARE(outcome.out.last(), QStringLiteral("the run's time of 1 s ran out with 3 of 3 domains left: a.test, b.test, c.test"));
        QCOMPARE(CTempHome::readFile(home.historyPath()), QByteArray("a.test,100,9,NA,NA,NA,NA,06/12/2026\n"));
    }
}

QTEST_GUILESS_MAIN(tst_Backfill)
#include "tst_Backfill.moc"
