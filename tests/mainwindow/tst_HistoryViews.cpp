#include "CAlexaRankData.h"
#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CWindowFixture.h"
#include "MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using Probe = CWindowProbe;

namespace {

// A window over a prepared history, with its own home.
class CViewFixture : public CWindowFixture
{
public:
    CViewFixture(const QStringList &history, const QStringList &domains = {}, bool shown = true)
    {
        writeHistory(history);
        writeDomains(domains);
        openWindow();
        if (shown)
            ok = showExposed();
    }

    // Chooses a combo box entry as the user would once it is enabled.
    void chooseDomain(const QString &entry) const
    {
        probe->domains()->setCurrentIndex(probe->domains()->findText(entry));
    }

    bool ok = true;
};

// The history of the view tests: two domains over three months, a third in
// August, and a capitalised domain that no entry names exactly.
const QStringList history{
    Probe::line("a.com", "05/08/2012", 1),       Probe::line("b.com", "05/08/2012", 2),
    Probe::line("a.com", "21/08/2012", 3),       Probe::line("a.com", "01/09/2012", 4),
    Probe::line("b.com", "10/12/2012", 5),       Probe::line("c.com", "21/08/2012", 6),
    Probe::line("Example.com", "05/08/2012", 7),
};
const QStringList domains{"a.com", "b.com", "c.com", "example.com"};

QStringList pick(std::initializer_list<int> rows)
{
    QStringList lines;
    for (int row : rows)
        lines.append(history.at(row));
    return lines;
}

QStringList echoes(const QStringList &lines)
{
    QStringList result;
    for (const QString &line : lines)
        result.append(Probe::echo(line));
    return result;
}

QStringList allDayLabels(int days)
{
    QStringList labels;
    for (int day = 1; day <= days; ++day) {
        const int tens = day % 100;
        QString suffix = QStringLiteral("th");
        if (tens < 11 || tens > 13) {
            if (day % 10 == 1)
                suffix = QStringLiteral("st");
            else if (day % 10 == 2)
                suffix = QStringLiteral("nd");
            else if (day % 10 == 3)
                suffix = QStringLiteral("rd");
        }
        labels.append(QString::number(day) + suffix);
    }
    return labels;
}

} // namespace

class tst_HistoryViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void monthBranches_data();
    void monthBranches();
    void dayLabelsOfAMonth();
    void monthsInOrderOfFirstOccurrence();
    void monthsOutsideTheCalendarDoNotStopTheProgram();
    void monthClick();
    void dayClick_data();
    void dayClick();
    void domainFilter();
    void keyboardMovesWaitForTheNextDomainChoice();
    void allDomainsBeforeAnyClickShowsEverything();
    void noCurrentTreeItemShowsNothing();
    void emptyHistoryShowsNothing();
    void markupInTheHistoryStaysLiteral();
};

void tst_HistoryViews::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_HistoryViews::monthBranches_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("days");
    QTest::newRow("February 2000") << "29/02/2000" << "2000, Feb" << 29;
    QTest::newRow("February 1900") << "28/02/1900" << "1900, Feb" << 28;
    QTest::newRow("February 2012") << "01/02/2012" << "2012, Feb" << 29;
    QTest::newRow("February 2013") << "01/02/2013" << "2013, Feb" << 28;
    QTest::newRow("April") << "30/04/2012" << "2012, Apr" << 30;
    QTest::newRow("August") << "05/08/2012" << "2012, Aug" << 31;
    QTest::newRow("December") << "10/12/2012" << "2012, Dec" << 31;
}

