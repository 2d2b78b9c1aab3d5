#include "CFakePrompts.h"
#include "COverviewFilter.h"
#include "COverviewModel.h"
#include "COverviewRow.h"
#include "CTempHome.h"
#include "ChartWindow.h"
#include "MainWindow.h"
#include "OverviewWindow.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

// The overview opened from the main window: its rows, their order with "NA"
// last, the filter and the group, the chart it opens and how it follows
// the domain list. The figures themselves are COverviewTable's.
class tst_OverviewWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opensWithCtrlO();
    void sortsWithNaLast_data();
    void sortsWithNaLast();
    void filterAndGroupNarrow();
    void doubleClickOpensTheChart();
    void followsTheDomainList();
    void escapeCloses();

private:
    OverviewWindow *open();
    QStringList shownDomains() const;

    std::unique_ptr<CTempHome> m_home;
    std::unique_ptr<MainWindow> m_window;
};

void tst_OverviewWindow::init()
{
    m_home = std::make_unique<CTempHome>();
    m_home->writeFile(m_home->domainListPath(), "a.com\nb.com\nc.com\nd.com\n");
    m_home->writeFile(m_home->dataDirectory() + QStringLiteral("/groups.dat"), "mine,a.com\nmine,d.com\n");
    m_home->writeFile(m_home->historyPath(), "a.com,1000,20,1,1,1,1,01/10/2026\n"
                                             "b.com,NA,NA,1,1,1,1,02/10/2026\n"
                                             "a.com,850,18,1,1,1,1,08/10/2026\n"
                                             "c.com,5,7,1,1,1,1,08/10/2026\n");
    m_window = std::make_unique<MainWindow>(nullptr, m_home->settings(), std::make_shared<CFakePrompts>());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_OverviewWindow::cleanup()
{
    m_window.reset();
    m_home.reset();
}

OverviewWindow *tst_OverviewWindow::open()
{
    QTest::keyClick(m_window.get(), Qt::Key_O, Qt::ControlModifier);
    OverviewWindow *overview = m_window->overview();
    return overview && QTest::qWaitForWindowExposed(overview) ? overview : nullptr;
}

QStringList tst_OverviewWindow::shownDomains() const
{
    const QAbstractItemModel *shown = m_window->overview()->table()->model();
    QStringList domains;
    for (int row = 0; row < shown->rowCount(); ++row)
        domains.append(shown->index(row, COverviewRow::DomainColumn).data().toString());
    return domains;
}

void tst_OverviewWindow::opensWithCtrlO()
{
    OverviewWindow *overview = open();
    QVERIFY(overview);
    QVERIFY(overview->isVisible());
    QCOMPARE(overview->windowTitle(), QStringLiteral("Overview"));
    // By global rank at first; "NA", then no record, last.
    QCOMPARE(shownDomains(), (QStringList{"c.com", "a.com", "b.com", "d.com"}));
    const QAbstractItemModel *shown = overview->table()->model();
    QCOMPARE(shown->index(1, COverviewRow::ChangeColumn).data().toString(), QStringLiteral("+150"));
    QCOMPARE(shown->index(1, COverviewRow::PercentColumn).data().toString(), QStringLiteral("+15.0%"));
    QCOMPARE(shown->index(1, COverviewRow::GroupsColumn).data().toString(), QStringLiteral("mine"));
    QCOMPARE(shown->index(2, COverviewRow::GlobalColumn).data().toString(), QStringLiteral("NA"));
    QCOMPARE(shown->index(3, COverviewRow::DateColumn).data().toString(), QStringLiteral("no record yet"));
    // An improvement is told apart by its colour.
    QVERIFY(shown->index(1, COverviewRow::ChangeColumn).data(Qt::ForegroundRole).value<QColor>().isValid());
}

void tst_OverviewWindow::sortsWithNaLast_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QStringList>("domains");

    QTest::newRow("global rank, worst first") << int(COverviewRow::GlobalColumn) << Qt::DescendingOrder
                                              << QStringList{"a.com", "c.com", "b.com", "d.com"};
    QTest::newRow("US rank") << int(COverviewRow::UsColumn) << Qt::AscendingOrder
                             << QStringList{"c.com", "a.com", "b.com", "d.com"};
    QTest::newRow("change, only one has one") << int(COverviewRow::ChangeColumn) << Qt::DescendingOrder
                                              << QStringList{"a.com", "c.com", "b.com", "d.com"};
    QTest::newRow("date, newest first") << int(COverviewRow::DateColumn) << Qt::DescendingOrder
                                        << QStringList{"c.com", "a.com", "b.com", "d.com"};
    QTest::newRow("domain, backwards") << int(COverviewRow::DomainColumn) << Qt::DescendingOrder
                                       << QStringList{"d.com", "c.com", "b.com", "a.com"};
}

void tst_OverviewWindow::sortsWithNaLast()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    QFETCH(QStringList, domains);
    OverviewWindow *overview = open();
    QVERIFY(overview);
    overview->table()->sortByColumn(column, order);
    QCOMPARE(shownDomains(), domains);
}

void tst_OverviewWindow::filterAndGroupNarrow()
{
    OverviewWindow *overview = open();
    QVERIFY(overview);
    auto *filter = overview->findChild<QLineEdit *>(QStringLiteral("txtFilter"));
    auto *group = overview->findChild<QComboBox *>(QStringLiteral("cbGroup"));
    QVERIFY(filter && group);
    QCOMPARE(group->count(), 2); // every group, and "mine"
    group->setCurrentIndex(1);
    QCOMPARE(shownDomains(), (QStringList{"a.com", "d.com"}));
    QTest::keyClicks(filter, QStringLiteral("D."));
    QCOMPARE(shownDomains(), QStringList{"d.com"});
    group->setCurrentIndex(0);
    filter->clear();
    QCOMPARE(shownDomains().size(), 4);
}

void tst_OverviewWindow::doubleClickOpensTheChart()
{
    OverviewWindow *overview = open();
    QVERIFY(overview);
    QTableView *table = overview->table();
    const QModelIndex cRow = table->model()->index(0, COverviewRow::GlobalColumn);
    QCOMPARE(cRow.siblingAtColumn(0).data().toString(), QStringLiteral("c.com"));
    const QPoint at = table->visualRect(cRow).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at); // a view takes a double click after a press
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(m_window->chart());
    QVERIFY(m_window->chart()->isVisible());
    QCOMPARE(m_window->chart()->checkedDomains(), QStringList{"c.com"});
}

void tst_OverviewWindow::followsTheDomainList()
{
    OverviewWindow *overview = open();
    QVERIFY(overview);
    m_window->addNewDomain(QStringLiteral("  e.com"));
    QTRY_COMPARE(overview->model()->rowCount(), 5);
    QCOMPARE(shownDomains().last(), QStringLiteral("e.com"));
}

void tst_OverviewWindow::escapeCloses()
{
    OverviewWindow *overview = open();
    QVERIFY(overview);
    overview->activateWindow();
    QTest::keyClick(overview->table(), Qt::Key_Escape);
    QVERIFY(!overview->isVisible());
}

QTEST_MAIN(tst_OverviewWindow)
#include "tst_OverviewWindow.moc"
