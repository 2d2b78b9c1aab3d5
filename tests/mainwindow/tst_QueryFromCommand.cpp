#include "CAlexaRankData.h"
#include "CLoopbackServer.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "relay/CQueryRelayServer.h"

#include <QAction>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <algorithm>

namespace {

constexpr int LongWait = 60000;

const QString na = QStringLiteral("NA,NA,NA,NA,NA,NA");

struct Outcome
{
    int exitCode = -1;
    QStringList out;
    QStringList err;
};

// A window on a loopback ranking service, and `sorvane --query` run as a
// process on the same home while the window holds the data folder.
class CCommandFixture : public CWindowFixture
{
public:
    explicit CCommandFixture(const QStringList &domains)
    {
        if (!domains.isEmpty())
            writeDomains(domains);
        service.setDefaultReply(CLoopbackServer::page("<html><body>nothing ranked</body></html>"));
        CSettings settings = home.settings(QDate(2012, 8, 5));
        settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(service.port())).value();
        openWindow(settings);
    }

    void startCommand(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SORVANE_SERVICE"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.runtimeDirectory());
        command.setProcessEnvironment(environment);
        command.start(QStringLiteral(SORVANE_PATH), arguments);
    }

    // The window keeps running while the command waits for it.
    Outcome finishCommand()
    {
        Outcome outcome;
        if (!QTest::qWaitFor([this] { return command.state() == QProcess::NotRunning; }, LongWait)) {
            command.kill();
            command.waitForFinished();
            return outcome;
        }
        outcome.exitCode = command.exitStatus() == QProcess::NormalExit ? command.exitCode() : -2;
        outcome.out = QString::fromUtf8(command.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        outcome.err = QString::fromUtf8(command.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        return outcome;
    }

    CQueryRelayServer *relay() const { return window->findChild<CQueryRelayServer *>(); }

    CLoopbackServer service;
    QProcess command;
};

QStringList historyDomains(const MainWindow &window)
{
    QStringList domains;
    for (const CAlexaRankData &record : window.history())
        domains.append(record.domain() + u',' + record.date());
    return domains;
}

} // namespace

// A timer's `sorvane --query` while the window is open: the window runs the
// query as its button would, stores and shows it, and the command prints
// the run's lines and ends with its exit code.
class tst_QueryFromCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowRunsTheQuery_data();
    void windowRunsTheQuery();
    void commandJoinsTheRunUnderWay();
};

void tst_QueryFromCommand::windowRunsTheQuery_data()
{
    QTest::addColumn<QStringList>("domains");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("failB");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("rankChecked");

    const QStringList two{"a.test", "b.test"};
    const QString stored = QStringLiteral(": fetched ") + na + QStringLiteral(" for 05/08/2012");
    QTest::newRow("every domain stored") << two << QStringList{"--query"} << false << 0
                                         << QStringList{"a.test" + stored, "b.test" + stored,
                                                        "2 stored, 0 already assessed, 0 failed"}
                                         << QString() << true;
    QTest::newRow("reach figures") << two.mid(0, 1) << QStringList{"--query", "--reach"} << false << 0
                                   << QStringList{"a.test" + stored, "1 stored, 0 already assessed, 0 failed"}
                                   << QString() << false;
    QTest::newRow("a fetch fails") << two << QStringList{"--query"} << true << 1
                                   << QStringList{"a.test" + stored,
                                                  "b.test: the ranking service at 127.0.0.1:%1 answered 404 Not Found",
                                                  "1 stored, 0 already assessed, 1 failed"}
                                   << QString() << true;
    QTest::newRow("no domains") << QStringList() << QStringList{"--query"} << false << 2 << QStringList()
                                << QStringLiteral("sorvane: no domains to query in ") << true;
    QTest::newRow("backfill is refused honestly") << two << QStringList{"--backfill", "3"} << false << 2
                                                  << QStringList()
                                                  << QStringLiteral("sorvane: another process holds the data folder ")
                                                  << true;
}

void tst_QueryFromCommand::windowRunsTheQuery()
{
    QFETCH(QStringList, domains);
    QFETCH(QStringList, arguments);
    QFETCH(bool, failB);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QFETCH(bool, rankChecked);

    CCommandFixture view(domains);
    if (failB)
        view.service.setReply(QStringLiteral("/siteinfo/b.test"), CLoopbackServer::notFound());
    QVERIFY(view.relay());
    view.startCommand(arguments);
    const Outcome outcome = view.finishCommand();
    QCOMPARE(outcome.exitCode, exitCode);
    for (QString &line : out)
        line = line.arg(view.service.port());
    QStringList printed = outcome.out;
    std::sort(printed.begin(), std::prev(printed.end(), printed.isEmpty() ? 0 : 1)); // the summary stays last
    QCOMPARE(printed, out);
    QCOMPARE(outcome.err.size(), err.isEmpty() ? 0 : 1);
    if (!err.isEmpty())
        QVERIFY2(outcome.err.first().startsWith(err), qPrintable(outcome.err.first()));

    // The window ran it: its history, its status text, its files, its mode.
    const int stored = exitCode == 2 ? 0 : int(out.size()) - 1 - (failB ? 1 : 0);
    QCOMPARE(view.window->history().size(), stored);
    if (stored > 0) {
        QVERIFY(view.probe->statusLines().contains(QStringLiteral("Performing alexa data crawl...")));
        // Saved before the command was answered.
        QCOMPARE(CTempHome::readFile(view.home.historyPath()).count('\n'), stored);
    }
    QCOMPARE(view.probe->action("actionRank")->isChecked(), rankChecked);
    QVERIFY(view.probe->queryButton()->isEnabled());
    QCOMPARE(view.relay()->clientCount(), 0);
}

void tst_QueryFromCommand::commandJoinsTheRunUnderWay()
{
    CCommandFixture view({"a.test"});
    view.service.setManual(true); // the page comes when the test sends it
    view.probe->queryButton()->click();
    QVERIFY(QTest::qWaitFor([&] { return view.service.requests().size() == 1; }, LongWait));

    view.startCommand({"--query"});
    QVERIFY(QTest::qWaitFor([&] { return view.relay()->relayingCount() == 1; }, LongWait));
    view.service.send("HTTP/1.0 200 OK\r\n\r\n<html></html>\n");
    view.service.closeConnection();
    const Outcome outcome = view.finishCommand();
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.out, QStringList({"a.test: fetched " + na + " for 05/08/2012", "1 stored, 0 already assessed, 0 failed"}));
    QCOMPARE(outcome.err, QStringList());
    // One run, one fetch, one record.
    QCOMPARE(view.service.requests().size(), 1);
    QCOMPARE(historyDomains(*view.window), QStringList{"a.test,05/08/2012"});
}

QTEST_MAIN(tst_QueryFromCommand)
#include "tst_QueryFromCommand.moc"