void tst_HistoryViews::monthBranches()
{
    QFETCH(QString, date);
    QFETCH(QString, label);
    QFETCH(int, days);
    const QString line = Probe::line(QStringLiteral("a.com"), date);

    // Built from the stored history...
    CViewFixture stored({Probe::line(QStringLiteral("z.com"), QStringLiteral("01/01/1999")), line}, {}, false);
    QCOMPARE(stored.probe->topLabels(), (QStringList{"1999, Jan", label}));
    QCOMPARE(stored.probe->monthList(), (QStringList{"1999, Jan", label}));
    QCOMPARE(stored.probe->dayLabels(label), allDayLabels(days));

    // ...and by the intake of a result, as the last branch.
    CViewFixture taken({Probe::line(QStringLiteral("z.com"), QStringLiteral("01/01/1999"))}, {}, false);
    taken.window->rankProfile(Probe::record(line), 0);
    QCOMPARE(taken.probe->topLabels(), (QStringList{"1999, Jan", label}));
    QCOMPARE(taken.probe->monthList(), (QStringList{"1999, Jan", label}));
    QCOMPARE(taken.probe->dayLabels(label), allDayLabels(days));
    QCOMPARE(taken.probe->monthItem(label)->child(days - 1)->childCount(), 0);

    // A second result of the month adds no branch.
    taken.window->rankProfile(Probe::record(Probe::line(QStringLiteral("b.com"), date)), 0);
    QCOMPARE(taken.probe->topLabels(), (QStringList{"1999, Jan", label}));
    QCOMPARE(taken.probe->monthList().size(), 2);
    QCOMPARE(taken.window->history().size(), 3);
}

void tst_HistoryViews::dayLabelsOfAMonth()
{
    CViewFixture view({Probe::line(QStringLiteral("a.com"), QStringLiteral("05/08/2012"))}, {}, false);
    const QStringList labels = view.probe->dayLabels(QStringLiteral("2012, Aug"));
    QCOMPARE(labels.mid(0, 4), (QStringList{"1st", "2nd", "3rd", "4th"}));
    QCOMPARE(labels.mid(10, 3), (QStringList{"11th", "12th", "13th"}));
    QCOMPARE(labels.mid(20, 4), (QStringList{"21st", "22nd", "23rd", "24th"}));
    QCOMPARE(labels.last(), QStringLiteral("31st"));
}

void tst_HistoryViews::monthsInOrderOfFirstOccurrence()
{
    CViewFixture view({Probe::line("a.com", "01/09/2012"), Probe::line("a.com", "05/08/2012"),
                       Probe::line("b.com", "02/09/2012"), Probe::line("a.com", "01/01/2011"),
                       Probe::line("c.com", "05/08/2012"), Probe::line("c.com", "05/08/2011")},
                      {}, false);
    const QStringList order{"2012, Sep", "2012, Aug", "2011, Jan", "2011, Aug"};
    QCOMPARE(view.probe->topLabels(), order);
    QCOMPARE(view.probe->monthList(), order);
    // Row 0 of the month list is the month shown at start.
    QCOMPARE(view.probe->tableRows(), (QStringList{Probe::line("a.com", "01/09/2012"), Probe::line("b.com", "02/09/2012")}));

    view.window->rankProfile(Probe::record(Probe::line("d.com", "05/07/2010")), 0);
    view.window->rankProfile(Probe::record(Probe::line("d.com", "06/08/2012")), 0);
    QCOMPARE(view.probe->topLabels(), order + QStringList{"2010, Jul"});
    QCOMPARE(view.probe->monthList(), order + QStringList{"2010, Jul"});
}

void tst_HistoryViews::monthsOutsideTheCalendarDoNotStopTheProgram()
{
    const QStringList odd{"m13.com,1,2,3,4,5,6,05/13/2012", "m00.com,1,2,3,4,5,6,05/00/2012",
                          "short.com,1,2,3,4,5,6,5/8/12", "nodate.com,1,2", Probe::line("a.com", "05/08/2012")};
    CViewFixture view(odd, {"a.com"});
    QVERIFY(view.ok);
    QCOMPARE(view.window->history().size(), 5);
    QVERIFY(view.probe->topLabels().contains(QStringLiteral("2012, Aug")));

    view.window->rankProfile(Probe::record(QStringLiteral("late.com,1,2,3,4,5,6,07/99/2012")), 0);
    QCOMPARE(view.window->history().size(), 6);

    // Every branch and day can be clicked; months without a name show nothing.
    QTreeWidget *tree = view.probe->tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *month = tree->topLevelItem(i);
        view.probe->click(month);
        if (month->text(0) == QStringLiteral("2012, "))
            QCOMPARE(view.probe->tableRows(), QStringList());
        for (int day = 0; day < month->childCount(); ++day)
            Q_EMIT tree->itemClicked(month->child(day), 0);
    }
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Aug")));
    QCOMPARE(view.probe->tableRows(), QStringList{Probe::line("a.com", "05/08/2012")});
    view.chooseDomain(QStringLiteral("  a.com"));
    QCOMPARE(view.probe->tableRows(), QStringList{Probe::line("a.com", "05/08/2012")});
}

