#include "CAlexaSocket.h"
#include "CQueryRun.h"
#include "CFakePrompts.h"
#include "CHeldSync.h"
#include "CLoopbackServer.h"
#include "CRankClock.h"
#include "CTempHome.h"
#include "pageformat/CSiteInfoFormat.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "ManageDomains.h"
#include "run/CRunSession.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QPushButton>
#include <QPointer>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

namespace {

constexpr int LongWait = 30000;

const QString performing = QStringLiteral("Performing alexa data crawl...");
const QString completed = QStringLiteral("alexa ranking queries completed");
// The line that ends every run; these runs have no earlier record to compare with.
const QString noMoves = QStringLiteral("Biggest moves: none against an earlier record");
const QString today = QStringLiteral("05/08/2012");

// The line before the biggest moves: what the run stored, refused and failed.
QString summary(int stored, int refused = 0, int failed = 0)
{
    return QStringLiteral("%1 stored, %2 already assessed, %3 failed").arg(stored).arg(refused).arg(failed);
}

// A site-information page whose figures are derived from tag: the reach
// section first, then the traffic-rank section, as the service lays them out.
QByteArray rankPage(const QString &domain, int tag, const QString &yesterday = QString())
{
    using Format = CSiteInfoFormat;
    auto cells = [](const QStringList &values) -> QString {
        const QLatin1StringView headers[] = {Format::YesterdayHeader, Format::SevenDayHeader,
                                             Format::OneMonthHeader, Format::ThreeMonthHeader};
        QString html = QStringLiteral("<table><tr>");
        for (int i = 0; i < 4; ++i)
            html += headers[i] % u"\n" % Format::CellStart % values.at(i) % Format::CellEnd % u"\n";
        return html + QStringLiteral("</tr></table>\n");
    };
    const QString t = QString::number(tag);
    QString page = u"<html><body>\n" % Format::GlobalMarker % u" " % t % u",001 \n<img src=\"/flags/us.png\" "
                   % Format::UsMarker % u" " % t % u" \n";
    page += Format::ReachStart % domain % Format::HeadingEnd % u"\n";
    page += cells({"0." + t + "1%", "0." + t + "2%", "0." + t + "3%", "0." + t + "4%"});
    page += Format::ReachEnd % domain % u"</p>\n";
    page += Format::TrafficStart % domain % Format::HeadingEnd % u"\n";
    page += cells({yesterday.isNull() ? t + "1" : yesterday, t + "2", t + "3", t + "4"});
    page += Format::TrafficEnd % domain % Format::HeadingEnd % u"\n</body></html>\n";
    return page.toUtf8();
}

// The record the page of rankPage() gives in rank mode, or in reach mode.
QString rankLine(const QString &domain, int tag, bool rankMode = true)
{
    const QString t = QString::number(tag);
    const QStringList figures = rankMode ? QStringList{t + "1", t + "2", t + "3", t + "4"}
                                         : QStringList{"0." + t + "1%", "0." + t + "2%", "0." + t + "3%", "0." + t + "4%"};
    return QStringList{domain, t + "001", t, figures.join(u','), today}.join(u',');
}

QByteArray unavailable(const QByteArray &reason)
{
    return "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
           + QByteArray::number(reason.size() + 1) + "\r\nConnection: close\r\n\r\n" + reason + '\n';
}

// What the window looked like right after it took in one result.
struct Report
{
    QString domain;
    int socket = -1;
    QString socketDomainAfter;
    bool buttonEnabled = false;
    bool finished = false;
};

// A window with its own home, pointed at a loopback ranking service.
class CRunFixture : public CWindowFixture
{
public:
    explicit CRunFixture(const QStringList &domains, quint16 port = 0)
    {
        if (!domains.isEmpty())
            writeDomains(domains);
        CSettings settings = home.settings(QDate(2012, 8, 5));
        settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(port ? port : server.port())).value();
        openWindow(settings);
        for (int i = 0; i < MainWindow::SocketCount; ++i) {
            CAlexaSocket *socket = window->socket(i);
            // Connected after the window: runs once the window has handed out the next domain.
            QObject::connect(socket, &CAlexaSocket::rankProfile, window.get(), [this, socket](CAlexaRankData record, int index) {
                reports.append(Report{record.domain(), index, socket->domain(), probe->queryButton()->isEnabled(),
                                      window->isCrawlFinished()});
            });
        }
    }

