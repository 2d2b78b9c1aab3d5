#include "pageformat/CSiteInfoFormat.h"
#include "rankservice/crux/CCruxMonths.h"
#include "rankservice/crux/CCruxOrigins.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/server/CRankRouter.h"
#include "rankservice/server/CRankServer.h"
#include "rankservice/server/CRequestReader.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

QByteArray get(const QByteArray &path, const QByteArray &version = "HTTP/1.0")
{
    return "GET " + path + ' ' + version + "\r\nHost: 127.0.0.1\r\nReferer: x\r\nCookie: \r\nConnection: close\r\n\r\n";
}

QByteArray statusLine(const QByteArray &response)
{
    return response.left(response.indexOf("\r\n"));
}

// A client that gathers everything until the server closes.
class CClient : public QObject
{
public:
    explicit CClient(quint16 port)
    {
        connect(&socket, &QTcpSocket::readyRead, this, [this] { received += socket.readAll(); });
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    bool waitConnected()
    {
        return QTest::qWaitFor(
            [this] { return socket.state() == QAbstractSocket::ConnectedState; }, 10000);
    }
    bool closedByServer()
    {
        // Waits by spinning the event loop, so the server in this thread keeps working.
        const bool closed = QTest::qWaitFor(
            [this] { return socket.state() == QAbstractSocket::UnconnectedState; }, 10000);
        received += socket.readAll();
        return closed;
    }

    QTcpSocket socket;
    QByteArray received;
};

} // namespace

class tst_RankServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void answers_data();
    void answers();
    void closesAfterEachAnswer_data();
    void closesAfterEachAnswer();
    void dropsIdleClients();
    void survivesBadClients_data();
    void survivesBadClients();
    void servesManyAtOnce();
    void slowClientsCrowdNoOneOut();
    void refusesPagesWhileLoading();
    void pastDaysFollowTheHeldLists();
    void oldDaysMayLieBetweenKeptLists_data();
    void oldDaysMayLieBetweenKeptLists();
    void usRankFromTheMonthThatCoversTheDay_data();
    void usRankFromTheMonthThatCoversTheDay();
    void globalRankFromChromesWorldMonths();
    void headIsGetWithoutBody_data();
    void headIsGetWithoutBody();
    void floodKeepsRequestsThatAreIn();
    void newcomersPastTheCapWaitForTheirRequest();
    void silentConnectionsNeverReachTheServer();

private:
    quint16 port() const { return m_server->serverPort(); }
    QByteArray fetch(const QByteArray &request);

    QTemporaryDir m_dir;
    CSnapshotStore m_store;
    CRankRouter m_router{m_store};
    std::unique_ptr<CRankServer> m_server;
};

