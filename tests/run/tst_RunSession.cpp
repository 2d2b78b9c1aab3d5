#include "CDataSession.h"
#include "CFakePrompts.h"
#include "CLoopbackServer.h"
#include "CQueryRun.h"
#include "CRankClock.h"
#include "CTempHome.h"
#include "CWindowProbe.h"
#include "MainWindow.h"
#include "headless/CHeadlessQuery.h"
#include "relay/CQueryRelayClient.h"
#include "relay/CQueryRelayServer.h"
#include "run/CRunSession.h"

#include <QAction>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <csignal>

namespace {

const QDate Today(2012, 8, 5);
const QString na = QStringLiteral("NA,NA,NA,NA,NA,NA");

// What a run said, as a terminal shows it.
struct Said
{
    int code = -1;
    QStringList out;
    QStringList err;
};

QStringList linesOf(const QString &text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

// One home, one domain and a loopback service that answers as the row says;
// "save failed" puts a folder where db.dat is once the fetch is asked for,
// "interrupted" never answers and ends the run with a SIGTERM instead.
struct Stage
{
    explicit Stage(const QString &outcome)
        : outcome(outcome)
    {
        home.writeFile(home.domainListPath(), "a.test\n");
        home.writeFile(home.historyPath(), outcome == u"already assessed" ? "a.test,1,2,3,4,5,6,05/08/2012\n" : "");
        service.setDefaultReply(CLoopbackServer::page("<html><body>nothing ranked</body></html>"));
        if (outcome == u"failed")
            service.setDefaultReply(CLoopbackServer::notFound());
        if (outcome == u"save failed")
            QObject::connect(&service, &CLoopbackServer::requestReceived, &service, [this] {
                QFile::remove(home.historyPath());
                QDir().mkdir(home.historyPath());
            });
        if (outcome == u"interrupted") {
            service.setManual(true);
            QObject::connect(&service, &CLoopbackServer::requestReceived, &service,
                             [this] { QTimer::singleShot(0, &service, [this] { interrupt(); }); });
        }
    }

    QString address() const { return CLoopbackServer::host() + u':' + QString::number(service.port()); }

    std::function<void()> interrupt = [] { std::raise(SIGTERM); };
    QString outcome;
    CTempHome home;
    CLoopbackServer service;
};

// The command line's run in this process, as `sorvane --query` makes it.
Said byCommand(Stage &stage)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    CHeadlessQuery::Options options;
    options.dataDirectory = stage.home.dataDirectory();
    options.service = stage.address();
    options.clock = CRankClock(Today);
    options.runtimeDirectory = stage.home.runtimeDirectory();
    CHeadlessQuery query(options, outStream, errStream);
    Said said;
    said.code = query.run();
    said.out = linesOf(out);
    said.err = linesOf(err);
    return said;
}

// The window's side (its data session, run session and relay server) and
// the command that asks it for the run.
Said byRelay(Stage &stage)
{
    CDataSession session(stage.home.dataDirectory());
    session.lock();
    session.load();
    CQueryRun pool(session.dates());
    pool.setService(CServiceAddress::parse(stage.address()).value());
    pool.setClock(CRankClock(Today));
    CRunSession run(session, pool);
    run.setDomainList([&session](int position) { return session.domainNames().value(position); });
    CQueryRelayServer server(run, stage.home.dataDirectory(), stage.home.runtimeDirectory());
    if (!server.listen())
        return {};
    // The window's run ends as the window's quit ends it.
    stage.interrupt = [&run] { run.stop(QStringLiteral("interrupted by SIGTERM")); };
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    CQueryRelayClient client(stage.home.dataDirectory(), stage.home.runtimeDirectory());
    Said said;
    said.code = client.relay(true, outStream, errStream);
    said.out = linesOf(out);
    said.err = linesOf(err);
    return said;
}

// The window's own run, from its Perform Query: the table shows each
// domain, the status text the summary and why a run stopped, and a message
// box what the user must act on.
Said byWindow(Stage &stage)
{
    auto prompts = std::make_shared<CFakePrompts>();
    CSettings settings = stage.home.settings(Today);
    settings.service = CServiceAddress::parse(stage.address()).value();
    MainWindow window(nullptr, settings, prompts);
    CWindowProbe probe(&window);
    auto *run = window.findChild<CRunSession *>();
    if (!run)
        return {};
    stage.interrupt = [run] { run->stop(QStringLiteral("interrupted by SIGTERM")); };
    QSignalSpy finished(run, &CRunSession::finished);
    probe.action("actionPerform_Query")->trigger();
    if (!finished.wait(30000))
        return {};
    QCoreApplication::processEvents(); // the message boxes come after the run's end
    Said said;
    said.code = run->result().code;
    said.out = probe.statusLines();
    for (const QString &message : prompts->messages())
        said.err.append(QStringLiteral("sorvane: ") + message);
    return said;
}

} // namespace

