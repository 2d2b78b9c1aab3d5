#include "CAlexaSocket.h"
#include "CLoopbackServer.h"
#include "CRankClock.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

// Records are dated by this clock, never by the machine's.
const CRankClock Clock(QDate(2026, 12, 6));

QByteArray readData(const QString &name)
{
    QFile file(QStringLiteral(SORVANE_TEST_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

// Wired and handed a domain the way the main window does it.
void handOver(CAlexaSocket &socket, quint16 port, const QString &domain, bool rankMode)
{
    socket.reset();
    socket.setRankMode(rankMode);
    socket.setPath(QStringLiteral("/siteinfo/") + domain);
    socket.setHost(CLoopbackServer::host());
    socket.setReferer(QStringLiteral("http://ranks.example/search?q=") + domain
                      + QStringLiteral("&r=home_home&p=bigtop"));
    socket.setPort(port);
    socket.setDomain(domain);
    socket.connectToHost();
}

void wire(CAlexaSocket &socket)
{
    socket.setClock(Clock);
    QObject::connect(&socket, &CAlexaSocket::dataRetrieved, &socket, &CAlexaSocket::processData);
    QObject::connect(&socket, &CAlexaSocket::dataRetrievalError, &socket, &CAlexaSocket::processError);
}

// The one record of a fetch, after giving a second report time to show up.
bool oneRecord(QSignalSpy &profiles, CAlexaRankData *record, int *index)
{
    if (!QTest::qWaitFor([&] { return !profiles.isEmpty(); }, 10000))
        return false;
    QTest::qWait(400);
    if (profiles.count() != 1)
        return false;
    *record = profiles.constFirst().at(0).value<CAlexaRankData>();
    *index = profiles.constFirst().at(1).toInt();
    return true;
}

} // namespace

class tst_CAlexaSocket : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freshSocket();
    void servedPageYieldsTheParsedRecord_data();
    void servedPageYieldsTheParsedRecord();
    void failedFetchIsReportedWithItsReason();
    void timedOutFetchIsReportedOnce();
    void emptyDomainReportsNothing();
};

void tst_CAlexaSocket::freshSocket()
{
    const CAlexaSocket socket(nullptr, 4);
    QVERIFY(socket.rankMode());
    QCOMPARE(socket.port(), 80);
    QCOMPARE(socket.index(), 4);
}

void tst_CAlexaSocket::servedPageYieldsTheParsedRecord_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("rankMode");
    QTest::addColumn<int>("index");

    QTest::newRow("rank mode") << "example.com" << true << 2;
    QTest::newRow("reach mode") << "shop.example.net" << false << 3;
}

void tst_CAlexaSocket::servedPageYieldsTheParsedRecord()
{
    QFETCH(QString, domain);
    QFETCH(bool, rankMode);
    QFETCH(int, index);

    const QString base = QStringLiteral("siteinfo-") + domain;
    CLoopbackServer server;
    server.setPage(QStringLiteral("/siteinfo/") + domain, readData(base + QStringLiteral(".html")));
    CAlexaSocket socket(nullptr, index);
    wire(socket);
    QSignalSpy profiles(&socket, &CAlexaSocket::rankProfile);
    handOver(socket, server.port(), domain, rankMode);

    CAlexaRankData record;
    int reportedIndex = -1;
    QVERIFY(oneRecord(profiles, &record, &reportedIndex));
    QCOMPARE(reportedIndex, index);
    const QString golden = QString::fromLatin1(
        readData(base + (rankMode ? QStringLiteral(".rank.txt") : QStringLiteral(".reach.txt")))).trimmed();
    QCOMPARE(record.toString(), golden);
    QCOMPARE(server.requestedPaths(), QStringList{QStringLiteral("/siteinfo/") + domain});
}

void tst_CAlexaSocket::failedFetchIsReportedWithItsReason()
{
    // A failed fetch is reported as a failure with its reason, never as a record.
    CAlexaSocket socket(nullptr, 1);
    wire(socket);
    QSignalSpy profiles(&socket, &CAlexaSocket::rankProfile);
    QSignalSpy failures(&socket, &CAlexaSocket::fetchFailed);
    const quint16 port = CLoopbackServer::closedPort();
    handOver(socket, port, QStringLiteral("example.com"), true);

    QVERIFY(QTest::qWaitFor([&] { return !failures.isEmpty(); }, 10000));
    QTest::qWait(400);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(profiles.count(), 0);
    QCOMPARE(failures.first().at(0).toString(), QStringLiteral("example.com"));
    const auto failure = failures.first().at(1).value<CFetchFailure>();
    QCOMPARE(failure.kind(), CFetchFailure::Kind::NoAnswer);
    QCOMPARE(failure.text(),
             QStringLiteral("no answer from the ranking service at 127.0.0.1:%1 (connection refused)").arg(port));
    QCOMPARE(failures.first().at(2).toInt(), 1);
}

void tst_CAlexaSocket::timedOutFetchIsReportedOnce()
{
    // The page arrives, but the connection stays open: the partial text must
    // not be reported as well as the failure.
    CLoopbackServer server;
    CLoopbackServer::Reply open = CLoopbackServer::page(readData(QStringLiteral("siteinfo-example.com.html")));
    open.close = false;
    server.setDefaultReply(open);
    CAlexaSocket socket(nullptr, 0);
    socket.setTimeoutInterval(200);
    wire(socket);
    QSignalSpy profiles(&socket, &CAlexaSocket::rankProfile);
    QSignalSpy failures(&socket, &CAlexaSocket::fetchFailed);
    handOver(socket, server.port(), QStringLiteral("example.com"), true);

    QVERIFY(QTest::qWaitFor([&] { return !failures.isEmpty(); }, 10000));
    QTest::qWait(400);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(profiles.count(), 0);
    QVERIFY(failures.first().at(1).value<CFetchFailure>().text().endsWith(QStringLiteral("(no answer within 0.2 s)")));
}

void tst_CAlexaSocket::emptyDomainReportsNothing()
{
    CAlexaSocket socket(nullptr, 0);
    QSignalSpy profiles(&socket, &CAlexaSocket::rankProfile);
    QSignalSpy failures(&socket, &CAlexaSocket::fetchFailed);
    socket.processData();
    socket.processError();
    socket.setDomain(QStringLiteral("example.com"));
    socket.setDomain(QString());
    socket.processData();
    socket.processError();
    QCOMPARE(profiles.count(), 0);
    QCOMPARE(failures.count(), 0);

    socket.setDomain(QStringLiteral("example.com"));
    socket.processError();
    QCOMPARE(failures.count(), 1);
}

QTEST_GUILESS_MAIN(tst_CAlexaSocket)
#include "tst_CAlexaSocket.moc"