void tst_RankServer::initTestCase()
{
    // Site i ranks i * 1000 on the newest day, a little lower on the two before.
    const auto writeDay = [this](const QString &day, int offset) {
        QFile list(m_dir.filePath(day + QStringLiteral(".csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        QByteArray rows;
        for (int i = 1; i <= 60; ++i)
            rows += QByteArray::number(i * 1000 + offset) + ",site" + QByteArray::number(i) + ".test\n";
        list.write(rows);
    };
    writeDay(QStringLiteral("2026-03-31"), 0);
    writeDay(QStringLiteral("2026-03-30"), 2);
    writeDay(QStringLiteral("2026-03-20"), 10);
    QCOMPARE(m_store.load(m_dir.path()).rows, 180);

    m_server = std::make_unique<CRankServer>(m_router);
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
}

QByteArray tst_RankServer::fetch(const QByteArray &request)
{
    CClient client(port());
    if (!client.waitConnected())
        return "not connected";
    client.socket.write(request);
    if (!client.closedByServer())
        return "not closed";
    return client.received;
}

void tst_RankServer::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("bodyPart");

    const QByteArray ok = "HTTP/1.1 200 OK";
    const QByteArray missing = "HTTP/1.1 404 Not Found";
    const QByteArray bad = "HTTP/1.1 400 Bad Request";
    QTest::newRow("page, 1.0") << get("/siteinfo/site7.test") << ok << QByteArray("\n7,000 ");
    QTest::newRow("page, 1.1") << get("/siteinfo/site7.test", "HTTP/1.1") << ok << QByteArray("\n7,000 ");
    QTest::newRow("page, heading as asked") << get("/siteinfo/Site7.TEST") << ok
                                            << QByteArray("<p>Traffic rank for Site7.TEST:</p>");
    QTest::newRow("page, unknown key") << get("/siteinfo/site7.test?x=1") << bad << QByteArray("date=YYYY-MM-DD");
    QTest::newRow("page, date without =") << get("/siteinfo/site7.test?date") << bad << QByteArray("date=YYYY-MM-DD");
    QTest::newRow("page, DATE=") << get("/siteinfo/site7.test?DATE=2026-03-30") << bad << QByteArray("date=");
    QTest::newRow("page, date= empty") << get("/siteinfo/site7.test?date=") << bad << QByteArray("date=");
    QTest::newRow("page, empty query") << get("/siteinfo/site7.test?") << bad << QByteArray("date=");
    QTest::newRow("page, date twice") << get("/siteinfo/site7.test?date=2026-03-30&date=2026-03-30") << bad
                                      << QByteArray("date=");
    QTest::newRow("page, date and more") << get("/siteinfo/site7.test?date=2026-03-30&x") << bad << QByteArray("date=");
    QTest::newRow("page, date not a day") << get("/siteinfo/site7.test?date=2026-02-30") << bad
                                          << QByteArray("YYYY-MM-DD");
    QTest::newRow("page, date in another form") << get("/siteinfo/site7.test?date=30.03.2026") << bad
                                                << QByteArray("YYYY-MM-DD");
    QTest::newRow("page, date after today") << get("/siteinfo/site7.test?date=2999-01-01") << bad
                                            << QByteArray("after today");
    // Past days from the ranks held: 7,002 that day; means 7,002 over a week, 7,006 over a month.
    QTest::newRow("past day, held") << get("/siteinfo/site7.test?date=2026-03-30") << ok
                                    << QByteArray("Figures as of 2026-03-30.");
    QTest::newRow("past day, its rank") << get("/siteinfo/site7.test?date=2026-03-30") << ok << QByteArray("\n7,002 ");
    QTest::newRow("past day, its month") << get("/siteinfo/site7.test?date=2026-03-30") << ok << QByteArray(">7,006<");
    QTest::newRow("past day, its list") << get("/siteinfo/site7.test?date=2026-03-30") << ok
                                        << QByteArray("newest list: 2026-03-30.");
    QTest::newRow("past day without a list") << get("/siteinfo/site7.test?date=2026-03-25") << ok
                                             << QByteArray("newest list: 2026-03-20.");
    QTest::newRow("past day, the oldest held") << get("/siteinfo/site7.test?date=2026-03-20") << ok
                                               << QByteArray("\n7,010 ");
    QTest::newRow("past day before the held") << get("/siteinfo/site7.test?date=2026-03-19") << missing
                                              << QByteArray("<p>no list held for that day</p>");
    QTest::newRow("past day after the newest list") << get("/siteinfo/site7.test?date=2026-12-01") << ok << QByteArray("\n7,000 ");
    QTest::newRow("status, with a query") << get("/status?x") << bad << QByteArray();
    QTest::newRow("page, unknown domain") << get("/siteinfo/unlisted.test") << ok
                                          << QByteArray("No ranking list held by this service ranks");
    QTest::newRow("page, markup in the name is escaped") << get("/siteinfo/<b>") << ok
                                                         << QByteArray("Traffic rank for &lt;b&gt;:");
    QTest::newRow("root") << get("/") << missing << QByteArray();
    QTest::newRow("no domain") << get("/siteinfo/") << missing << QByteArray();
    QTest::newRow("deeper path") << get("/siteinfo/site7.test/more") << missing << QByteArray();
    QTest::newRow("other page") << get("/search?q=site7.test&r=home_home&p=bigtop") << missing << QByteArray();
    QTest::newRow("other method") << QByteArray("POST /siteinfo/site7.test HTTP/1.0\r\n\r\n") << bad << QByteArray("HEAD");
    QTest::newRow("malformed") << QByteArray("GET /siteinfo/site7.test HTTP/9\r\n\r\n") << bad << QByteArray();
    QTest::newRow("head over 8 KiB") << QByteArray("GET /siteinfo/" + QByteArray(9000, 'a')) << bad
                                     << QByteArray("8 KiB");
    // Answered whole, though the client is still sending: never reset first.
    QTest::newRow("request line of 1 MB") << QByteArray("GET /siteinfo/" + QByteArray(1 << 20, 'a') + " HTTP/1.1\r\n\r\n")
                                          << bad << QByteArray("8 KiB");
}

void tst_RankServer::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, bodyPart);

    // The same answer without a network and over loopback.
    CRequestReader reader;
    reader.feed(request);
    const QByteArray direct = m_router.answer(reader);
    QCOMPARE(fetch(request), direct);

    QCOMPARE(statusLine(direct), status);
    const qsizetype headEnd = direct.indexOf("\r\n\r\n") + 4;
    QVERIFY(direct.left(headEnd).contains("\r\nConnection: close\r\n"));
    QVERIFY(direct.left(headEnd).contains(
        QByteArray("\r\nContent-Length: " + QByteArray::number(direct.size() - headEnd) + "\r\n")));
    QVERIFY2(direct.indexOf(bodyPart, headEnd) >= 0, direct.constData());
}