// A query run's outcomes, worded and decided once by the run session, as
// each of its owners presents them: the window in its table, status text and
// message boxes, the command line on its output, the relay streaming the
// window's run to the command that asked.
class tst_RunSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outcomes_data();
    void outcomes();
    void refusedBeforeAnyFetch();
};

void tst_RunSession::outcomes_data()
{
    QTest::addColumn<QString>("presenter");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err"); // the start of the one line on stderr, if any
    QTest::addColumn<QByteArray>("history"); // db.dat afterwards; null: not a file

    const QByteArray stored = "a.test," + na.toUtf8() + ",05/08/2012\n";
    for (const char *presenter : {"window", "command", "relay"}) {
        const auto row = [&](const char *outcome) -> QTestData & {
            QTestData &data = QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(presenter), QLatin1String(outcome))));
            data << QString::fromLatin1(presenter) << QString::fromLatin1(outcome);
            return data;
        };
        row("stored") << 0 << QStringList{"a.test: fetched " + na + " for 05/08/2012", "1 stored, 0 already assessed, 0 failed"}
                       << QString() << stored;
        row("already assessed") << 0
                                 << QStringList{"a.test: already assessed for 05/08/2012", "0 stored, 1 already assessed, 0 failed"}
                                 << QString() << QByteArray("a.test,1,2,3,4,5,6,05/08/2012\n");
        row("failed") << 1
                       << QStringList{"a.test: the ranking service at 127.0.0.1:%1 answered 404 Not Found",
                                      "0 stored, 0 already assessed, 1 failed"}
                       << QString() << QByteArray("");
        // Never "stored" for what is not on disk.
        row("save failed") << 1
                            << QStringList{"a.test: fetched " + na + " for 05/08/2012",
                                           "1 fetched but not stored, 0 already assessed, 0 failed"}
                            << QStringLiteral("sorvane: Could not save ") << QByteArray();
        row("interrupted") << 1
                            << QStringList{"0 stored, 0 already assessed, 0 failed",
                                           "interrupted by SIGTERM with 1 of 1 domains left: a.test"}
                            << QString() << QByteArray("");
    }
}

void tst_RunSession::outcomes()
{
    QFETCH(QString, presenter);
    QFETCH(QString, outcome);
    QFETCH(int, code);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, history);

    Stage stage(outcome);
    const Said said = presenter == u"command" ? byCommand(stage) : presenter == u"relay" ? byRelay(stage) : byWindow(stage);
    for (QString &line : out)
        if (line.contains(u"%1"))
            line = line.arg(stage.service.port());
    if (presenter == u"window") {
        // The status text holds the run's own lines among the window's:
        // every line but the domains' (which the table shows), in order.
        out.removeIf([](const QString &line) { return line.startsWith(u"a.test:"); });
        QStringList shown = said.out;
        shown.removeIf([&out](const QString &line) { return !out.contains(line); });
        QCOMPARE(shown, out);
    } else {
        QCOMPARE(said.out, out);
    }
    QCOMPARE(said.err.size(), err.isEmpty() ? 0 : 1);
    if (!err.isEmpty())
        QVERIFY2(said.err.first().startsWith(err), qPrintable(said.err.first()));
    QCOMPARE(said.code, code);
    if (history.isNull())
        QVERIFY(QFileInfo(stage.home.historyPath()).isDir());
    else
        QCOMPARE(CTempHome::readFile(stage.home.historyPath()), history);
}

void tst_RunSession::refusedBeforeAnyFetch()
{
    // A session that could not save what it fetched starts nothing: a
    // history that is no longer a readable regular file, or no lock.
    Stage stage(QStringLiteral("stored"));
    CDataSession session(stage.home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    session.load();
    CQueryRun pool(session.dates());
    pool.setService(CServiceAddress::parse(stage.address()).value());
    CRunSession run(session, pool);
    QFile::remove(stage.home.historyPath());
    QVERIFY(QDir().mkdir(stage.home.historyPath()));
    const CResult<> started = run.start({QStringLiteral("a.test")}, true);
    QVERIFY(!started);
    QVERIFY2(started.message().contains(QStringLiteral("no longer a regular file")), qPrintable(started.message()));
    QVERIFY(!run.isRunning());
    QTest::qWait(50);
    QVERIFY(stage.service.requests().isEmpty());

    session.unlock();
    const CResult<> unlocked = run.start({QStringLiteral("a.test")}, true);
    QVERIFY(!unlocked);
    QVERIFY(stage.service.requests().isEmpty());
}

QTEST_MAIN(tst_RunSession)
#include "tst_RunSession.moc"
