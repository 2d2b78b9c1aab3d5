#include "CDomainDateList.h"
#include "CFakePrompts.h"
#include "CHeldSync.h"
#include "CTempHome.h"
#include "CWindowFixture.h"
#include "MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

using Probe = CWindowProbe;
using Kind = CFakePrompts::Kind;

namespace {

class CDeletionFixture : public CWindowFixture
{
public:
    CDeletionFixture(const QStringList &history, const QStringList &domains = {})
    {
        writeHistory(history);
        writeDomains(domains);
        openWindow();
        ok = showActive();
    }

    // Selects the row in the focused table and presses Delete there.
    void pressDeleteOnRow(int row) const
    {
        QTableWidget *table = probe->table();
        table->setFocus();
        if (row >= 0)
            table->selectRow(row);
        QTest::keyClick(table, Qt::Key_Delete);
    }

    int questions() const { return int(prompts->prompts(Kind::Question).size()); }

    bool ok = false;
};

const QString x1 = Probe::line("x.com", "05/08/2012", 1);
const QString y2 = Probe::line("y.com", "05/08/2012", 2);
const QString x3 = Probe::line("x.com", "05/08/2012", 3);
const QString x4 = Probe::line("x.com", "06/08/2012", 4);
const QString y5 = Probe::line("y.com", "01/09/2012", 5);

} // namespace

class tst_RowDeletion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void confirmedDeletionRemovesTheRecordOfTheRow();
    void sameDayRecordsEachDeleteThemselves_data();
    void sameDayRecordsEachDeleteThemselves();
    void rowsFollowEarlierDeletions();
    void rowOfANewResultDeletesThatResult();
    void answerNoChangesNothing();
    void deletionInAFilteredTable();
    void deletedDateIsAcceptedAgain();
    void otherDateKeepsTheDomainRefused();
    void lastRecordOfAMonthLeavesItsBranch();
    void deleteElsewhereAsksNothing_data();
    void deleteElsewhereAsksNothing();
    void emptyTableAsksNothing();
    void noCurrentRowRemovesNothing();
    void closingWhileTheDeletionIsSavedWaits();
};

void tst_RowDeletion::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_RowDeletion::confirmedDeletionRemovesTheRecordOfTheRow()
{
    CDeletionFixture view({x1, y2, x3});
    QVERIFY(view.ok);
    const QStringList status = view.probe->statusLines();
    view.prompts->answerYesNo(true);
    // Row 2 shows x3, whose domain and date are those of x1 as well.
    view.pressDeleteOnRow(2);

    QCOMPARE(view.questions(), 1);
    const CFakePrompts::Prompt question = view.prompts->prompts(Kind::Question).first();
    QCOMPARE(question.title, QStringLiteral("Row Deletion"));
    QCOMPARE(question.text, QStringLiteral("Do wish you to remove this entry"));
    QCOMPARE(view.probe->historyLines(), (QStringList{x1, y2}));
    QCOMPARE(view.probe->tableRows(), (QStringList{x1, y2}));
    QCOMPARE(view.probe->statusLines(), status);
    QVERIFY(!view.window->dates().contains(QStringLiteral("x.com"), QStringLiteral("05/08/2012")));
    QVERIFY(view.window->dates().contains(QStringLiteral("y.com"), QStringLiteral("05/08/2012")));
    view.window.reset();
    QCOMPARE(CTempHome::readFile(view.home.historyPath()), Probe::fileOf({x1, y2}));
}

void tst_RowDeletion::sameDayRecordsEachDeleteThemselves_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("first of two") << QStringList{x1, x3} << 0 << QStringList{x3};
    QTest::newRow("second of two") << QStringList{x1, x3} << 1 << QStringList{x1};
    // Identical lines differ only by where they stand.
    QTest::newRow("second of two identical") << QStringList{x1, y2, x1} << 2 << QStringList{x1, y2};
    QTest::newRow("first of two identical") << QStringList{x1, y2, x1} << 0 << QStringList{y2, x1};
}