void tst_HistoryViews::monthClick()
{
    CViewFixture view(history, domains);
    QVERIFY(view.ok);
    QVERIFY(!view.probe->domains()->isEnabled());
    const QStringList august = pick({0, 1, 2, 5, 6});

    for (int repeat = 0; repeat < 2; ++repeat) {
        const QStringList before = view.probe->statusLines();
        view.probe->click(view.probe->monthItem(QStringLiteral("2012, Aug")));
        QCOMPARE(view.probe->tableRows(), august);
        QCOMPARE(view.probe->statusLines(), before + echoes(august));
    }
    QVERIFY(view.probe->domains()->isEnabled());

    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Sep")));
    QCOMPARE(view.probe->tableRows(), pick({3}));
    // The December label matches month 12 through the fallback.
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Dec")));
    QCOMPARE(view.probe->tableRows(), pick({4}));
}

void tst_HistoryViews::dayClick_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("5th") << "2012, Aug" << "5th" << pick({0, 1, 6});
    QTest::newRow("21st") << "2012, Aug" << "21st" << pick({2, 5});
    QTest::newRow("2nd is not 21st") << "2012, Aug" << "2nd" << QStringList();
    QTest::newRow("1st") << "2012, Sep" << "1st" << pick({3});
    QTest::newRow("10th of December") << "2012, Dec" << "10th" << pick({4});
    QTest::newRow("31st of December") << "2012, Dec" << "31st" << QStringList();
}

void tst_HistoryViews::dayClick()
{
    QFETCH(QString, month);
    QFETCH(QString, day);
    QFETCH(QStringList, rows);
    CViewFixture view(history, domains);
    QVERIFY(view.ok);
    const QStringList before = view.probe->statusLines();
    view.probe->click(view.probe->dayItem(month, day));
    QCOMPARE(view.probe->tree()->currentItem()->text(0), day);
    QCOMPARE(view.probe->tableRows(), rows);
    QCOMPARE(view.probe->statusLines(), before + echoes(rows));
    QVERIFY(view.probe->domains()->isEnabled());
}

void tst_HistoryViews::domainFilter()
{
    CViewFixture view(history, domains);
    QVERIFY(view.ok);
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Aug")));

    view.chooseDomain(QStringLiteral("  a.com"));
    QCOMPARE(view.probe->tableRows(), pick({0, 2}));
    // Exact match: the entry of example.com does not show Example.com.
    view.chooseDomain(QStringLiteral("  example.com"));
    QCOMPARE(view.probe->tableRows(), QStringList());
    view.chooseDomain(QStringLiteral("  All Domains"));
    QCOMPARE(view.probe->tableRows(), pick({0, 1, 2, 5, 6}));

    // The chosen day stays when a domain is chosen.
    view.probe->click(view.probe->dayItem(QStringLiteral("2012, Aug"), QStringLiteral("5th")));
    view.chooseDomain(QStringLiteral("  b.com"));
    QCOMPARE(view.probe->tableRows(), pick({1}));
    // A click keeps the chosen domain.
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Dec")));
    QCOMPARE(view.probe->tableRows(), pick({4}));
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Sep")));
    QCOMPARE(view.probe->tableRows(), QStringList());

    // Results taken in pass the domain filter only.
    const QStringList before = view.probe->statusLines();
    view.window->rankProfile(Probe::record(Probe::line("a.com", "06/08/2012", 8)), 0);
    QCOMPARE(view.probe->tableRows(), QStringList());
    view.window->rankProfile(Probe::record(Probe::line("b.com", "06/08/2012", 9)), 0);
    QCOMPARE(view.probe->tableRows(), QStringList{Probe::line("b.com", "06/08/2012", 9)});
    QCOMPARE(view.probe->statusLines().mid(before.size()).filter(QStringLiteral(" -> {")),
             QStringList{Probe::echo(Probe::line("b.com", "06/08/2012", 9))});
}