void tst_RankServer::closesAfterEachAnswer_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::newRow("1.0") << QByteArray("HTTP/1.0");
    QTest::newRow("1.1") << QByteArray("HTTP/1.1");
}

void tst_RankServer::closesAfterEachAnswer()
{
    QFETCH(QByteArray, version);
    // Even a client that asks to keep the connection, sends a second request
    // at once and keeps its own end open gets one answer and the close.
    CClient client(port());
    QVERIFY(client.waitConnected());
    client.socket.write("GET /siteinfo/site1.test " + version + "\r\nHost: h\r\nConnection: keep-alive\r\n\r\n"
                        + get("/siteinfo/site2.test"));
    QVERIFY(client.closedByServer());
    QCOMPARE(client.received.count("HTTP/1.1 200 OK"), 1);
    QVERIFY(client.received.contains("\n1,000 "));
    QTRY_COMPARE(m_server->openConnections(), 0);
}

void tst_RankServer::dropsIdleClients()
{
    const auto previous = m_server->deadline();
    m_server->setDeadline(300ms);

    CClient silent(port());
    QVERIFY(silent.waitConnected());
    CClient halfway(port());
    QVERIFY(halfway.waitConnected());
    halfway.socket.write("GET /siteinfo/site1.test HTTP/1.0\r\nHost:");

    QVERIFY(silent.closedByServer());
    QVERIFY(halfway.closedByServer());
    QCOMPARE(silent.received, QByteArray());
    QCOMPARE(halfway.received, QByteArray());
    QTRY_COMPARE(m_server->openConnections(), 0);
    m_server->setDeadline(previous);
}

void tst_RankServer::survivesBadClients_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("leaveMidway");

    QByteArray noise(4096, Qt::Uninitialized);
    quint32 x = 12345;
    for (char &c : noise) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 24);
    }
    QTest::newRow("leaves mid-request") << QByteArray("GET /siteinfo/site1.te") << true;
    QTest::newRow("leaves right away") << QByteArray() << true;
    QTest::newRow("binary noise") << noise << false;
    QTest::newRow("binary noise, then leaves") << noise << true;
    QTest::newRow("zero bytes") << QByteArray(3000, '\0') << false;
    QTest::newRow("a megabyte of one line") << QByteArray(1 << 20, 'a') << false;
    QTest::newRow("a megabyte, then leaves") << QByteArray(1 << 20, '\n') << true;
}

