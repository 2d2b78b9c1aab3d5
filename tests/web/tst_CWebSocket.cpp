#include "CLoopbackServer.h"
#include "CWebSocket.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using Korv::QtLib::Web::CWebSocket;

namespace {

// Both report signals of one fetch object.
struct Reports
{
    explicit Reports(CWebSocket *fetch)
        : retrieved(fetch, &CWebSocket::dataRetrieved)
        , failed(fetch, &CWebSocket::dataRetrievalError)
    {
    }
    qsizetype total() const { return retrieved.count() + failed.count(); }

    QSignalSpy retrieved;
    QSignalSpy failed;
};

// Waits for the first report, then lets the event loop run on so that a late
// second report (a disconnection after an abort, a repeating timer) shows up.
bool settledAfterOneReport(const Reports &reports)
{
    if (!QTest::qWaitFor([&] { return reports.total() > 0; }, 10000))
        return false;
    QTest::qWait(400);
    return reports.total() == 1;
}

void aimAt(CWebSocket &fetch, quint16 port, const QString &path)
{
    fetch.setHost(CLoopbackServer::host());
    fetch.setPort(port);
    fetch.setPath(path);
}

QTcpSocket *innerSocket(CWebSocket &fetch)
{
    return fetch.findChild<QTcpSocket *>();
}

const QByteArray FixedHead =
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Language: en-US\r\n"
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
    "Host: 127.0.0.1\r\n";

} // namespace

class tst_CWebSocket : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freshObject();
    void requestBytes_data();
    void requestBytes();
    void chunksAreJoinedAndCounted();
    void zeroByteDropsTheRestOfItsChunk();
    void remoteCloseEndsInSuccess_data();
    void remoteCloseEndsInSuccess();
    void droppedConnectionReportsOnce();
    void refusedConnectionIsAnError();
    void serverThatNeverClosesTimesOut();
    void connectionAttemptIsBoundedToo();
    void secondFetchWithoutResetKeepsTheFirstText();
    void nextFetchStartedFromTheReport();
    void responseOverTheCapIsDropped();
    void destroyingALiveFetchReportsNothing();
    void fetchStaysOnTheCreatingThread();
    void requestLeavesWhenTheConnectionIsMade();
};

void tst_CWebSocket::freshObject()
{
    const CWebSocket fetch(nullptr, 3);
    QCOMPARE(fetch.index(), 3);
    QCOMPARE(fetch.port(), 80);
    QCOMPARE(fetch.receivedTotal(), 0);
    QCOMPARE(fetch.timeoutInterval(), 25000);
    QVERIFY(fetch.host().isNull());
    QVERIFY(fetch.path().isNull());
    QVERIFY(fetch.cookie().isNull());
    QVERIFY(fetch.referer().isNull());
    QVERIFY(fetch.domain().isNull());
    QVERIFY(fetch.response().isNull());
}

void tst_CWebSocket::requestBytes_data()
{
    QTest::addColumn<bool>("resetFirst");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("referer");
    QTest::addColumn<QString>("cookie");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("referer and cookie never set")
        << false << "/siteinfo/example.com" << QString() << QString()
        << "GET /siteinfo/example.com HTTP/1.0\r\n" + FixedHead + "Connection: close\r\n\r\n";
    QTest::newRow("after reset only the referer given")
        << true << "/siteinfo/example.com" << "http://r.example/search?q=example.com" << QString()
        << "GET /siteinfo/example.com HTTP/1.0\r\n" + FixedHead
               + "Referer: http://r.example/search?q=example.com\r\nCookie: \r\nConnection: close\r\n\r\n";
    QTest::newRow("empty referer and cookie given")
        << false << "/" << "" << ""
        << "GET / HTTP/1.0\r\n" + FixedHead + "Referer: \r\nCookie: \r\nConnection: close\r\n\r\n";
    QTest::newRow("cookie without referer")
        << false << "/a" << QString() << "id=1; x=2"
        << "GET /a HTTP/1.0\r\n" + FixedHead + "Cookie: id=1; x=2\r\nConnection: close\r\n\r\n";
    QTest::newRow("path unencoded, beyond Latin-1 as ?")
        << false << QStringLiteral("/site info/\u00e9\u20ac\u4e2d") << QString() << QString()
        << "GET /site info/\xe9?? HTTP/1.0\r\n" + FixedHead + "Connection: close\r\n\r\n";
}