void tst_HistoryViews::keyboardMovesWaitForTheNextDomainChoice()
{
    CViewFixture view(history, domains);
    QVERIFY(view.ok);
    QTreeWidget *tree = view.probe->tree();
    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Aug")));
    const QStringList rows = view.probe->tableRows();
    const QStringList status = view.probe->statusLines();

    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentItem()->text(0), QStringLiteral("2012, Sep"));
    QCOMPARE(view.probe->tableRows(), rows);
    QCOMPARE(view.probe->statusLines(), status);

    view.chooseDomain(QStringLiteral("  a.com"));
    QCOMPARE(view.probe->tableRows(), pick({3}));
    QTest::keyClick(tree, Qt::Key_Up);
    view.chooseDomain(QStringLiteral("  All Domains"));
    QCOMPARE(view.probe->tableRows(), pick({0, 1, 2, 5, 6}));
}

void tst_HistoryViews::allDomainsBeforeAnyClickShowsEverything()
{
    CViewFixture view(history, domains, false);
    QCOMPARE(view.probe->tableRows(), pick({0, 1, 2, 5, 6}));
    view.chooseDomain(QStringLiteral("  a.com"));
    view.chooseDomain(QStringLiteral("  All Domains"));
    QCOMPARE(view.probe->tableRows(), history);
}

void tst_HistoryViews::noCurrentTreeItemShowsNothing()
{
    CViewFixture view(history, domains, false);
    QTreeWidget *tree = view.probe->tree();
    QVERIFY(!tree->currentItem());
    // A click signal without a current item: a period is chosen, but the
    // tree has none to offer when the domain list is rebuilt.
    Q_EMIT tree->itemClicked(view.probe->monthItem(QStringLiteral("2012, Aug")), 0);
    QCOMPARE(view.probe->tableRows(), pick({0, 1, 2, 5, 6}));
    QVERIFY(!tree->currentItem());
    view.window->removeAllDomains();
    view.window->addNewDomain(QStringLiteral("  a.com"));
    QCOMPARE(view.probe->tableRows(), QStringList());
    view.chooseDomain(QStringLiteral("  a.com"));
    QCOMPARE(view.probe->tableRows(), QStringList());
    QCOMPARE(view.window->history().size(), history.size());
}

void tst_HistoryViews::emptyHistoryShowsNothing()
{
    CViewFixture view({}, domains);
    QVERIFY(view.ok);
    view.chooseDomain(QStringLiteral("  a.com"));
    view.chooseDomain(QStringLiteral("  All Domains"));
    QCOMPARE(view.probe->tableRows(), QStringList());
    QCOMPARE(view.probe->statusLines(), QStringList());
    QCOMPARE(view.probe->tree()->topLevelItemCount(), 0);
    QCOMPARE(view.probe->months()->count(), 0);
}

void tst_HistoryViews::markupInTheHistoryStaysLiteral()
{
    const QString line = QStringLiteral("<b>x</b>,<i>1</i>,2,<br>,4,<a href=\"y\">5</a>,&amp;,05/08/2012");
    CViewFixture view({line}, {"<b>x</b>"}, false);
    QCOMPARE(view.probe->tableRows(), QStringList{line});
    QCOMPARE(view.probe->table()->item(0, 0)->text(), QStringLiteral("<b>x</b>"));
    QCOMPARE(view.probe->statusLines(), (QStringList{Probe::echo(line), Probe::echo(line)}));
    QCOMPARE(view.probe->domainEntries().last(), QStringLiteral("  <b>x</b>"));
}

QTEST_MAIN(tst_HistoryViews)
#include "tst_HistoryViews.moc"