void tst_RowDeletion::sameDayRecordsEachDeleteThemselves()
{
    QFETCH(QStringList, history);
    QFETCH(int, row);
    QFETCH(QStringList, left);
    CDeletionFixture view(history);
    QVERIFY(view.ok);
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(row);
    QCOMPARE(view.probe->historyLines(), left);
    QCOMPARE(view.probe->tableRows(), left);
    view.window.reset();
    QCOMPARE(CTempHome::readFile(view.home.historyPath()), Probe::fileOf(left));
}

void tst_RowDeletion::rowsFollowEarlierDeletions()
{
    // After the first deletion every later record stands one place earlier.
    CDeletionFixture view({x1, x3, y2, x3});
    QVERIFY(view.ok);
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(0);
    QCOMPARE(view.probe->historyLines(), (QStringList{x3, y2, x3}));
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(2);
    QCOMPARE(view.probe->historyLines(), (QStringList{x3, y2}));
    QCOMPARE(view.probe->tableRows(), (QStringList{x3, y2}));
    view.window.reset();
    QCOMPARE(CTempHome::readFile(view.home.historyPath()), Probe::fileOf({x3, y2}));
}

void tst_RowDeletion::rowOfANewResultDeletesThatResult()
{
    CDeletionFixture view({x1, x3});
    QVERIFY(view.ok);
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(1);
    // The day is free again: the same result comes back as a new row.
    view.window->rankProfile(Probe::record(x3), 0);
    QCOMPARE(view.probe->historyLines(), (QStringList{x1, x3}));
    QCOMPARE(view.probe->tableRows(), (QStringList{x1, x3}));
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(1);
    QCOMPARE(view.probe->historyLines(), QStringList{x1});
    QCOMPARE(view.probe->tableRows(), QStringList{x1});
}

void tst_RowDeletion::answerNoChangesNothing()
{
    CDeletionFixture view({x1, y2});
    QVERIFY(view.ok);
    view.prompts->answerYesNo(false);
    view.pressDeleteOnRow(0);
    QCOMPARE(view.questions(), 1);
    QCOMPARE(view.probe->historyLines(), (QStringList{x1, y2}));
    QCOMPARE(view.probe->tableRows(), (QStringList{x1, y2}));
    QVERIFY(view.window->dates().contains(QStringLiteral("x.com"), QStringLiteral("05/08/2012")));
}

void tst_RowDeletion::deletionInAFilteredTable()
{
    CDeletionFixture view({x1, y2, x4, Probe::line("y.com", "07/08/2012", 6)}, {"x.com", "y.com"});
    QVERIFY(view.ok);
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Aug")));
    view.probe->domains()->setCurrentIndex(view.probe->domains()->findText(QStringLiteral("  y.com")));
    QCOMPARE(view.probe->tableRows(), (QStringList{y2, Probe::line("y.com", "07/08/2012", 6)}));

    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(1);
    QCOMPARE(view.questions(), 1);
    QCOMPARE(view.probe->historyLines(), (QStringList{x1, y2, x4}));
    QCOMPARE(view.probe->tableRows(), QStringList{y2});
}

void tst_RowDeletion::deletedDateIsAcceptedAgain()
{
    CDeletionFixture view({x1});
    QVERIFY(view.ok);
    view.window->rankProfile(Probe::record(x1), 0);
    QCOMPARE(view.window->history().size(), 1);

    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(0);
    QCOMPARE(view.window->history().size(), 0);
    view.window->rankProfile(Probe::record(x3), 0);
    QCOMPARE(view.probe->historyLines(), QStringList{x3});
}

void tst_RowDeletion::otherDateKeepsTheDomainRefused()
{
    // x.com's entry holds 06/08/2012; deleting its 05/08/2012 row leaves it.
    CDeletionFixture view({x1, x4});
    QVERIFY(view.ok);
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(0);
    QCOMPARE(view.probe->historyLines(), QStringList{x4});
    QVERIFY(view.window->dates().contains(QStringLiteral("x.com"), QStringLiteral("06/08/2012")));
    view.window->rankProfile(Probe::record(x4), 0);
    QCOMPARE(view.probe->historyLines(), QStringList{x4});
    QVERIFY(view.probe->statusLines().contains(QStringLiteral("x.com has already been assessed for this date...")));
}