    bool waitForRunEnd() const
    {
        return QTest::qWaitFor([this] { return probe->queryButton()->isEnabled() && window->isCrawlFinished(); },
                               LongWait);
    }

    CLoopbackServer server;
    QList<Report> reports;
};

QStringList numberedDomains(int count)
{
    QStringList domains;
    for (int i = 1; i <= count; ++i)
        domains.append(QStringLiteral("d%1.com").arg(i));
    return domains;
}

} // namespace

class tst_QueryRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void runCoversTheList_data();
    void runCoversTheList();
    void noDomainsNoRun();
    void failedFetchStoresNothing_data();
    void failedFetchStoresNothing();
    void progressShowsOnTheButton();
    void secondRunOnTheSameDayIsRefused();
    void blankEntriesAreSkipped_data();
    void blankEntriesAreSkipped();
    void rankActionChoosesTheFigures();
    void domainAddedDuringTheRunIsQueried();
    void markupStaysLiteral();
    void closingDuringARunSavesAndStops();
    void closingWhileTheRunSavesWaitsForTheSave();
};

void tst_QueryRun::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_QueryRun::cleanupTestCase()
{
}

void tst_QueryRun::runCoversTheList_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("one domain") << 1;
    QTest::newRow("five domains") << 5;
    QTest::newRow("seven domains") << 7;
}

void tst_QueryRun::runCoversTheList()
{
    QFETCH(int, count);
    const QStringList domains = numberedDomains(count);
    CRunFixture run(domains);
    for (int i = 0; i < count; ++i)
        run.server.setPage(QStringLiteral("/siteinfo/") + domains.at(i), rankPage(domains.at(i), i + 1));

    run.probe->queryButton()->click();

    // The first batch goes out at once, one domain per socket, in list order.
    const int batch = qMin(count, 5);
    for (int i = 0; i < MainWindow::SocketCount; ++i) {
        CAlexaSocket *socket = run.window->socket(i);
        if (i >= batch) {
            QCOMPARE(socket->domain(), QString());
            continue;
        }
        const QString domain = domains.at(i);
        QCOMPARE(socket->domain(), domain);
        QCOMPARE(socket->host(), QStringLiteral("127.0.0.1"));
        QCOMPARE(socket->port(), int(run.server.port()));
        QCOMPARE(socket->path(), QStringLiteral("/siteinfo/") + domain);
        QCOMPARE(socket->referer(), QStringLiteral("http://127.0.0.1/search?q=%1&r=home_home&p=bigtop").arg(domain));
        QVERIFY(socket->rankMode());
    }
    QVERIFY(!run.probe->queryButton()->isEnabled());
    QCOMPARE(run.probe->statusLines(), QStringList{performing});

    QVERIFY(run.waitForRunEnd());
    QCOMPARE(run.reports.size(), count);

    // The first results hand their sockets the domains after the batch; the
    // first result that finds none left completes the run; the button waits
    // for the last one and the save after it.
    const int completing = qMax(0, count - 5);
    QStringList expectedStatus{performing};
    QStringList expectedHistory;
    for (int k = 0; k < count; ++k) {
        const Report &report = run.reports.at(k);
        const QString next = k < completing ? domains.at(5 + k) : report.domain;
        QCOMPARE(report.socketDomainAfter, next);
        QCOMPARE(report.finished, k >= completing);
        QVERIFY(!report.buttonEnabled);
        const QString line = rankLine(report.domain, int(domains.indexOf(report.domain)) + 1);
        expectedHistory.append(line);
        expectedStatus.append(CWindowProbe::echo(line));
        if (k == completing)
            expectedStatus.append(completed);
    }
    expectedStatus.append(summary(count));
    expectedStatus.append(noMoves);
    QCOMPARE(run.probe->statusLines(), expectedStatus);
    QCOMPARE(run.probe->historyLines(), expectedHistory);
    QCOMPARE(run.probe->tableRows(), expectedHistory);
    QCOMPARE(run.probe->topLabels(), QStringList{"2012, Aug"});
    QCOMPARE(run.probe->dayLabels(QStringLiteral("2012, Aug")).size(), 31);
    QCOMPARE(run.probe->monthList(), QStringList{"2012, Aug"});

    QStringList requested = run.server.requestedPaths();
    requested.sort();
    QStringList expectedPaths;
    for (const QString &domain : domains)
        expectedPaths.append(QStringLiteral("/siteinfo/") + domain);
    expectedPaths.sort();
    QCOMPARE(requested, expectedPaths);
    for (const QByteArray &request : run.server.requests()) {
        const QByteArray domain = request.split(' ').value(1).mid(int(qstrlen("/siteinfo/")));
        const QByteArray referer = "\r\nReferer: http://127.0.0.1/search?q=" + domain + "&r=home_home&p=bigtop\r\n";
        QVERIFY2(request.contains(referer),
                 request.constData());
    }

    // The run's results are on disk before the window goes.
    QCOMPARE(CTempHome::readFile(run.home.historyPath()), CWindowProbe::fileOf(expectedHistory));
    QCOMPARE(run.prompts->prompts().size(), 0);
}

