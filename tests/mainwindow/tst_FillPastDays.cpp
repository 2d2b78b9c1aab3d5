#include "CDomainDateList.h"
#include "CLoopbackServer.h"
#include "CRecordDate.h"
#include "CStandInService.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "prompts/PastDaysDialog.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

namespace {

constexpr int LongWait = 30000;
const QDate Today(2012, 8, 5);

// A window on a loopback server standing in for the ranking service.
class CFillFixture : public CWindowFixture
{
public:
    explicit CFillFixture(const QStringList &domains, quint16 port = 0)
    {
        writeDomains(domains);
        settings = home.settings(Today);
        settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(port ? port : service.port())).value();
        openWindow(settings);
    }

    // Closes the window and opens another on the same home.
    void reopen()
    {
        probe.reset();
        window.reset();
        openWindow(settings);
    }

    void holdDays(int days, const QDate &oldest = QDate())
    {
        service.setPage(QStringLiteral("/status"), CStandInService::status(days, Today.addDays(-1), oldest));
    }
    // Every domain's page of each of these past days, dated that day.
    void servePages(const QStringList &domains, int days)
    {
        for (int back = 1; back <= days; ++back) {
            for (const QString &domain : domains)
                service.setPage(CStandInService::pathFor(domain, Today.addDays(-back)),
                                CStandInService::datedPage(Today.addDays(-back), 100 * back));
        }
    }
    void fill() { probe->action("actionFill_Past_Days")->trigger(); }
    bool waitForFillEnd() const
    {
        return QTest::qWaitFor([this] { return probe->action("actionFill_Past_Days")->isEnabled() && bar()->isHidden(); },
                               LongWait);
    }
    QProgressBar *bar() const { return window->findChild<QProgressBar *>(QStringLiteral("barFill")); }
    QPushButton *cancel() const { return window->findChild<QPushButton *>(QStringLiteral("btnCancelFill")); }

    CLoopbackServer service;
    CSettings settings;
};

QString historyLine(const QString &domain, int back)
{
    return domain + QStringLiteral(",%1,9,NA,NA,NA,NA,").arg(100 * back) + Today.addDays(-back).toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

// Alexa Data → Fill Past Days: the days the service holds, the backfill run
// in the window with its progress and Cancel, and the first run's offer.
class tst_FillPastDays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void daysOfferedFollowTheStatus_data();
    void daysOfferedFollowTheStatus();
    void dialogTakesTheMaximum();
    void filledDaysReachHistoryAndViews();
    void cancelKeepsWhatWasTaken();
    void firstRunOffersPastDaysOnce();
};

void tst_FillPastDays::daysOfferedFollowTheStatus_data()
{
    QTest::addColumn<QByteArray>("status"); // empty: nothing listens
    QTest::addColumn<int>("maximum");       // 0: a message instead of the dialog
    QTest::addColumn<QString>("message");

    QTest::newRow("days held up to yesterday") << CStandInService::status(30, Today.addDays(-1)) << 30 << QString();
    QTest::newRow("newest list a week old") << CStandInService::status(30, Today.addDays(-7)) << 36 << QString();
    QTest::newRow("oldest day named") << CStandInService::status(60, Today.addDays(-1), Today.addDays(-400)) << 400
                                      << QString();
    QTest::newRow("only today's list") << CStandInService::status(1, Today) << 0 << QStringLiteral("holds no past days");
    QTest::newRow("no list at all") << CStandInService::status(0, QDate()) << 0 << QStringLiteral("holds no past days");
    QTest::newRow("error: not json") << QByteArray("<html>hello</html>") << 0 << QStringLiteral("cannot read");
    QTest::newRow("error: days not a number") << QByteArray(R"({"sources":[{"days":"many"}]})") << 0
                                              << QStringLiteral("cannot read");
    QTest::newRow("error: nothing listens") << QByteArray() << 0 << QStringLiteral("could not be reached");
}

void tst_FillPastDays::daysOfferedFollowTheStatus()
{
    QFETCH(QByteArray, status);
    QFETCH(int, maximum);
    QFETCH(QString, message);

    CFillFixture view({"a.test"}, status.isEmpty() ? CLoopbackServer::closedPort() : 0);
    view.service.setPage(QStringLiteral("/status"), status);
    view.prompts->answerPastDays(0); // cancelled: nothing is fetched
    view.fill();
    QVERIFY(QTest::qWaitFor([&] { return !view.prompts->prompts().isEmpty(); }, LongWait));
    if (maximum > 0) {
        const QList<CFakePrompts::Prompt> asked = view.prompts->prompts(CFakePrompts::Kind::PastDays);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().text, QString::number(maximum));
        QCOMPARE(view.service.requestedPaths(), QStringList{"/status"});
    } else {
        QCOMPARE(view.prompts->messages().size(), 1);
        QVERIFY2(view.prompts->messages().first().contains(message), qPrintable(view.prompts->messages().first()));
    }
    QVERIFY(view.window->history().isEmpty());
}

