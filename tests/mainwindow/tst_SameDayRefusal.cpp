#include "CLoopbackServer.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "config/CSettings.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace {

constexpr int LongWait = 30000;
const QString refusal = QStringLiteral("example.com has already been assessed for this date...");

// A window whose clock says 7 December 2026, pointed at a loopback service
// that answers every page with one that holds no figures: a result all the same.
class CRunFixture : public CWindowFixture
{
public:
    explicit CRunFixture(const QStringList &history)
    {
        server.setDefaultReply(CLoopbackServer::page("<html><body>no figures here</body></html>\n"));
        writeHistory(history);
        writeDomains({QStringLiteral("example.com")});
        CSettings settings = home.settings(QDate(2026, 12, 7));
        settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(server.port())).value();
        openWindow(settings);
    }

    bool runOnce() const
    {
        probe->queryButton()->click();
        return QTest::qWaitFor([this] { return probe->queryButton()->isEnabled() && window->isCrawlFinished(); },
                               LongWait);
    }

    CLoopbackServer server;
};

} // namespace

class tst_SameDayRefusal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void todayIsRefusedWhateverTheOrder_data();
    void todayIsRefusedWhateverTheOrder();
    void aNewDayIsTakenAcrossAMonthBoundary();
    void duplicatesLoadAndShowAsTheyAre();
};

void tst_SameDayRefusal::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_SameDayRefusal::todayIsRefusedWhateverTheOrder_data()
{
    QTest::addColumn<QStringList>("history");
    const QString november = CWindowProbe::line(QStringLiteral("example.com"), QStringLiteral("30/11/2026"), 1);
    const QString december = CWindowProbe::line(QStringLiteral("example.com"), QStringLiteral("07/12/2026"), 2);
    QTest::newRow("end of November, then today") << QStringList{november, december};
    QTest::newRow("today, then end of November") << QStringList{december, november};
    QTest::newRow("today between two older days")
        << QStringList{CWindowProbe::line(QStringLiteral("example.com"), QStringLiteral("01/12/2026"), 3), december,
                       november};
}

void tst_SameDayRefusal::todayIsRefusedWhateverTheOrder()
{
    QFETCH(QStringList, history);
    CRunFixture run(history);
    QVERIFY(run.runOnce());
    QCOMPARE(run.probe->historyLines(), history);
    QVERIFY2(run.probe->statusLines().contains(refusal), qPrintable(run.probe->statusLines().join(u'\n')));
    // A second run refuses it again.
    QVERIFY(run.runOnce());
    QCOMPARE(run.probe->historyLines(), history);
    QCOMPARE(run.probe->statusLines().count(refusal), 2);
}

void tst_SameDayRefusal::aNewDayIsTakenAcrossAMonthBoundary()
{
    // "30/11/2026" is the older day, though its text sorts after "07/12/2026".
    const QString november = CWindowProbe::line(QStringLiteral("example.com"), QStringLiteral("30/11/2026"), 1);
    CRunFixture run({november});
    QVERIFY(run.runOnce());
    QCOMPARE(run.probe->historyLines().size(), 2);
    QCOMPARE(run.probe->historyLines().constLast(), QStringLiteral("example.com,NA,NA,NA,NA,NA,NA,07/12/2026"));
    QVERIFY(run.runOnce());
    QCOMPARE(run.probe->historyLines().size(), 2);
    QVERIFY(run.probe->statusLines().contains(refusal));
}

void tst_SameDayRefusal::duplicatesLoadAndShowAsTheyAre()
{
    const QString first = CWindowProbe::line(QStringLiteral("example.com"), QStringLiteral("07/12/2026"), 1);
    const QString second = CWindowProbe::line(QStringLiteral("example.com"), QStringLiteral("07/12/2026"), 2);
    const QStringList history{first, CWindowProbe::line(QStringLiteral("example.com"), QStringLiteral("30/11/2026"), 3),
                              second};
    CRunFixture run(history);
    QCOMPARE(run.probe->historyLines(), history);
    QCOMPARE(run.probe->tableRows(), (QStringList{first, second})); // the first month, December
    QVERIFY(run.runOnce());
    QCOMPARE(run.probe->historyLines(), history);
    run.window.reset();
    QCOMPARE(CTempHome::readFile(run.home.historyPath()), CWindowProbe::fileOf(history));
}

QTEST_MAIN(tst_SameDayRefusal)
#include "tst_SameDayRefusal.moc"