void tst_CWebSocket::requestBytes()
{
    QFETCH(bool, resetFirst);
    QFETCH(QString, path);
    QFETCH(QString, referer);
    QFETCH(QString, cookie);
    QFETCH(QByteArray, expected);

    CLoopbackServer server;
    server.setDefaultReply(CLoopbackServer::page("ok"));
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    if (resetFirst)
        fetch.reset();
    aimAt(fetch, server.port(), path);
    if (!referer.isNull())
        fetch.setReferer(referer);
    if (!cookie.isNull())
        fetch.setCookie(cookie);
    fetch.connectToHost();

    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.retrieved.count(), 1);
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().constFirst(), expected);
}

void tst_CWebSocket::chunksAreJoinedAndCounted()
{
    CLoopbackServer server;
    const QList<QByteArray> chunks{"HTTP/1.0 200 OK\r\n\r\n", "<html>first", " second", " third</html>"};
    server.setDefaultReply({chunks, 50, true});
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    aimAt(fetch, server.port(), QStringLiteral("/"));
    fetch.connectToHost();

    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.retrieved.count(), 1);
    const QString whole = QStringLiteral("HTTP/1.0 200 OK\r\n\r\n<html>first second third</html>");
    QCOMPARE(fetch.response(), whole);
    QCOMPARE(fetch.receivedTotal(), whole.size());
}

void tst_CWebSocket::zeroByteDropsTheRestOfItsChunk()
{
    CLoopbackServer server;
    server.setManual(true);
    QSignalSpy requested(&server, &CLoopbackServer::requestReceived);
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    QSignalSpy arrived(innerSocket(fetch), &QTcpSocket::readyRead);
    aimAt(fetch, server.port(), QStringLiteral("/"));
    fetch.connectToHost();
    QVERIFY(requested.wait(10000));

    // Each chunk is sent only once the previous one has been read, so that
    // the two cannot arrive as one.
    server.send(QByteArray("caf\xe9\0dropped", 12));
    QTRY_VERIFY_WITH_TIMEOUT(arrived.count() >= 1, 10000);
    server.send(" kept");
    QTRY_VERIFY_WITH_TIMEOUT(arrived.count() >= 2, 10000);
    server.closeConnection();

    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.retrieved.count(), 1);
    QCOMPARE(fetch.response(), QStringLiteral("caf\u00e9 kept"));
}

void tst_CWebSocket::remoteCloseEndsInSuccess_data()
{
    QTest::addColumn<CLoopbackServer::Reply>("reply");
    QTest::addColumn<QString>("expected");

    QTest::newRow("error status is still a response")
        << CLoopbackServer::notFound()
        << QString::fromLatin1(CLoopbackServer::notFound().chunks.constFirst());
    QTest::newRow("closed without an answer") << CLoopbackServer::Reply{} << QString();
}

void tst_CWebSocket::remoteCloseEndsInSuccess()
{
    QFETCH(CLoopbackServer::Reply, reply);
    QFETCH(QString, expected);

    CLoopbackServer server;
    server.setDefaultReply(reply);
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    aimAt(fetch, server.port(), QStringLiteral("/missing"));
    fetch.connectToHost();

    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.retrieved.count(), 1);
    QCOMPARE(fetch.response(), expected);
}

void tst_CWebSocket::droppedConnectionReportsOnce()
{
    // Closed before the request is read: the request may meet a reset, so
    // either report is right, but only one.
    CLoopbackServer server;
    server.setCloseOnAccept(true);
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    aimAt(fetch, server.port(), QStringLiteral("/"));
    fetch.connectToHost();
    QVERIFY(settledAfterOneReport(reports));
}

