#include "CDomainDateList.h"
#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CWindowFixture.h"
#include "ChartWindow.h"
#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QTest>

using Probe = CWindowProbe;
using Kind = CFakePrompts::Kind;

namespace {

class CTransferFixture : public CWindowFixture
{
public:
    CTransferFixture()
    {
        writeDomains({QStringLiteral("a.com")});
        writeHistory({QStringLiteral("a.com,1,2,3,4,5,6,01/12/2026"), QStringLiteral("b.com,7,8,9,NA,NA,NA,02/12/2026")});
        openWindow();
    }

    QString path(const QString &name) const { return home.path() + u'/' + name; }
    void trigger(const char *action, const QString &fileName)
    {
        prompts->answerFileName(fileName);
        probe->action(action)->trigger();
    }
};

} // namespace

// File > Export History... and Import History... in the window; the rules
// of both formats and of the merge are tested beside their classes.
class tst_HistoryTransferWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void importIsShownAtOnceAndSaved();
    void badFileChangesNothing();
    void exportWholeOrChartScope();
};

void tst_HistoryTransferWindow::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_HistoryTransferWindow::importIsShownAtOnceAndSaved()
{
    CTransferFixture view;
    view.home.writeFile(view.path(QStringLiteral("old.csv")),
                        "domain,global_rank,us_rank,yesterday,seven_day,one_month,three_month,date\n"
                        "c.com,1,1,1,1,1,1,2026-10-15\na.com,9,9,9,9,9,9,2026-12-01\n");
    view.trigger("actionImport_History", view.path(QStringLiteral("old.csv")));

    QCOMPARE(view.prompts->messages(), QStringList{"1 added, 1 skipped (domain and date already held)"});
    // The older month comes first in the tree and the list, as at start.
    QCOMPARE(view.probe->topLabels(), (QStringList{"2026, Oct", "2026, Dec"}));
    QCOMPARE(view.probe->monthList(), (QStringList{"2026, Oct", "2026, Dec"}));
    QCOMPARE(view.probe->tableRows(), QStringList{"c.com,1,1,1,1,1,1,15/10/2026"});
    QVERIFY(view.window->dates().contains(QStringLiteral("c.com"), QStringLiteral("15/10/2026")));
    QVERIFY(view.window->savePending());
    QCOMPARE(CTempHome::readFile(view.home.historyPath()),
             QByteArray("c.com,1,1,1,1,1,1,15/10/2026\na.com,1,2,3,4,5,6,01/12/2026\nb.com,7,8,9,NA,NA,NA,02/12/2026\n"));
}

void tst_HistoryTransferWindow::badFileChangesNothing()
{
    CTransferFixture view;
    view.home.writeFile(view.path(QStringLiteral("bad.csv")), "c.com,1,1,1,1,1,1,2026-10-15\n");
    const QStringList before = view.probe->historyLines();
    view.trigger("actionImport_History", view.path(QStringLiteral("bad.csv")));

    QCOMPARE(view.prompts->messages().size(), 1);
    QVERIFY2(view.prompts->messages().first().contains(QStringLiteral("line 1: \"2026-10-15\" is not a date (DD/MM/YYYY)")),
             qPrintable(view.prompts->messages().first()));
    QCOMPARE(view.probe->historyLines(), before);
    QCOMPARE(view.probe->topLabels(), QStringList{"2026, Dec"});
}

void tst_HistoryTransferWindow::exportWholeOrChartScope()
{
    CTransferFixture view;
    // Without a chart, the whole history; the name chooses the format.
    view.trigger("actionExport_History", view.path(QStringLiteral("all.JSON")));
    QCOMPARE(view.prompts->prompts(Kind::Question).size(), 0);
    QCOMPARE(view.prompts->messages().last(), "2 record(s) exported to " + view.path(QStringLiteral("all.JSON")));
    QVERIFY(CTempHome::readFile(view.path(QStringLiteral("all.JSON"))).startsWith("[\n{\"domain\":\"a.com\""));

    // With a chart, its checked domains when the user says so.
    view.probe->action("actionChart")->trigger();
    QCOMPARE(view.window->chart()->checkedDomains(), QStringList{"a.com"});
    view.prompts->answerYesNo(true);
    view.trigger("actionExport_History", view.path(QStringLiteral("chart.csv")));
    QCOMPARE(CTempHome::readFile(view.path(QStringLiteral("chart.csv"))),
             QByteArray("domain,global_rank,us_rank,yesterday,seven_day,one_month,three_month,date\n"
                        "a.com,1,2,3,4,5,6,2026-12-01\n"));
    view.prompts->answerYesNo(false);
    view.trigger("actionExport_History", view.path(QStringLiteral("whole.csv")));
    QCOMPARE(view.prompts->messages().last(), "2 record(s) exported to " + view.path(QStringLiteral("whole.csv")));
    QCOMPARE(view.prompts->unanswered(), 0);
}

QTEST_MAIN(tst_HistoryTransferWindow)
#include "tst_HistoryTransferWindow.moc"