void tst_QueryRun::noDomainsNoRun()
{
    CRunFixture run({});
    run.probe->queryButton()->click();
    QCOMPARE(run.probe->statusLines(), QStringList{"Please provide domain names to begin"});
    QVERIFY(run.probe->queryButton()->isEnabled());
    for (int i = 0; i < MainWindow::SocketCount; ++i)
        QCOMPARE(run.window->socket(i)->domain(), QString());
    QTest::qWait(50);
    QCOMPARE(run.server.connectionCount(), 0);
}

void tst_QueryRun::failedFetchStoresNothing_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("connection refused") << "refused";
    QTest::newRow("no answer until the time-out") << "timeout";
    QTest::newRow("service answering 503") << "503";
    QTest::newRow("page cut short") << "short";
}

void tst_QueryRun::failedFetchStoresNothing()
{
    // A failed fetch is no result: nothing is stored, the status line says
    // why, and a later run the same day fetches the domain again.
    QFETCH(QString, failure);
    const bool refused = failure == u"refused";
    const quint16 closed = CLoopbackServer::closedPort();
    CRunFixture run({"down.com", "up.com"}, refused ? closed : 0);
    const quint16 port = refused ? closed : run.server.port();
    QString reason = QStringLiteral("no answer from the ranking service at 127.0.0.1:%1 (connection refused)").arg(port);
    if (failure == u"timeout") {
        run.server.setManual(true);
        for (int i = 0; i < MainWindow::SocketCount; ++i)
            run.window->socket(i)->setTimeoutInterval(300);
        reason = QStringLiteral("no answer from the ranking service at 127.0.0.1:%1 (no answer within 0.3 s)").arg(port);
    } else if (failure == u"503") {
        run.server.setDefaultReply({{unavailable("newest tranco list is 2026-08-17, 112 days old")}});
        reason = QStringLiteral("the ranking service at 127.0.0.1:%1 answered 503 Service Unavailable "
                                "(newest tranco list is 2026-08-17, 112 days old)").arg(port);
    } else if (failure == u"short") {
        run.server.setDefaultReply({{"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + rankPage("x.com", 1)}});
        reason = QStringLiteral("no answer from the ranking service at 127.0.0.1:%1 "
                                "(the connection closed before the answer was complete)").arg(port);
    }
    run.probe->queryButton()->click();
    QVERIFY(run.waitForRunEnd());

    QCOMPARE(run.probe->historyLines(), QStringList());
    QCOMPARE(run.probe->tableRows(), QStringList());
    const QStringList lines = run.probe->statusLines();
    QCOMPARE(lines.first(), performing);
    QCOMPARE(lines.count(completed), 1);
    QVERIFY2(lines.contains(QStringLiteral("down.com: ") + reason), qPrintable(lines.join(u'\n')));
    QVERIFY2(lines.contains(QStringLiteral("up.com: ") + reason), qPrintable(lines.join(u'\n')));
    QCOMPARE(lines.mid(lines.size() - 2), (QStringList{summary(0, 0, 2), noMoves}));
    QCOMPARE(CTempHome::readFile(run.home.historyPath()), QByteArray());
    // No fetch got a connection: the user is told once how to reach the
    // service. One that answered, or took the connection and fell silent, was reached.
    if (refused)
        QTRY_COMPARE(run.prompts->messages(),
                     QStringList{CQueryRun::unreachable(CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(port)).value())});
    QTest::qWait(20);
    if (!refused)
        QCOMPARE(run.prompts->messages(), QStringList());
    QVERIFY(!run.probe->statusLines().join(u'\n').contains(QStringLiteral(",NA,")));
    if (refused)
        return;

    // The service is back the same day: both domains are fetched and stored.
    run.server.setManual(false);
    run.server.setDefaultReply(CLoopbackServer::page(rankPage(QStringLiteral("any.com"), 6)));
    run.prompts->clear();
    run.probe->queryButton()->click();
    QVERIFY(run.waitForRunEnd());
    QStringList history = run.probe->historyLines();
    history.sort();
    QCOMPARE(history.size(), 2);
    QVERIFY(history.at(0).startsWith(QStringLiteral("down.com,6001,6,")));
    QVERIFY(history.at(1).startsWith(QStringLiteral("up.com,6001,6,")));
    QCOMPARE(run.probe->statusLines().mid(run.probe->statusLines().size() - 2), (QStringList{summary(2), noMoves}));
    QCOMPARE(run.prompts->messages(), QStringList());
    QCOMPARE(CTempHome::readFile(run.home.historyPath()), CWindowProbe::fileOf(run.probe->historyLines()));
}

void tst_QueryRun::progressShowsOnTheButton()
{
    // The last domain's page comes slowly: meanwhile the button shows how
    // many of the run's domains have reported.
    const QStringList domains = numberedDomains(7);
    CRunFixture run(domains);
    const QByteArray page = CLoopbackServer::page(rankPage(QStringLiteral("any.com"), 2)).chunks.first();
    run.server.setDefaultReply(CLoopbackServer::page(rankPage(QStringLiteral("any.com"), 2)));
    run.server.setReply(QStringLiteral("/siteinfo/d7.com"), {{page.left(20), page.mid(20)}, 3000, true});
    QPushButton *button = run.probe->queryButton();
    const QString label = button->text();
    button->click();
    QCOMPARE(button->text(), QStringLiteral("0 / 7"));
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("6 / 7"), LongWait);
    QVERIFY(!button->isEnabled());
    QVERIFY(run.waitForRunEnd());
    QCOMPARE(button->text(), label);
    QCOMPARE(run.probe->historyLines().size(), 7);
}

void tst_QueryRun::secondRunOnTheSameDayIsRefused()
{
    CRunFixture run({"example.com"});
    run.server.setPage(QStringLiteral("/siteinfo/example.com"), rankPage(QStringLiteral("example.com"), 3));
    run.probe->queryButton()->click();
    QVERIFY(run.waitForRunEnd());
    run.probe->queryButton()->click();
    QVERIFY(!run.window->isCrawlFinished());
    QVERIFY(run.waitForRunEnd());

    const QString line = rankLine(QStringLiteral("example.com"), 3);
    QCOMPARE(run.probe->statusLines(),
             (QStringList{performing, CWindowProbe::echo(line), completed, summary(1), noMoves, performing,
                          "example.com has already been assessed for this date...", completed, summary(0, 1), noMoves}));
    QCOMPARE(run.probe->historyLines(), QStringList{line});
    QCOMPARE(run.probe->tableRows(), QStringList{line});
    // The page was fetched again all the same (beside the first run's question for the past days held).
    QCOMPARE(run.server.requestedPaths().filter(QStringLiteral("/siteinfo/")),
             (QStringList{"/siteinfo/example.com", "/siteinfo/example.com"}));
}

void tst_QueryRun::blankEntriesAreSkipped_data()
{
    QTest::addColumn<QStringList>("domains");
    QTest::newRow("in the first batch") << QStringList{"a.com", "   ", "b.com"};
    QTest::newRow("first") << QStringList{"   ", "a.com"};
    QTest::newRow("last") << QStringList{"a.com", " "};
    QTest::newRow("after the first batch") << QStringList{"a.com", "b.com", "c.com", "d.com", "e.com", "  ", "f.com"};
    QTest::newRow("only blanks") << QStringList{"  ", "\t"};
}

void tst_QueryRun::blankEntriesAreSkipped()
{
    QFETCH(QStringList, domains);
    CRunFixture run(domains);
    QStringList named;
    for (const QString &domain : domains) {
        if (!domain.trimmed().isEmpty())
            named.append(domain);
    }
    for (int i = 0; i < named.size(); ++i)
        run.server.setPage(QStringLiteral("/siteinfo/") + named.at(i), rankPage(named.at(i), i + 1));

    run.probe->queryButton()->click();
    QVERIFY(run.waitForRunEnd());

    QStringList history = run.probe->historyLines();
    QStringList expected;
    for (int i = 0; i < named.size(); ++i)
        expected.append(rankLine(named.at(i), i + 1));
    history.sort();
    expected.sort();
    QCOMPARE(history, expected);
    QCOMPARE(run.server.requestedPaths().size(), named.size());
    QCOMPARE(run.probe->statusLines().first(), performing);
    QCOMPARE(run.probe->statusLines().count(completed), 1);
}

void tst_QueryRun::rankActionChoosesTheFigures()
{
    CRunFixture run({"example.com"});
    run.server.setPage(QStringLiteral("/siteinfo/example.com"), rankPage(QStringLiteral("example.com"), 4));
    QAction *rank = run.probe->action("actionRank");

    rank->trigger();
    QVERIFY(!rank->isChecked());
    run.probe->queryButton()->click();
    QVERIFY(!run.window->socket(0)->rankMode());
    QVERIFY(run.waitForRunEnd());
    QCOMPARE(run.probe->historyLines(), QStringList{rankLine(QStringLiteral("example.com"), 4, false)});

    rank->trigger();
    QVERIFY(rank->isChecked());
    for (int i = 0; i < MainWindow::SocketCount; ++i)
        run.window->socket(i)->setClock(CRankClock(QDate(2012, 8, 6)));
    run.probe->queryButton()->click();
    QVERIFY(run.window->socket(0)->rankMode());
    QVERIFY(run.waitForRunEnd());
    QCOMPARE(run.probe->historyLines().size(), 2);
    QCOMPARE(run.probe->historyLines().at(1),
             QString(rankLine(QStringLiteral("example.com"), 4)).replace(today, QStringLiteral("06/08/2012")));
}

void tst_QueryRun::domainAddedDuringTheRunIsQueried()
{
    CRunFixture run({"a.com"});
    run.server.setManual(true);
    QSignalSpy requests(&run.server, &CLoopbackServer::requestReceived);
    run.probe->queryButton()->click();
    QVERIFY(requests.wait(LongWait));

    // The domain manager rebuilds the list while a.com is being fetched.
    run.prompts->answerText(QStringLiteral("late.com"));
    run.probe->manageButton()->click();
    QMetaObject::invokeMethod(run.window->manager(), "on_btnAdd_clicked");
    QMetaObject::invokeMethod(run.window->manager(), "on_btnClose_clicked");
    QCOMPARE(run.probe->domainEntries(), (QStringList{"  All Domains", "  a.com", "  late.com"}));

    run.server.send("HTTP/1.0 200 OK\r\n\r\n" + rankPage(QStringLiteral("a.com"), 1));
    run.server.closeConnection();
    QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 2, LongWait);
    QVERIFY(!run.window->isCrawlFinished());
    QCOMPARE(run.window->socket(0)->domain(), QStringLiteral("late.com"));
    run.server.send("HTTP/1.0 200 OK\r\n\r\n" + rankPage(QStringLiteral("late.com"), 2));
    run.server.closeConnection();
    QVERIFY(run.waitForRunEnd());
    QCOMPARE(run.probe->historyLines(),
             (QStringList{rankLine(QStringLiteral("a.com"), 1), rankLine(QStringLiteral("late.com"), 2)}));
}