void tst_RankServer::survivesBadClients()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, leaveMidway);

    CClient bad(port());
    QVERIFY(bad.waitConnected());
    bad.socket.write(bytes);
    if (leaveMidway) {
        bad.socket.flush();
        bad.socket.abort();
    }

    // Served while the bad client is still being dealt with.
    CClient good(port());
    QVERIFY(good.waitConnected());
    good.socket.write(get("/siteinfo/site3.test"));
    QVERIFY(good.closedByServer());
    QVERIFY2(good.received.startsWith("HTTP/1.1 200 OK"), good.received.left(200).constData());
    QVERIFY(good.received.contains("\n3,000 "));

    if (!leaveMidway) {
        QVERIFY(bad.closedByServer());
        // Either a 400 answer or a bare close.
        QVERIFY2(bad.received.isEmpty() || bad.received.startsWith("HTTP/1.1 400 Bad Request\r\n"),
                 bad.received.left(80).constData());
    }
    QTRY_COMPARE(m_server->openConnections(), 0);
}

void tst_RankServer::servesManyAtOnce()
{
    constexpr int Clients = 60;
    std::vector<std::unique_ptr<CClient>> clients;
    for (int i = 1; i <= Clients; ++i)
        clients.push_back(std::make_unique<CClient>(port()));
    for (int i = 1; i <= Clients; ++i) {
        QVERIFY(clients[size_t(i - 1)]->waitConnected());
        clients[size_t(i - 1)]->socket.write(get("/siteinfo/site" + QByteArray::number(i) + ".test"));
    }
    for (int i = 1; i <= Clients; ++i) {
        CClient &client = *clients[size_t(i - 1)];
        QVERIFY(client.closedByServer());
        QVERIFY(client.received.startsWith("HTTP/1.1 200 OK"));
        QVERIFY2(client.received.contains(QByteArray('\n' + QByteArray::number(i) + ",000 ")), qPrintable(QString::number(i)));
    }
    QTRY_COMPARE(m_server->openConnections(), 0);
}

void tst_RankServer::slowClientsCrowdNoOneOut()
{
    // Slow clients would otherwise be waited for until their deadline, far
    // longer than the wait below.
    const auto previous = m_server->deadline();
    m_server->setDeadline(10min);

    constexpr int Slow = 1000;
    // Both ends of every connection live in this process.
    rlimit files{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
    constexpr rlim_t Needed = 2 * Slow + 256;
    if (files.rlim_cur < Needed) {
        files.rlim_cur = qMin(files.rlim_max, Needed);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &files), 0);
    }
    if (files.rlim_cur < Needed)
        QSKIP("the limit on open files is too low for a thousand connections");
    constexpr int Batch = 50; // within the system's backlog of connections not yet taken in
    std::vector<std::unique_ptr<CClient>> slow;
    while (slow.size() < size_t(Slow)) {
        for (int i = 0; i < Batch; ++i) {
            slow.push_back(std::make_unique<CClient>(port()));
            QTcpSocket *socket = &slow.back()->socket;
            connect(socket, &QTcpSocket::connected, socket,
                    [socket] { socket->write("GET /siteinfo/site1.test HTTP/1.0\r\nHost:"); });
        }
        // Until the server has taken in every one so far (or dropped it for a newer one).
        QVERIFY2(QTest::qWaitFor([&] {
                     return m_server->openConnections() + m_server->droppedIdle() >= qint64(slow.size());
                 }, 20000),
                 qPrintable(QStringLiteral("%1 slow clients, %2 open").arg(slow.size()).arg(m_server->openConnections())));
    }
    QVERIFY(m_server->openConnections() <= CRankServer::MaxPerAddress);
    QVERIFY(m_server->droppedIdle() >= Slow - CRankServer::MaxPerAddress);

    // A normal client is answered (the wait is only a guard against a hang).
    CClient good(port());
    QVERIFY(good.waitConnected());
    good.socket.write(get("/siteinfo/site3.test"));
    QVERIFY(good.closedByServer());
    QVERIFY2(good.received.startsWith("HTTP/1.1 200 OK"), good.received.left(200).constData());
    QVERIFY(good.received.contains("\n3,000 "));

    // The newest slow clients are still held, the oldest were let go.
    QCOMPARE(slow.front()->socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(slow.back()->socket.state(), QAbstractSocket::ConnectedState);
    slow.clear();
    QTRY_COMPARE(m_server->openConnections(), 0);
    m_server->setDeadline(previous);
}

