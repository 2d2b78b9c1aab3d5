#include "CAlexaRankData.h"
#include "CFakePrompts.h"
#include "CLoopbackServer.h"
#include "CRankChart.h"
#include "CTempHome.h"
#include "ChartWindow.h"
#include "MainWindow.h"

#include <QAction>
#include <QChart>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <QXYSeries>

// The chart opened from the main window, kept in step with its history.
class tst_ChartLive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opensForTheChosenDomain();
    void followsResultsAndDeletion();
    void takesThePeriodPickedInTheTree();
    void runEndsWithItsBiggestMoves();
    void importedDomainsAreListed();

private:
    std::unique_ptr<CTempHome> home;
    std::shared_ptr<CFakePrompts> prompts;
    std::unique_ptr<MainWindow> window;
};

namespace {

int pointsOf(const ChartWindow *chart, const QString &domain)
{
    int points = 0;
    const QList<QAbstractSeries *> all = chart->rankChart()->chart()->series();
    for (QAbstractSeries *series : all) {
        if (series->name() == domain)
            points += static_cast<QXYSeries *>(series)->count();
    }
    return points;
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

void tst_ChartLive::init()
{
    home = std::make_unique<CTempHome>();
    home->writeFile(home->domainListPath(), "a.com\nb.com\n");
    home->writeFile(home->historyPath(), "a.com,100,1,1,1,1,1,01/01/2024\n"
                                         "a.com,200,1,1,1,1,1,02/01/2024\n"
                                         "b.com,50,1,1,1,1,1,02/01/2024\n"
                                         "b.com,40,1,1,1,1,1,01/02/2024\n");
    prompts = std::make_shared<CFakePrompts>();
    window = std::make_unique<MainWindow>(nullptr, home->settings(), prompts);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void tst_ChartLive::cleanup()
{
    window.reset();
    home.reset();
}

void tst_ChartLive::opensForTheChosenDomain()
{
    auto *domains = window->findChild<QComboBox *>("cbDomain");
    domains->setEnabled(true);
    domains->setCurrentIndex(2);
    auto *action = window->findChild<QAction *>("actionChart");
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    action->trigger();
    ChartWindow *chart = window->chart();
    QVERIFY(chart);
    QVERIFY(chart->isVisible());
    QVERIFY(!chart->isModal());
    QCOMPARE(chart->checkedDomains(), QStringList{"b.com"});
    QCOMPARE(pointsOf(chart, "b.com"), 2);
    action->trigger(); // a second time: the same window
    QCOMPARE(window->findChildren<ChartWindow *>().size(), 1);
}

void tst_ChartLive::followsResultsAndDeletion()
{
    window->findChild<QAction *>("actionChart")->trigger();
    ChartWindow *chart = window->chart();
    QCOMPARE(chart->checkedDomains(), QStringList{"a.com"}); // "All Domains": the first domain
    QCOMPARE(pointsOf(chart, "a.com"), 2);

    CAlexaRankData record = CAlexaRankData::fromLine(QString(QStringLiteral("a.com,150,1,1,1,1,1,") + today()));
    window->rankProfile(record, -1);
    QTRY_COMPARE(pointsOf(chart, "a.com"), 3);

    // Deleting the new row from the table takes its point away.
    auto *table = window->findChild<QTableWidget *>("tblRankData");
    int row = -1;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 7)->text() == today())
            row = r;
    }
    QVERIFY(row >= 0);
    // The chart took the focus when it opened; the user comes back to the table.
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    table->setFocus();
    table->setCurrentCell(row, 0);
    prompts->answerYesNo(true);
    QTest::keyClick(table, Qt::Key_Delete);
    QCOMPARE(prompts->prompts(CFakePrompts::Kind::Question).size(), 1);
    QCOMPARE(window->history().size(), 4);
    QTRY_COMPARE(pointsOf(chart, "a.com"), 2);
}

void tst_ChartLive::takesThePeriodPickedInTheTree()
{
    auto *tree = window->findChild<QTreeWidget *>("treeYearMonth");
    QTreeWidgetItem *january = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(0) == QStringLiteral("2024, Jan"))
            january = tree->topLevelItem(i);
    }
    QVERIFY(january);
    tree->setCurrentItem(january);
    window->onTreeViewLogClick(january, 0);
    window->findChild<QAction *>("actionChart")->trigger();
    ChartWindow *chart = window->chart();
    chart->setPeriodChoice(ChartWindow::PickedPeriod);
    QCOMPARE(chart->period(), CTrendPeriod(QDate(2024, 1, 1), QDate(2024, 1, 31)));
    chart->setChecked("b.com", true);
    QCOMPARE(pointsOf(chart, "b.com"), 1); // February's record is outside
    // A day picked later is taken over by the open chart.
    QTreeWidgetItem *second = january->child(1);
    tree->setCurrentItem(second);
    window->onTreeViewLogClick(second, 0);
    QCOMPARE(chart->period(), CTrendPeriod(QDate(2024, 1, 2), QDate(2024, 1, 2)));
    QCOMPARE(pointsOf(chart, "a.com"), 1);
}

void tst_ChartLive::runEndsWithItsBiggestMoves()
{
    // Every fetch is refused, so the run brings no record: no move to name,
    // but the status still ends with the line, after the run's own lines.
    window.reset();
    CSettings settings = home->settings();
    settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(CLoopbackServer::closedPort())).value();
    window = std::make_unique<MainWindow>(nullptr, settings, prompts);
    window->findChild<QAction *>("actionChart")->trigger();
    window->findChild<QPushButton *>("btnManualQuery")->click();
    const bool ended = QTest::qWaitFor([this] {
        return window->isCrawlFinished() && window->findChild<QPushButton *>("btnManualQuery")->isEnabled();
    }, 30000);
    QVERIFY(ended);
    const QStringList lines = window->findChild<QTextEdit *>("txtStatus")->toPlainText().split(u'\n');
    QCOMPARE(lines.last(), QStringLiteral("Biggest moves: none against an earlier record"));
    QCOMPARE(window->history().size(), 4);
    // Failed fetches store nothing: nothing new is drawn.
    QTRY_VERIFY(window->chart()->listedDomains().size() == 2);
    QCOMPARE(pointsOf(window->chart(), "a.com"), 2);
}

void tst_ChartLive::importedDomainsAreListed()
{
    window->findChild<QAction *>("actionChart")->trigger();
    const QString file = home->path() + QStringLiteral("/import.txt");
    home->writeFile(file, "c.com\n");
    prompts->answerFileName(file);
    window->findChild<QAction *>("action_Import_Urls")->trigger();
    QTRY_VERIFY(window->chart()->listedDomains().contains("c.com"));
}

QTEST_MAIN(tst_ChartLive)
#include "tst_ChartLive.moc"