void tst_QueryRun::markupStaysLiteral()
{
    // Markup in a figure's cell is no figure: the record gets "NA" there.
    CRunFixture run({"x.com"});
    run.server.setPage(QStringLiteral("/siteinfo/x.com"), rankPage(QStringLiteral("x.com"), 5, QStringLiteral("<b>1</b>")));
    run.probe->queryButton()->click();
    QVERIFY(run.waitForRunEnd());
    const QString line = QString(rankLine(QStringLiteral("x.com"), 5)).replace(QStringLiteral(",51,"), QStringLiteral(",NA,"));
    QCOMPARE(run.probe->historyLines(), QStringList{line});
    QCOMPARE(run.probe->statusLines(), (QStringList{performing, CWindowProbe::echo(line), completed, summary(1), noMoves}));

    // A refusal names the domain as it is, too.
    CAlexaRankData record = CWindowProbe::record(CWindowProbe::line(QStringLiteral("<i>y</i>"), today));
    run.window->rankProfile(record, 0);
    run.window->rankProfile(record, 0);
    QVERIFY(run.probe->status()->toPlainText().contains(QStringLiteral("<i>y</i> has already been assessed for this date...")));
    QVERIFY(run.probe->status()->toPlainText().contains(CWindowProbe::echo(CWindowProbe::line(QStringLiteral("<i>y</i>"), today))));
}