void tst_RankServer::refusesPagesWhileLoading()
{
    m_router.setLoading(QStringLiteral("3 of 90 lists read"));
    const QByteArray loading = fetch(get("/siteinfo/site7.test"));
    QCOMPARE(statusLine(loading), QByteArray("HTTP/1.1 503 Service Unavailable"));
    QVERIFY(loading.contains("Content-Type: text/plain"));
    QVERIFY2(loading.endsWith("\r\n\r\nloading: 3 of 90 lists read\n"), loading.constData());
    QVERIFY(fetch(get("/status")).contains("\"loading\":\"3 of 90 lists read\""));
    QCOMPARE(statusLine(fetch(get("/nothing"))), QByteArray("HTTP/1.1 404 Not Found"));

    m_router.setLoaded();
    const QByteArray page = fetch(get("/siteinfo/site7.test"));
    QCOMPARE(statusLine(page), QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(page.contains("\n7,000 "));
    QVERIFY(fetch(get("/status")).contains("\"loading\":null"));
}

void tst_RankServer::pastDaysFollowTheHeldLists()
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, const QByteArray &text) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write(QStringLiteral("2026-03-31.csv"), "5,late.test\n");
    CSnapshotStore store;
    store.load(dir.path());
    CRankRouter router(store);
    const auto answer = [&router](const QByteArray &path) {
        CRequestReader request;
        request.feed(get(path));
        return router.answer(request);
    };
    QVERIFY(answer("/siteinfo/late.test?date=2026-03-20").contains("no list held for that day"));

    // A newer day folded in is held beside the one before; a list of an
    // older day found meanwhile is not read on the way.
    write(QStringLiteral("2026-03-15.csv"), "3,early.test\n");
    write(QStringLiteral("2026-04-01.csv"), "6,late.test\n");
    store.addNewer(dir.path());
    QVERIFY(answer("/siteinfo/early.test?date=2026-03-20").startsWith("HTTP/1.1 404 Not Found\r\n"));
    const QByteArray before = answer("/siteinfo/late.test?date=2026-03-31");
    QVERIFY2(before.startsWith("HTTP/1.1 200 OK\r\n"), before.constData());
    QVERIFY(before.contains("newest list: 2026-03-31."));
    QVERIFY(before.contains("\n5 "));
    QVERIFY(answer("/siteinfo/late.test?date=2026-04-01").contains("\n6 "));
}

void tst_RankServer::oldDaysMayLieBetweenKeptLists_data()
{
    QTest::addColumn<int>("every");
    QTest::addColumn<int>("after"); // days after the first kept list (negative: before today)
    QTest::addColumn<int>("listAge"); // of the list the page comes from; -1: refused

    // Held (--max-age 3): two kept lists a week apart past the newest 90
    // days, the third one missing, the fourth there; and two lists 6 days
    // apart within the 90 days (see the test).
    QTest::newRow("past the 90 days: within a week of a kept list") << 7 << 5 << 5;
    QTest::newRow("past the 90 days: the day before the next kept list") << 7 << 6 << 6;
    QTest::newRow("past the 90 days: a kept list missing") << 7 << 15 << -1;
    QTest::newRow("past the 90 days: --every 1 keeps --max-age") << 1 << 5 << -1;
    QTest::newRow("past the 90 days: within --max-age at --every 1") << 1 << 3 << 3;
    QTest::newRow("within the 90 days: past --max-age") << 7 << -82 << -1;
    QTest::newRow("within the 90 days: within --max-age") << 7 << -84 << 2;
}

