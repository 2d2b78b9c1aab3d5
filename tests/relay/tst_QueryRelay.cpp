#include "CDomainDateList.h"
#include "CLoopbackServer.h"
#include "CQueryRun.h"
#include "CRankClock.h"
#include "CRunReport.h"
#include "CTempHome.h"
#include "relay/CQueryRelay.h"
#include "relay/CQueryRelayClient.h"
#include "relay/CQueryRelayServer.h"
#include "run/CRunSession.h"
#include "CDataSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// The folder of the sockets, private to the test.
QString runtime(const QString &folder)
{
    const QString dir = QFileInfo(folder).path() + QStringLiteral("/run");
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir;
}

QString socketOf(const QString &folder)
{
    return CQueryRelay::socketPath(runtime(folder), folder).value();
}

Printed relay(const QString &folder, bool rankMode, const CQueryRelayClient::Limits &limits = CQueryRelayClient::Limits())
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    CQueryRelayClient client(folder, runtime(folder), limits);
    Printed printed;
    printed.code = client.relay(rankMode, outStream, errStream);
    printed.out = out.split(u'\n', Qt::SkipEmptyParts);
    printed.err = err.split(u'\n', Qt::SkipEmptyParts);
    return printed;
}

// The window's side without a window: its data session and run session on
// a loopback service, which the server starts runs through.
struct WindowSide
{
    explicit WindowSide(const QString &folder, bool locked = true)
        : session(folder)
        , run(session.dates())
        , runSession(session, run)
        , server(runSession, folder, runtime(folder))
    {
        QDir().mkpath(folder);
        if (locked)
            session.lock();
        run.setService(CServiceAddress::parse(CLoopbackServer::host() + u':' + QString::number(service.port())).value());
        run.setClock(CRankClock(QDate(2012, 8, 5)));
        service.setDefaultReply(CLoopbackServer::page("<html><body>nothing ranked</body></html>"));
        runSession.setDomainList([this](int position) { return domains.value(position); });
        QObject::connect(&runSession, &CRunSession::aboutToStart, &server, [this] { asked.append(run.rankMode()); });
    }

    CLoopbackServer service;
    CDataSession session;
    CQueryRun run;
    CRunSession runSession;
    CQueryRelayServer server;
    QStringList domains;
    QList<bool> asked;
};