void tst_RowDeletion::lastRecordOfAMonthLeavesItsBranch()
{
    CDeletionFixture view({x1, y5});
    QVERIFY(view.ok);
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Sep")));
    QCOMPARE(view.probe->tableRows(), QStringList{y5});
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(0);
    QCOMPARE(view.probe->historyLines(), QStringList{x1});
    QCOMPARE(view.probe->topLabels(), (QStringList{"2012, Aug", "2012, Sep"}));
    QCOMPARE(view.probe->monthList(), (QStringList{"2012, Aug", "2012, Sep"}));
    // Nothing reaches the disk before the window goes.
    QCOMPARE(CTempHome::readFile(view.home.historyPath()), Probe::fileOf({x1, y5}));
    view.window.reset();
    QCOMPARE(CTempHome::readFile(view.home.historyPath()), Probe::fileOf({x1}));
}

void tst_RowDeletion::deleteElsewhereAsksNothing_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("status text") << "txtStatus";
    QTest::newRow("tree") << "treeYearMonth";
}

void tst_RowDeletion::deleteElsewhereAsksNothing()
{
    QFETCH(QString, focus);
    CDeletionFixture view({x1, y2});
    QVERIFY(view.ok);
    view.probe->table()->selectRow(0);
    QWidget *widget = view.window->findChild<QWidget *>(focus);
    widget->setFocus();
    QTRY_VERIFY(widget->hasFocus());
    view.prompts->answerYesNo(true);
    QTest::keyClick(widget, Qt::Key_Delete);
    QCOMPARE(view.questions(), 0);
    QCOMPARE(view.probe->historyLines(), (QStringList{x1, y2}));
    QCOMPARE(view.probe->tableRows(), (QStringList{x1, y2}));
}

void tst_RowDeletion::emptyTableAsksNothing()
{
    CDeletionFixture view({});
    QVERIFY(view.ok);
    view.prompts->answerYesNo(true);
    view.pressDeleteOnRow(-1);
    QCOMPARE(view.questions(), 0);
}

void tst_RowDeletion::noCurrentRowRemovesNothing()
{
    CDeletionFixture view({x1, y2});
    QVERIFY(view.ok);
    QTableWidget *table = view.probe->table();
    table->setFocus();
    QTRY_VERIFY(table->hasFocus());
    table->setCurrentItem(nullptr);
    table->clearSelection();
    QCOMPARE(table->currentRow(), -1);
    view.prompts->answerYesNo(true);
    QTest::keyClick(table, Qt::Key_Delete);
    QCOMPARE(view.probe->historyLines(), (QStringList{x1, y2}));
    QCOMPARE(view.probe->tableRows(), (QStringList{x1, y2}));
    QVERIFY(view.window->dates().contains(QStringLiteral("x.com"), QStringLiteral("05/08/2012")));
}

void tst_RowDeletion::closingWhileTheDeletionIsSavedWaits()
{
    CDeletionFixture view({x1, y2});
    QVERIFY(view.ok);
    view.prompts->answerYesNo(true);
    CHeldSync hold;
    view.pressDeleteOnRow(0);
    // The history is saved on the session's thread, once control is back in the event loop.
    QTRY_COMPARE(CHeldSync::reached(), 1);
    view.window->close();
    QCoreApplication::processEvents();
    QVERIFY(view.window->isVisible());
    QVERIFY(!view.window->isEnabled());
    QCOMPARE(CTempHome::readFile(view.home.historyPath()), Probe::fileOf({x1, y2}));
    hold.release();
    QTRY_VERIFY(!view.window->isVisible());
    QCOMPARE(CTempHome::readFile(view.home.historyPath()), Probe::fileOf({y2}));
}

QTEST_MAIN(tst_RowDeletion)
#include "tst_RowDeletion.moc"