void tst_RankServer::oldDaysMayLieBetweenKeptLists()
{
    QFETCH(int, every);
    QFETCH(int, after);
    QFETCH(int, listAge);
    const QDate today = CListSource::today();
    QDate kept = today.addDays(-150);
    while (kept.toJulianDay() % 7 != 0)
        kept = kept.addDays(-1);
    QTemporaryDir dir;
    for (const QDate &day : {kept, kept.addDays(7), kept.addDays(21), today.addDays(-86), today.addDays(-80), today}) {
        QFile list(dir.filePath(day.toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("5,site.test\n");
    }
    CSnapshotStore store;
    CSnapshotStore::LoadOptions options;
    options.heldDays = 365;
    store.load(dir.path(), options);
    CRankRouter router(store);
    router.setMaxAgeDays(3);
    router.setKeptEvery(every);

    const QDate day = after < 0 ? today.addDays(after) : kept.addDays(after);
    CRequestReader request;
    request.feed(get("/siteinfo/site.test?date=" + day.toString(Qt::ISODate).toLatin1()));
    const QByteArray page = router.answer(request);
    if (listAge < 0) {
        QVERIFY2(page.startsWith("HTTP/1.1 404 Not Found\r\n"), page.constData());
        QVERIFY2(page.contains("No list is held on or within"), page.constData());
        return;
    }
    QVERIFY2(page.startsWith("HTTP/1.1 200 OK\r\n"), page.constData());
    QVERIFY2(page.contains(QByteArray("newest list: " + day.addDays(-listAge).toString(Qt::ISODate).toLatin1())), page.constData());
}

void tst_RankServer::usRankFromTheMonthThatCoversTheDay_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("usRank"); // empty: none on the page
    QTest::addColumn<QString>("month");

    const QDate lastMonth = QDate::currentDate().addMonths(-1);
    QTest::newRow("undated: today's month or the one before")
        << QByteArray("/siteinfo/site7.test") << QByteArray("10,000") << lastMonth.toString(QStringLiteral("yyyy-MM"));
    QTest::newRow("dated: its own month") << QByteArray("/siteinfo/www.site7.test?date=2026-05-31")
                                          << QByteArray("1,000") << QStringLiteral("2026-05");
    QTest::newRow("dated: the newest month before it") << QByteArray("/siteinfo/site7.test?date=2026-06-10")
                                                       << QByteArray("1,000") << QStringLiteral("2026-05");
    QTest::newRow("dated: no month within two") << QByteArray("/siteinfo/site7.test?date=2026-08-20") << QByteArray()
                                                << QString();
    QTest::newRow("dated: a name no origin counts for") << QByteArray("/siteinfo/other.test?date=2026-05-31")
                                                        << QByteArray() << QStringLiteral("2026-05");
}

void tst_RankServer::usRankFromTheMonthThatCoversTheDay()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, usRank);
    QFETCH(QString, month);
    // Daily lists as a public source gives them; its own United States list is not served.
    QTemporaryDir dir;
    for (const char *name : {"2026-05-31.csv", "2026-06-10.csv", "2026-08-20.csv", "2026-08-20.us.csv"}) {
        QFile list(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("7000,site7.test\n9000,other.test\n");
    }
    CSnapshotStore store;
    store.load(dir.path());
    const CCruxOrigins origins;
    CCruxMonths months;
    const auto hold = [&months, &origins](const QDate &first, const QByteArray &rows) {
        QVERIFY(months.addText(first, QByteArray("origin,rank\n" + rows), origins));
    };
    hold(QDate(2026, 4, 1), "https://site7.test,5000\n");
    hold(QDate(2026, 5, 1), "https://www.site7.test:443,1000\nhttps://other.example,1000\n");
    hold(QDate::currentDate().addMonths(-1), "http://shop.site7.test,10000\n");
    CRankRouter router(store);
    router.setUsMonths(&months, {QStringLiteral("crux-us"), QStringLiteral("Chrome UX Report"), QStringLiteral("CC BY 4.0"), {}});

    CRequestReader request;
    request.feed(get(path));
    const QByteArray page = router.answer(request);
    QVERIFY2(page.startsWith("HTTP/1.1 200 OK\r\n"), page.constData());
    const QByteArray marker = QByteArray(CSiteInfoFormat::UsMarker.data(), CSiteInfoFormat::UsMarker.size()) + '\n';
    QCOMPARE(page.contains(marker), !usRank.isEmpty());
    if (!usRank.isEmpty())
        QVERIFY2(page.contains(QByteArray(marker + usRank + ' ')), page.constData());
    const QByteArray attribution = "United States: Chrome UX Report, top origins in " + month.toLatin1()
        + ", ranked in buckets; CC BY 4.0</p>";
    QCOMPARE(page.contains(attribution), !month.isEmpty());

    CRequestReader statusRequest;
    statusRequest.feed(get("/status"));
    const QByteArray status = router.answer(statusRequest);
    const QJsonObject us =
        QJsonDocument::fromJson(status.mid(status.indexOf("\r\n\r\n") + 4)).object().value(u"us").toObject();
    QCOMPARE(us.value(u"source").toString(), QStringLiteral("crux-us"));
    QCOMPARE(us.value(u"month").toString(), QDate::currentDate().addMonths(-1).toString(QStringLiteral("yyyy-MM")));
    QCOMPARE(us.value(u"rows").toInt(), 1);
}