void tst_CWebSocket::refusedConnectionIsAnError()
{
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    aimAt(fetch, CLoopbackServer::closedPort(), QStringLiteral("/"));
    fetch.connectToHost();

    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.failed.count(), 1);
    QCOMPARE(fetch.receivedTotal(), 0);
}

void tst_CWebSocket::serverThatNeverClosesTimesOut()
{
    CLoopbackServer server;
    server.setDefaultReply({{"HTTP/1.0 200 OK\r\n\r\npartial"}, 0, false});
    CWebSocket fetch(nullptr, 0);
    fetch.setTimeoutInterval(200);
    Reports reports(&fetch);
    aimAt(fetch, server.port(), QStringLiteral("/"));
    fetch.connectToHost();

    // Closing the still established connection raises a disconnection; it
    // must not be reported as a success on top of the time-out.
    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.failed.count(), 1);
    QCOMPARE(innerSocket(fetch)->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(fetch.response().isNull());
}

void tst_CWebSocket::connectionAttemptIsBoundedToo()
{
    // A listener that never accepts, with its queue already full: the
    // handshake of the next connection is never answered.
    QTcpServer stalled;
    stalled.setListenBacklogSize(0);
    QVERIFY(stalled.listen(QHostAddress::LocalHost, 0));
    stalled.pauseAccepting();
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, stalled.serverPort());
    QVERIFY(filler.waitForConnected(10000));

    CWebSocket fetch(nullptr, 0);
    fetch.setTimeoutInterval(200);
    Reports reports(&fetch);
    QSignalSpy connected(innerSocket(fetch), &QTcpSocket::connected);
    aimAt(fetch, stalled.serverPort(), QStringLiteral("/"));
    fetch.connectToHost();

    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.failed.count(), 1);
    QCOMPARE(connected.count(), 0);
    QCOMPARE(innerSocket(fetch)->state(), QAbstractSocket::UnconnectedState);
}

void tst_CWebSocket::secondFetchWithoutResetKeepsTheFirstText()
{
    CLoopbackServer server;
    server.setReply(QStringLiteral("/a"), {{"first;"}});
    server.setReply(QStringLiteral("/b"), {{"second;"}});
    server.setReply(QStringLiteral("/c"), {{"third;"}});
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);

    aimAt(fetch, server.port(), QStringLiteral("/a"));
    fetch.connectToHost();
    QVERIFY(settledAfterOneReport(reports));
    fetch.setPath(QStringLiteral("/b"));
    fetch.connectToHost();
    QTRY_COMPARE_WITH_TIMEOUT(reports.retrieved.count(), 2, 10000);
    QCOMPARE(fetch.response(), QStringLiteral("first;second;"));
    QCOMPARE(fetch.receivedTotal(), 6 + 13);

    fetch.reset();
    QCOMPARE(fetch.receivedTotal(), 0);
    QVERIFY(fetch.response().isEmpty());
    aimAt(fetch, server.port(), QStringLiteral("/c"));
    fetch.connectToHost();
    QTRY_COMPARE_WITH_TIMEOUT(reports.retrieved.count(), 3, 10000);
    QCOMPARE(fetch.response(), QStringLiteral("third;"));
    QCOMPARE(fetch.receivedTotal(), 6);
    QCOMPARE(reports.failed.count(), 0);
}

void tst_CWebSocket::nextFetchStartedFromTheReport()
{
    // The owner resets the object and starts its next fetch while the
    // report of the previous one is still being delivered.
    CLoopbackServer server;
    server.setReply(QStringLiteral("/1"), {{"one"}});
    server.setReply(QStringLiteral("/2"), {{"two"}});
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    QStringList responses;
    connect(&fetch, &CWebSocket::dataRetrieved, this, [&] {
        responses << fetch.response();
        if (responses.size() == 1) {
            fetch.reset();
            aimAt(fetch, server.port(), QStringLiteral("/2"));
            fetch.connectToHost();
        }
    });
    aimAt(fetch, server.port(), QStringLiteral("/1"));
    fetch.connectToHost();

    QTRY_COMPARE_WITH_TIMEOUT(responses.size(), 2, 10000);
    QTest::qWait(400);
    QCOMPARE(responses, QStringList({QStringLiteral("one"), QStringLiteral("two")}));
    QCOMPARE(reports.failed.count(), 0);
    QCOMPARE(server.requestedPaths(), QStringList({QStringLiteral("/1"), QStringLiteral("/2")}));
}

