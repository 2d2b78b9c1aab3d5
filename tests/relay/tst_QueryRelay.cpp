#include "CDomainDateList.h"
#include "CLoopbackServer.h"
#include "CQueryRun.h"
#include "CRankClock.h"
#include "CRunReport.h"
#include "CTempHome.h"
#include "relay/CQueryRelay.h"
#include "relay/CQueryRelayClient.h"
#include "relay/CQueryRelayServer.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <memory>

namespace {

constexpr int LongWait = 30000;

// What a relayed run printed.
struct Printed
{
    int code = -1;
    QStringList out;
    QStringList err;
};

Printed relay(const QString &folder, bool rankMode, const CQueryRelayClient::Limits &limits = CQueryRelayClient::Limits())
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    CQueryRelayClient client(folder, limits);
    Printed printed;
    printed.code = client.relay(rankMode, outStream, errStream);
    printed.out = out.split(u'\n', Qt::SkipEmptyParts);
    printed.err = err.split(u'\n', Qt::SkipEmptyParts);
    return printed;
}

// The window's side without a window: a query run on a loopback service,
// started when a command asks, its end told to the server as the window does.
struct WindowSide
{
    explicit WindowSide(const QString &folder)
        : run(dates)
        , server(run, folder)
    {
        run.setService(CServiceAddress::parse(CLoopbackServer::host() + u':' + QString::number(service.port())));
        run.setClock(CRankClock(QDate(2012, 8, 5)));
        service.setDefaultReply(CLoopbackServer::page("<html><body>nothing ranked</body></html>"));
        QObject::connect(&server, &CQueryRelayServer::runRequested, &server, [this](bool rankMode) {
            asked.append(rankMode);
            if (!domains.isEmpty()) {
                run.setRankMode(rankMode);
                run.start(domains);
            }
        });
        QObject::connect(&run, &CQueryRun::finished, &server,
                         [this](const CQueryRun::Counts &counts) { server.runEnded(counts, saves); });
    }

    CLoopbackServer service;
    CDomainDateList dates;
    CQueryRun run;
    CQueryRelayServer server;
    QStringList domains;
    QList<bool> asked;
    bool saves = true;
};

// A raw connection to the server that the test drives by hand.
struct RawClient
{
    explicit RawClient(const QString &folder) { socket.connectToServer(CQueryRelay::serverName(folder)); }
    bool closed() { return QTest::qWaitFor([this] { return socket.state() == QLocalSocket::UnconnectedState; }, LongWait); }
    QLocalSocket socket;
};

const QString na = QStringLiteral("NA,NA,NA,NA,NA,NA");

} // namespace

// A command-line query run relayed to the window: the lines it prints, its
// exit code, and what neither a silent nor a hostile other side can do.
class tst_QueryRelay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void serverNameIsOnePerFolder();
    void staleSocketIsTakenOver();
    void relayedRun_data();
    void relayedRun();
    void joinsTheRunUnderWay();
    void abuseDoesNotHurtTheServer_data();
    void abuseDoesNotHurtTheServer();
    void tooManyCommands();
    void noWindowAnswers_data();
    void noWindowAnswers();
    void windowGoesAwayDuringTheRun_data();
    void windowGoesAwayDuringTheRun();

private:
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.filePath(QStringLiteral("data")); }
};

void tst_QueryRelay::serverNameIsOnePerFolder()
{
    QVERIFY(QDir().mkpath(folder()));
    const QString link = m_dir.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(folder(), link));
    const QString name = CQueryRelay::serverName(folder());
    QCOMPARE(CQueryRelay::serverName(link), name);
    QCOMPARE(CQueryRelay::serverName(folder() + QStringLiteral("/../data/")), name);
    QVERIFY(CQueryRelay::serverName(m_dir.path()) != name);
    // Far below the limit of a socket's path, however deep the folder.
    QVERIFY(name.size() < 40);
    QCOMPARE(CQueryRelay::serverName(QString(300, u'x')).size(), name.size());
}

void tst_QueryRelay::staleSocketIsTakenOver()
{
    // What a killed window leaves: a bound socket file that nobody listens on.
    const QByteArray path = QFile::encodeName(QDir::tempPath() + u'/' + CQueryRelay::serverName(folder()));
    QFile::remove(QFile::decodeName(path));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
    std::copy(path.cbegin(), path.cend(), address.sun_path);
    QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    ::close(fd);
    QVERIFY(QFile::exists(QFile::decodeName(path)));

    WindowSide window(folder());
    window.domains = {"a.test"};
    const CResult<> listening = window.server.listen();
    QVERIFY2(listening, qPrintable(listening.message()));
    QCOMPARE(relay(folder(), true).code, 0);
}