// A raw connection to the server that the test drives by hand.
struct RawClient
{
    explicit RawClient(const QString &folder) { socket.connectToServer(socketOf(folder)); }
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
    void socketIsInAPrivateFolder_data();
    void socketIsInAPrivateFolder();
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

void tst_QueryRelay::socketIsInAPrivateFolder_data()
{
    QTest::addColumn<QString>("runtime"); // how $XDG_RUNTIME_DIR is
    QTest::addColumn<bool>("inRuntime");
    QTest::newRow("private runtime folder") << "private" << true;
    QTest::newRow("unset") << "unset" << false;
    QTest::newRow("open to others") << "open" << false;
    QTest::newRow("a link to a private folder") << "link" << false;
}

void tst_QueryRelay::socketIsInAPrivateFolder()
{
    QFETCH(QString, runtime);
    QFETCH(bool, inRuntime);
    QTemporaryDir temp;
    const QString given = temp.filePath(QStringLiteral("xdg"));
    QVERIFY(QDir().mkpath(temp.filePath(QStringLiteral("private"))));
    QFile::setPermissions(temp.filePath(QStringLiteral("private")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (runtime == u"private" || runtime == u"open") {
        QVERIFY(QDir().mkpath(given));
        QFile::setPermissions(given, runtime == u"open" ? QFile::Permissions(0x7777) : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else if (runtime == u"link") {
        QVERIFY(QFile::link(temp.filePath(QStringLiteral("private")), given));
    }
    const CResult<QString> path = CQueryRelay::socketPath(runtime == u"unset" ? QString() : given, folder(), temp.path());
    QVERIFY2(path, qPrintable(path.message()));
    const QString own = temp.filePath(QStringLiteral("sorvane-%1").arg(::geteuid()));
    QCOMPARE(QFileInfo(path.value()).path(), inRuntime ? given : own);
    QCOMPARE(QFileInfo(path.value()).fileName(), CQueryRelay::serverName(folder()));
    if (inRuntime)
        return;
    QCOMPARE(QFileInfo(own).permissions() & 0x0077, QFile::Permissions());
    // A folder of that name another user could write is never used.
    QFile::setPermissions(own, QFile::Permissions(0x7777));
    QVERIFY(!CQueryRelay::socketPath(QString(), folder(), temp.path()));
}

void tst_QueryRelay::staleSocketIsTakenOver()
{
    // What a killed window leaves: a bound socket file that nobody listens on.
    QVERIFY(QDir().mkpath(folder()));
    const QByteArray path = QFile::encodeName(socketOf(folder()));
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
    QTest::addColumn<bool>("locked"); // false: the window opened read-only
    QTest::addColumn<bool>("failOne");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");

    const QStringList two{"a.test", "b.test"};
    QTest::newRow("every domain stored") << two << true << true << false << 0
                                         << QStringList{"a.test: fetched " + na + " for 05/08/2012",
                                                        "b.test: fetched " + na + " for 05/08/2012",
                                                        "2 stored, 0 already assessed, 0 failed"}
                                         << QString();
    QTest::newRow("reach figures") << two.mid(0, 1) << false << true << false << 0
                                   << QStringList{"a.test: fetched " + na + " for 05/08/2012",
                                                  "1 stored, 0 already assessed, 0 failed"}
                                   << QString();
    QTest::newRow("one fetch fails") << two << true << true << true << 1
                                     << QStringList{"a.test: fetched " + na + " for 05/08/2012",
                                                    "b.test: the ranking service at 127.0.0.1:%1 answered 404 Not Found",
                                                    "1 stored, 0 already assessed, 1 failed"}
                                     << QString();
    // Refused before anything is fetched, as the command line refuses.
    QTest::newRow("the window cannot save") << two.mid(0, 1) << true << false << false << 2 << QStringList()
                                            << QStringLiteral("sorvane: the data folder ");
    QTest::newRow("no domains") << QStringList() << true << true << false << 2 << QStringList()
                                << QStringLiteral("sorvane: no domains to query in ");
}

void tst_QueryRelay::relayedRun()
{
    QFETCH(QStringList, domains);
    QFETCH(bool, rankMode);
    QFETCH(bool, locked);
    QFETCH(bool, failOne);
    QFETCH(int, code);
    QFETCH(QStringList, out);
    QFETCH(QString, err);

    WindowSide window(folder(), locked);
    window.domains = domains;
    if (failOne)
        window.service.setReply(QStringLiteral("/siteinfo/b.test"), CLoopbackServer::notFound());
    QVERIFY2(window.server.listen(), "listens");
    const Printed printed = relay(folder(), rankMode);

    QCOMPARE(window.asked, code == 2 ? QList<bool>() : QList<bool>{rankMode});
    if (code == 2)
        QVERIFY(window.service.requests().isEmpty());
    QCOMPARE(printed.code, code);
    for (QString &line : out)
        if (line.contains(u"%1"))
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
    QVERIFY(window.runSession.start(false)); // as the user's button would
    QVERIFY(QTest::qWaitFor([&] { return window.service.requests().size() == 1; }, LongWait));

    // The command arrives while the window's run waits for its page.
    QObject::connect(&window.runSession, &CRunSession::aboutToStart, &window.server, [] { QFAIL("a second run"); });
    QTimer::singleShot(0, &window.server, [&] {
        QVERIFY(QTest::qWaitFor([&] { return window.server.relayingCount() == 1; }, LongWait));
        window.service.send("HTTP/1.0 200 OK\r\n\r\n<html></html>\n");
        window.service.closeConnection();
    });
    const Printed printed = relay(folder(), true);
    QCOMPARE(printed.code, 0);
    QCOMPARE(printed.out, QStringList({"a.test: fetched " + na + " for 05/08/2012", "1 stored, 0 already assessed, 0 failed"}));
    QCOMPARE(printed.err, QStringList{"sorvane: joined the window's run under way, which takes the reach figures"});
    QCOMPARE(window.asked, QList<bool>{false});
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
    QLocalServer::removeServer(socketOf(folder()));
    if (listener != u"none")
        QVERIFY(fake.listen(socketOf(folder())));
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

    QTest::newRow("falls silent") << QByteArray("run 3\nout a.test: fetched\n") << false
                                  << "sorvane: the window sent nothing for 1 s; its run goes on there";
    QTest::newRow("closes") << QByteArray("run 3\nout a.test: fetched\n") << true
                            << "sorvane: the window closed before its run ended";
    QTest::newRow("talks nonsense") << QByteArray("run 3\nout a.test: fetched\nbanana\n") << false
                                    << "sorvane: the window answered something that is not a query run's report";
}

void tst_QueryRelay::windowGoesAwayDuringTheRun()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, close);
    QFETCH(QString, message);
    QLocalServer fake;
    QLocalServer::removeServer(socketOf(folder()));
    QVERIFY(fake.listen(socketOf(folder())));
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
    QCOMPARE(printed.out, QStringList{"a.test: fetched"});
    QCOMPARE(printed.err, QStringList{message});
}

QTEST_GUILESS_MAIN(tst_QueryRelay)
#include "tst_QueryRelay.moc"