void tst_RankServer::globalRankFromChromesWorldMonths()
{
    // --source crux: no daily list, the global rank is the world month's bucket.
    const CSnapshotStore none;
    const CCruxOrigins origins;
    CCruxMonths world;
    const QDate lastMonth = QDate::currentDate().addMonths(-1);
    QVERIFY(world.addText(lastMonth, "origin,rank\nhttps://www.site7.test,5000\n", origins));
    CRankRouter router(none);
    router.setMaxAgeDays(3);
    router.setSource({QStringLiteral("crux"), QStringLiteral("Chrome UX Report"), QStringLiteral("CC BY 4.0"), {}});
    router.setGlobalMonths(&world);
    QVERIFY(router.staleReason(QDate::currentDate()).isEmpty());
    QCOMPARE(router.staleReason(lastMonth.addMonths(3)),
             "newest crux list is of " + lastMonth.toString(QStringLiteral("yyyy-MM")));
    const auto answer = [&router](const QByteArray &path) {
        CRequestReader request;
        request.feed(get(path));
        return router.answer(request);
    };
    const QByteArray page = answer("/siteinfo/site7.test");
    const QByteArray marker(CSiteInfoFormat::GlobalMarker.data(), CSiteInfoFormat::GlobalMarker.size());
    QVERIFY2(page.contains(QByteArray(marker + "\n5,000 ")), page.constData());
    QVERIFY(page.contains(QByteArray("List: Chrome UX Report, top origins in " + lastMonth.toString(QStringLiteral("yyyy-MM")).toLatin1()
                                     + ", ranked in buckets")));
    QVERIFY(answer("/siteinfo/site7.test?date=2020-01-01").startsWith("HTTP/1.1 404 Not Found\r\n"));
}

void tst_RankServer::headIsGetWithoutBody_data()
{
    QTest::addColumn<QByteArray>("request"); // a GET, asked again as HEAD
    QTest::newRow("page") << get("/siteinfo/site7.test");
    QTest::newRow("past day") << get("/siteinfo/site7.test?date=2026-03-30");
    QTest::newRow("day not held") << get("/siteinfo/site7.test?date=2026-01-01");
    QTest::newRow("malformed query") << get("/siteinfo/site7.test?date");
    QTest::newRow("status") << get("/status");
    QTest::newRow("other path") << get("/elsewhere");
    QTest::newRow("HTTP/1.1 without Host") << QByteArray("GET /siteinfo/site7.test HTTP/1.1\r\n\r\n");
    QTest::newRow("head over 8 KiB") << QByteArray("GET /siteinfo/" + QByteArray(9000, 'a') + " HTTP/1.0\r\n\r\n");
}

void tst_RankServer::headIsGetWithoutBody()
{
    QFETCH(QByteArray, request);
    const QByteArray whole = fetch(request);
    QByteArray head = request;
    head.replace(0, 3, "HEAD");
    const QByteArray headOnly = fetch(head);
    QVERIFY(whole.contains("\r\n\r\n"));
    QCOMPARE(headOnly, whole.left(whole.indexOf("\r\n\r\n") + 4));
}