void tst_QueryRelay::relayedRun_data()
{
    QTest::addColumn<QStringList>("domains");
    QTest::addColumn<bool>("rankMode");
    QTest::addColumn<bool>("saves");
    QTest::addColumn<bool>("failOne");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");

    const QStringList two{"a.test", "b.test"};
    QTest::newRow("every domain stored") << two << true << true << false << 0
                                         << QStringList{"a.test: stored " + na + " for 05/08/2012",
                                                        "b.test: stored " + na + " for 05/08/2012",
                                                        "2 stored, 0 already assessed, 0 failed"}
                                         << QString();
    QTest::newRow("reach figures") << two.mid(0, 1) << false << true << false << 0
                                   << QStringList{"a.test: stored " + na + " for 05/08/2012",
                                                  "1 stored, 0 already assessed, 0 failed"}
                                   << QString();
    QTest::newRow("one fetch fails") << two << true << true << true << 1
                                     << QStringList{"a.test: stored " + na + " for 05/08/2012",
                                                    "b.test: the ranking service at 127.0.0.1:%1 answered 404 Not Found",
                                                    "1 stored, 0 already assessed, 1 failed"}
                                     << QString();
    QTest::newRow("the window cannot save") << two.mid(0, 1) << true << false << false << 1
                                            << QStringList{"a.test: stored " + na + " for 05/08/2012",
                                                           "1 stored, 0 already assessed, 0 failed"}
                                            << QStringLiteral("sorvane: the window could not save the history; it says why");
    QTest::newRow("no domains") << QStringList() << true << true << false << 2 << QStringList()
                                << QStringLiteral("sorvane: no domains to query in ");
}

void tst_QueryRelay::relayedRun()
{
    QFETCH(QStringList, domains);
    QFETCH(bool, rankMode);
    QFETCH(bool, saves);
    QFETCH(bool, failOne);
    QFETCH(int, code);
    QFETCH(QStringList, out);
    QFETCH(QString, err);

    WindowSide window(folder());
    window.domains = domains;
    window.saves = saves;
    if (failOne)
        window.service.setReply(QStringLiteral("/siteinfo/b.test"), CLoopbackServer::notFound());
    QVERIFY2(window.server.listen(), "listens");
    const Printed printed = relay(folder(), rankMode);

    QCOMPARE(window.asked, QList<bool>{rankMode});
    QCOMPARE(printed.code, code);
    for (QString &line : out)
        line = line.arg(window.service.port());
    QStringList sorted = printed.out;
    std::sort(sorted.begin(), std::prev(sorted.end(), sorted.isEmpty() ? 0 : 1)); // the summary stays last
    QCOMPARE(sorted, out);
    QCOMPARE(printed.err.size(), err.isEmpty() ? 0 : 1);
    if (!err.isEmpty())
        QVERIFY2(printed.err.first().startsWith(err), qPrintable(printed.err.first()));
    QCOMPARE(window.server.clientCount(), 0);
}

void tst_QueryRelay::joinsTheRunUnderWay()
{
    WindowSide window(folder());
    window.domains = {"a.test"};
    window.service.setManual(true); // the page comes when the test sends it
    QVERIFY(window.server.listen());
    window.run.setRankMode(false);
    window.run.start(window.domains); // as the user's button would
    QVERIFY(QTest::qWaitFor([&] { return window.service.requests().size() == 1; }, LongWait));

    // The command arrives while the window's run waits for its page.
    QObject::connect(&window.server, &CQueryRelayServer::runRequested, &window.server, [] { QFAIL("a second run"); });
    QTimer::singleShot(0, &window.server, [&] {
        QVERIFY(QTest::qWaitFor([&] { return window.server.relayingCount() == 1; }, LongWait));
        window.service.send("HTTP/1.0 200 OK\r\n\r\n<html></html>\n");
        window.service.closeConnection();
    });
    const Printed printed = relay(folder(), true);
    QCOMPARE(printed.code, 0);
    QCOMPARE(printed.out, QStringList({"a.test: stored " + na + " for 05/08/2012", "1 stored, 0 already assessed, 0 failed"}));
    QCOMPARE(printed.err, QStringList{"sorvane: joined the window's run under way, which takes the reach figures"});
    QVERIFY(window.asked.isEmpty());
}

void tst_QueryRelay::abuseDoesNotHurtTheServer_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer"); // what the server says before it closes

    QTest::newRow("garbage line") << QByteArray("hello window\n")
                                  << QByteArray("err the window did not understand the request\nexit 2\n");
    QTest::newRow("unknown mode") << QByteArray("query everything\n")
                                  << QByteArray("err the window did not understand the request\nexit 2\n");
    QTest::newRow("binary") << QByteArray("\x00\xff\x01\x02\n", 5)
                            << QByteArray("err the window did not understand the request\nexit 2\n");
    QTest::newRow("overlong line") << QByteArray(1 << 20, 'q') << QByteArray();
    QTest::newRow("overlong request") << QByteArray("query rank") + QByteArray(200, ' ') + '\n' << QByteArray();
}