void tst_FillPastDays::dialogTakesTheMaximum()
{
    PastDaysDialog dialog(nullptr, 365);
    const auto *spin = dialog.findChild<QSpinBox *>(QStringLiteral("spinDays"));
    QCOMPARE(spin->maximum(), 365);
    QCOMPARE(spin->minimum(), 1);
    QCOMPARE(dialog.days(), 365);
}

void tst_FillPastDays::filledDaysReachHistoryAndViews()
{
    const QStringList domains{"a.test", "b.test"};
    CFillFixture view(domains);
    view.holdDays(3);
    view.servePages(domains, 2);
    view.prompts->answerPastDays(2);
    view.fill();
    QVERIFY(QTest::qWaitFor([&] { return !view.window->history().isEmpty(); }, LongWait));
    QVERIFY(view.waitForFillEnd());

    const QStringList expected{historyLine("a.test", 2), historyLine("b.test", 2), historyLine("a.test", 1),
                               historyLine("b.test", 1)};
    QStringList held = view.probe->historyLines();
    QCOMPARE(held.size(), 4);
    // The oldest day first, as the history keeps its days in order.
    QCOMPARE(QStringList(held.mid(0, 2)), QStringList(expected.mid(0, 2)));
    held.sort();
    QStringList sorted = expected;
    sorted.sort();
    QCOMPARE(held, sorted);
    QCOMPARE(CTempHome::readFile(view.home.historyPath()).count('\n'), 4);
    QCOMPARE(view.probe->topLabels(), QStringList{"2012, Aug"});
    QCOMPARE(view.probe->tableRows().size(), 4);
    QVERIFY(view.probe->statusLines().contains(QStringLiteral("4 filled, 0 without a list, 0 failed")));
    // Each domain's latest day, which the next query run is checked against.
    for (const QString &domain : domains) {
        QVERIFY(view.window->dates().contains(domain, CRecordDate::text(Today.addDays(-1))));
        QVERIFY(!view.window->dates().contains(domain, CRecordDate::text(Today.addDays(-2))));
    }
}

void tst_FillPastDays::cancelKeepsWhatWasTaken()
{
    CFillFixture view({"a.test"});
    view.holdDays(3);
    view.servePages({"a.test"}, 3);
    // The middle day's page never comes.
    view.service.setReply(CStandInService::pathFor("a.test", Today.addDays(-2)),
                          CLoopbackServer::Reply{{"HTTP/1.0 200 OK\r\n\r\n<html>"}, 0, false});
    view.prompts->answerPastDays(3);
    view.fill();
    QVERIFY(QTest::qWaitFor([&] { return !view.bar()->isHidden() && view.bar()->value() == 2; }, LongWait));
    QVERIFY(view.cancel()->isVisible() || !view.window->isVisible());
    QVERIFY(view.window->history().isEmpty()); // kept apart until the backfill ends
    view.cancel()->click();
    QVERIFY(view.waitForFillEnd());

    QStringList held = view.probe->historyLines();
    QCOMPARE(held, (QStringList{historyLine("a.test", 3), historyLine("a.test", 1)}));
    QCOMPARE(CTempHome::readFile(view.home.historyPath()).count('\n'), 2);
    const QStringList status = view.probe->statusLines();
    QVERIFY(status.contains(QStringLiteral("2 filled, 0 without a list, 0 failed")));
    QVERIFY(std::any_of(status.cbegin(), status.cend(), [](const QString &line) { return line.startsWith(u"cancelled with"); }));
}

void tst_FillPastDays::firstRunOffersPastDaysOnce()
{
    CFillFixture view({"a.test"});
    view.holdDays(90);
    view.service.setPage(QStringLiteral("/siteinfo/a.test"), CStandInService::datedPage(QDate(), 7));
    view.prompts->answerYesNo(false);
    for (int start = 0; start < 2; ++start) {
        if (start == 1) { // a later start with an empty history again
            view.home.writeFile(view.home.historyPath(), QByteArray());
            view.reopen();
        }
        view.probe->queryButton()->click();
        QVERIFY(QTest::qWaitFor([&] { return view.window->history().size() == 1 && view.probe->queryButton()->isEnabled(); },
                                LongWait));
        // The offer's question comes once the service has answered; a second one would have had time to.
        if (start == 0)
            QVERIFY(QTest::qWaitFor([&] { return !view.prompts->prompts(CFakePrompts::Kind::Question).isEmpty(); }, LongWait));
        else
            QTest::qWait(500);
        QCOMPARE(view.prompts->prompts(CFakePrompts::Kind::Question).size(), 1);
        QCOMPARE(view.service.requestedPaths().count(QStringLiteral("/status")), 1);
    }
    const QString question = view.prompts->prompts(CFakePrompts::Kind::Question).first().text;
    QVERIFY2(question.contains(QStringLiteral("holds 90 past days")), qPrintable(question));
    // Declined: nothing was asked of past days.
    QVERIFY(view.prompts->prompts(CFakePrompts::Kind::PastDays).isEmpty());
    QCOMPARE(view.window->history().size(), 1);
}

QTEST_MAIN(tst_FillPastDays)
#include "tst_FillPastDays.moc"