void tst_RankServer::floodKeepsRequestsThatAreIn()
{
    const auto previous = m_server->deadline();
    m_server->setDeadline(10min);
    constexpr int Flood = 3 * CRankServer::MaxPerAddress;
    rlimit files{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
    constexpr rlim_t Needed = 2 * Flood + 256;
    if (files.rlim_cur < Needed) {
        files.rlim_cur = qMin(files.rlim_max, Needed);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &files), 0);
    }
    if (files.rlim_cur < Needed)
        QSKIP("the limit on open files is too low for the flood");

    // The whole request leaves first; the flood of idle connections from the
    // same address follows at once, well past the cap.
    CClient good(port());
    QVERIFY(good.waitConnected());
    good.socket.write(get("/siteinfo/site3.test"));
    QVERIFY(good.socket.flush());
    std::vector<std::unique_ptr<CClient>> flood;
    for (int i = 0; i < Flood; ++i)
        flood.push_back(std::make_unique<CClient>(port()));
    QVERIFY(good.closedByServer());
    QVERIFY2(good.received.startsWith("HTTP/1.1 200 OK"), good.received.left(200).constData());
    QVERIFY(good.received.contains("\n3,000 "));

    QVERIFY(QTest::qWaitFor([&] {
        return m_server->openConnections() + m_server->droppedIdle() + m_server->refused() >= qint64(Flood);
    }, 20000));
    QVERIFY(m_server->openConnections() <= CRankServer::MaxPerAddress);
    flood.clear();
    QTRY_COMPARE(m_server->openConnections(), 0);
    m_server->setDeadline(previous);
}

void tst_RankServer::newcomersPastTheCapWaitForTheirRequest()
{
    const auto previous = m_server->deadline();
    m_server->setDeadline(10min);
    std::vector<std::unique_ptr<CClient>> idle;
    for (int i = 0; i < CRankServer::MaxPerAddress; ++i)
        idle.push_back(std::make_unique<CClient>(port()));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), CRankServer::MaxPerAddress, 20000);
    const qint64 droppedBefore = m_server->droppedIdle();
    const qint64 refusedBefore = m_server->refused();

    // One that says nothing is let go and pushes no one out.
    CClient silent(port());
    QVERIFY(silent.closedByServer());
    QCOMPARE(m_server->refused(), refusedBefore + 1);
    QCOMPARE(m_server->droppedIdle(), droppedBefore);

    // One whose request follows a moment after it connects takes the place
    // of the idlest and is answered.
    CClient late(port());
    QVERIFY(late.waitConnected());
    QTest::qWait(20);
    late.socket.write(get("/siteinfo/site3.test"));
    QVERIFY(late.closedByServer());
    QVERIFY2(late.received.startsWith("HTTP/1.1 200 OK"), late.received.left(200).constData());
    QCOMPARE(m_server->droppedIdle(), droppedBefore + 1);
    QCOMPARE(idle.front()->socket.state(), QAbstractSocket::UnconnectedState);

    idle.clear();
    QTRY_COMPARE(m_server->openConnections(), 0);
    m_server->setDeadline(previous);
}

void tst_RankServer::silentConnectionsNeverReachTheServer()
{
    CRankServer server(m_router);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    server.setDeadline(10min);
    QVERIFY(server.acceptOnlyWithData());

    // The silent one connects first; by the time the one after it is
    // answered, a server taking every connection would hold the silent one.
    CClient silent(server.serverPort());
    QVERIFY(silent.waitConnected());
    CClient asking(server.serverPort());
    QVERIFY(asking.waitConnected());
    asking.socket.write(get("/siteinfo/site3.test"));
    QVERIFY(asking.closedByServer());
    QVERIFY2(asking.received.startsWith("HTTP/1.1 200 OK"), asking.received.left(200).constData());
    QCOMPARE(server.openConnections(), 0);

    // Once it speaks it is served like any other.
    silent.socket.write(get("/siteinfo/site4.test"));
    QVERIFY(silent.closedByServer());
    QVERIFY(silent.received.contains("\n4,000 "));
}

QTEST_GUILESS_MAIN(tst_RankServer)
#include "tst_RankServer.moc"