void tst_QueryRelay::abuseDoesNotHurtTheServer()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);
    WindowSide window(folder());
    window.domains = {"a.test"};
    QVERIFY(window.server.listen());

    RawClient abuser(folder());
    QVERIFY(abuser.socket.waitForConnected(LongWait));
    abuser.socket.write(sent);
    QVERIFY(abuser.closed());
    QCOMPARE(abuser.socket.readAll(), answer);
    QVERIFY(window.asked.isEmpty());
    QCOMPARE(window.server.clientCount(), 0);

    // The next command is served as ever.
    const Printed printed = relay(folder(), true);
    QCOMPARE(printed.code, 0);
    QCOMPARE(printed.out.size(), 2);
}

void tst_QueryRelay::tooManyCommands()
{
    WindowSide window(folder());
    QVERIFY(window.server.listen());
    // Connected but silent: each holds a place until it is given up on.
    std::vector<std::unique_ptr<RawClient>> silent;
    for (int i = 0; i < CQueryRelayServer::MaxClients; ++i) {
        silent.push_back(std::make_unique<RawClient>(folder()));
        QVERIFY(silent.back()->socket.waitForConnected(LongWait));
    }
    QVERIFY(QTest::qWaitFor([&] { return window.server.clientCount() == CQueryRelayServer::MaxClients; }, LongWait));
    const Printed refused = relay(folder(), true);
    QCOMPARE(refused.code, 2);
    QCOMPARE(refused.err, QStringList{"sorvane: the window is already answering 8 commands"});
    QCOMPARE(window.server.clientCount(), CQueryRelayServer::MaxClients);

    silent.clear();
    QVERIFY(QTest::qWaitFor([&] { return window.server.clientCount() == 0; }, LongWait));
    window.domains = {"a.test"};
    QCOMPARE(relay(folder(), true).code, 0);
}

void tst_QueryRelay::noWindowAnswers_data()
{
    QTest::addColumn<QString>("listener");
    QTest::newRow("nothing listens") << "none";
    QTest::newRow("silent listener") << "silent";
    QTest::newRow("closes at once") << "close";
    QTest::newRow("answers garbage") << "garbage";
    QTest::newRow("endless line") << "endless";
    QTest::newRow("unknown exit code") << "code";
}

void tst_QueryRelay::noWindowAnswers()
{
    QFETCH(QString, listener);
    QLocalServer fake;
    QLocalServer::removeServer(CQueryRelay::serverName(folder()));
    if (listener != u"none")
        QVERIFY(fake.listen(CQueryRelay::serverName(folder())));
    QObject::connect(&fake, &QLocalServer::newConnection, &fake, [&] {
        QLocalSocket *socket = fake.nextPendingConnection();
        if (listener == u"close")
            socket->abort();
        else if (listener == u"garbage")
            socket->write("HTTP/1.0 200 OK\r\n\r\n");
        else if (listener == u"endless")
            socket->write(QByteArray(CQueryRelay::MaxLineLength * 8, 'x'));
        else if (listener == u"code")
            socket->write("exit 7\n");
    });
    CQueryRelayClient::Limits limits;
    limits.answerMs = 300;
    const Printed printed = relay(folder(), true, limits);
    QCOMPARE(printed.code, 2);
    QCOMPARE(printed.out, QStringList());
    QCOMPARE(printed.err, QStringList{"sorvane: " + CQueryRelayClient::noWindowMessage(folder())});
}

void tst_QueryRelay::windowGoesAwayDuringTheRun_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QString>("message");

    QTest::newRow("falls silent") << QByteArray("run 3\nout a.test: stored\n") << false
                                  << "sorvane: the window sent nothing for 1 s; its run goes on there";
    QTest::newRow("closes") << QByteArray("run 3\nout a.test: stored\n") << true
                            << "sorvane: the window closed before its run ended";
    QTest::newRow("talks nonsense") << QByteArray("run 3\nout a.test: stored\nbanana\n") << false
                                    << "sorvane: the window answered something that is not a query run's report";
}

void tst_QueryRelay::windowGoesAwayDuringTheRun()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, close);
    QFETCH(QString, message);
    QLocalServer fake;
    QLocalServer::removeServer(CQueryRelay::serverName(folder()));
    QVERIFY(fake.listen(CQueryRelay::serverName(folder())));
    QObject::connect(&fake, &QLocalServer::newConnection, &fake, [&] {
        QLocalSocket *socket = fake.nextPendingConnection();
        socket->write(sent);
        if (close)
            socket->disconnectFromServer();
    });
    CQueryRelayClient::Limits limits;
    limits.idleMs = 300;
    const Printed printed = relay(folder(), true, limits);
    // Part of the run may have been stored by the window: not all is known to be.
    QCOMPARE(printed.code, 1);
    QCOMPARE(printed.out, QStringList{"a.test: stored"});
    QCOMPARE(printed.err, QStringList{message});
}

QTEST_GUILESS_MAIN(tst_QueryRelay)
#include "tst_QueryRelay.moc"