void tst_QueryRun::closingDuringARunSavesAndStops()
{
    auto run = std::make_unique<CRunFixture>(numberedDomains(7));
    run->server.setManual(true);
    QSignalSpy requests(&run->server, &CLoopbackServer::requestReceived);
    run->probe->queryButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 5, LongWait);
    QList<QPointer<CAlexaSocket>> sockets;
    for (int i = 0; i < MainWindow::SocketCount; ++i)
        sockets.append(run->window->socket(i));

    run->window->close();
    run->window.reset();
    for (const QPointer<CAlexaSocket> &socket : sockets)
        QVERIFY(socket.isNull());
    QCOMPARE(CTempHome::readFile(run->home.domainListPath()), CWindowProbe::fileOf(numberedDomains(7)));
    QCOMPARE(CTempHome::readFile(run->home.historyPath()), QByteArray());
    QCOMPARE(run->prompts->prompts().size(), 0);
}

void tst_QueryRun::closingWhileTheRunSavesWaitsForTheSave()
{
    const QStringList domains = numberedDomains(1);
    CRunFixture run(domains);
    run.server.setPage(QStringLiteral("/siteinfo/d1.com"), rankPage(QStringLiteral("d1.com"), 1));
    QVERIFY(run.showExposed());
    auto *session = run.window->findChild<CRunSession *>();
    QVERIFY(session);
    CHeldSync hold;
    run.probe->queryButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(CHeldSync::reached(), 1, LongWait);
    QVERIFY(session->isSaving());

    // Closed while the history is written: the window stays, disabled, until the save has ended.
    run.window->close();
    QCoreApplication::processEvents();
    QVERIFY(run.window->isVisible());
    QVERIFY(!run.window->isEnabled());
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QCOMPARE(CTempHome::readFile(run.home.historyPath()), QByteArray());

    hold.release();
    QTRY_VERIFY_WITH_TIMEOUT(!run.window->isVisible(), LongWait);
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(CTempHome::readFile(run.home.historyPath()), CWindowProbe::fileOf({rankLine(QStringLiteral("d1.com"), 1)}));
    QVERIFY(run.probe->statusLines().contains(summary(1)));
    QCOMPARE(run.prompts->prompts().size(), 0);
}

QTEST_MAIN(tst_QueryRun)
#include "tst_QueryRun.moc"