void tst_CWebSocket::responseOverTheCapIsDropped()
{
    CLoopbackServer server;
    server.setManual(true);
    QSignalSpy requested(&server, &CLoopbackServer::requestReceived);
    CWebSocket fetch(nullptr, 0);
    fetch.setResponseLimit(1000);
    Reports reports(&fetch);
    QSignalSpy arrived(innerSocket(fetch), &QTcpSocket::readyRead);
    aimAt(fetch, server.port(), QStringLiteral("/huge"));
    fetch.connectToHost();
    QVERIFY(requested.wait(10000));

    // Some text is taken in first, then the rest passes the cap. The
    // connection stays open, so only the cap can end this fetch in time.
    server.send("HTTP/1.0 200 OK\r\n\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(arrived.count() >= 1, 10000);
    server.send(QByteArray(100000, 'x'));
    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(reports.failed.count(), 1);
    QCOMPARE(fetch.receivedTotal(), 0);

    // No reset: had the abandoned text been kept, it would lead this response.
    server.setManual(false);
    server.setReply(QStringLiteral("/small"), {{"small"}});
    fetch.setPath(QStringLiteral("/small"));
    fetch.connectToHost();
    QTRY_COMPARE_WITH_TIMEOUT(reports.retrieved.count(), 1, 10000);
    QCOMPARE(fetch.response(), QStringLiteral("small"));
}

void tst_CWebSocket::destroyingALiveFetchReportsNothing()
{
    CLoopbackServer server;
    server.setManual(true);
    QSignalSpy requested(&server, &CLoopbackServer::requestReceived);
    auto fetch = std::make_unique<CWebSocket>(nullptr, 0);
    Reports reports(fetch.get());
    aimAt(*fetch, server.port(), QStringLiteral("/"));
    fetch->connectToHost();
    QVERIFY(requested.wait(10000));

    fetch.reset();
    QTest::qWait(100);
    QCOMPARE(reports.total(), 0);
}

void tst_CWebSocket::fetchStaysOnTheCreatingThread()
{
    CLoopbackServer server;
    server.setDefaultReply(CLoopbackServer::page("ok"));
    CWebSocket fetch(nullptr, 0);
    fetch.start();
    QThread *reportedOn = nullptr;
    connect(&fetch, &CWebSocket::dataRetrieved, this, [&] { reportedOn = QThread::currentThread(); },
            Qt::DirectConnection);
    aimAt(fetch, server.port(), QStringLiteral("/"));
    fetch.connectToHost();

    QTRY_VERIFY_WITH_TIMEOUT(reportedOn != nullptr, 10000);
    QCOMPARE(reportedOn, QThread::currentThread());
    QVERIFY(fetch.isRunning());
    fetch.quit();
    QVERIFY(fetch.wait(10000));
}

// The service answers only once the request has reached it: a request left
// in the socket's buffer until a later pass of the event loop holds up a run.
void tst_CWebSocket::requestLeavesWhenTheConnectionIsMade()
{
    CLoopbackServer server;
    server.setDefaultReply(CLoopbackServer::page("ok"));
    CWebSocket fetch(nullptr, 0);
    Reports reports(&fetch);
    aimAt(fetch, server.port(), QStringLiteral("/"));
    QTcpSocket *socket = innerSocket(fetch);
    QVERIFY(socket);
    qint64 unsent = -1;
    // Connected after the fetch's own slot, so this runs once it has written.
    connect(socket, &QTcpSocket::connected, this, [&] { unsent = socket->bytesToWrite(); });
    fetch.connectToHost();

    QVERIFY(settledAfterOneReport(reports));
    QCOMPARE(unsent, 0);
    QCOMPARE(server.requests().size(), 1);
}

QTEST_GUILESS_MAIN(tst_CWebSocket)
#include "tst_CWebSocket.moc"
