#include "CClippedTextDelegate.h"
#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CUserGuide.h"
#include "CWindowProbe.h"
#include "MainWindow.h"
#include "ManageDomains.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolTip>

#include <memory>

// Shortcuts, the Help menu, tool tips and the table's header: what makes the
// window read and work like a desktop application's.
class tst_WindowHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void shortcutsTriggerTheirActions_data();
    void shortcutsTriggerTheirActions();
    void shortcutsAreShownInTheMenus();
    void menuTwinsFollowTheQueryButton();
    void helpMenu();
    void aboutText();
    void headerToolTipsExplainTheFigures();
    void headerLooksTheSameWhenARowIsSelected();
    void clippedCellShowsItsTextInAToolTip_data();
    void clippedCellShowsItsTextInAToolTip();
    void doubleClickOnHeaderEdgeFitsTheColumn();
    void firstStartHint_data();
    void firstStartHint();
    void firstStartHintFollowsTheDomainList();
    void tabLeavesTheTable();
};

namespace {

const QString NoDomains = QStringLiteral("No domains yet: add them with Manage Domains (Ctrl+M) or File \u2192 Import "
                                         "Urls (Ctrl+I), then press Perform Query (F5) to fetch their figures.");

struct Shown
{
    Shown(const QStringList &domains = {}, const QStringList &history = {}, const QString &service = QString())
    {
        if (!domains.isEmpty())
            home.writeFile(home.domainListPath(), CWindowProbe::fileOf(domains));
        if (!history.isEmpty())
            home.writeFile(home.historyPath(), CWindowProbe::fileOf(history));
        CSettings settings = home.settings();
        if (!service.isEmpty())
            settings.service = CServiceAddress::parse(service).value();
        window = std::make_unique<MainWindow>(nullptr, settings, prompts);
        probe = std::make_unique<CWindowProbe>(window.get());
    }

    bool show()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    CTempHome home;
    std::shared_ptr<CFakePrompts> prompts = std::make_shared<CFakePrompts>();
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<CWindowProbe> probe;
};

QImage headerImage(QTableWidget *table)
{
    return table->horizontalHeader()->grab().toImage();
}

} // namespace

void tst_WindowHelp::initTestCase()
{
    // Closing the window under test must not end the test's own event loops.
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_WindowHelp::shortcutsTriggerTheirActions_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("action");
    QTest::newRow("F5 Perform Query") << "F5" << "actionPerform_Query";
    QTest::newRow("Ctrl+I Import Urls") << "Ctrl+I" << "action_Import_Urls";
    QTest::newRow("Ctrl+E Export CSV") << "Ctrl+E" << "actionExport_CSV";
    QTest::newRow("Ctrl+M Manage Domains") << "Ctrl+M" << "actionManage_Domains";
    QTest::newRow("Ctrl+Q Exit") << "Ctrl+Q" << "action_Exit";
}

void tst_WindowHelp::shortcutsTriggerTheirActions()
{
    QFETCH(QString, keys);
    QFETCH(QString, action);
    Shown shown;
    QVERIFY(shown.show());
    QAction *target = shown.probe->action(action.toLatin1().constData());
    QVERIFY(target);
    QSignalSpy triggered(target, &QAction::triggered);
    shown.prompts->answerFileName(QString()); // the import's file dialog, cancelled

    QTest::keySequence(shown.window.get(), QKeySequence(keys));
    QCOMPARE(triggered.count(), 1);

    // And the action did its work.
    if (action == QLatin1String("actionPerform_Query"))
        QCOMPARE(shown.probe->statusLines(), QStringList{"Please provide domain names to begin"});
    else if (action == QLatin1String("action_Import_Urls"))
        QCOMPARE(shown.prompts->prompts(CFakePrompts::Kind::OpenFile).size(), 1);
    else if (action == QLatin1String("actionExport_CSV"))
        QCOMPARE(shown.prompts->messages(),
                 QStringList{"Please make visible the data rows you wish to export to a CSV file"});
    else if (action == QLatin1String("actionManage_Domains"))
        QVERIFY(shown.window->manager()->isVisible());
    else if (action == QLatin1String("action_Exit"))
        QVERIFY(!shown.window->isVisible());
}

void tst_WindowHelp::shortcutsAreShownInTheMenus()
{
    Shown shown;
    // A menu shows an action's shortcut beside its text; the text stays as it is.
    const struct
    {
        const char *action;
        const char *text;
        QKeySequence keys;
    } expected[] = {
        {"action_Import_Urls", "&Import Urls", QKeySequence(Qt::CTRL | Qt::Key_I)},
        {"actionExport_CSV", "Export &CSV", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"action_Exit", "&Exit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"actionPerform_Query", "&Perform Query", QKeySequence(Qt::Key_F5)},
        {"actionManage_Domains", "&Manage Domains", QKeySequence(Qt::CTRL | Qt::Key_M)},
    };
    const QList<QAction *> menus = shown.window->menuBar()->actions();
    for (const auto &entry : expected) {
        QAction *action = shown.probe->action(entry.action);
        QVERIFY2(action, entry.action);
        QCOMPARE(action->text(), QString::fromUtf8(entry.text));
        QCOMPARE(action->shortcut(), entry.keys);
        bool inAMenu = false;
        for (QAction *menu : menus)
            inAMenu = inAMenu || (menu->menu() && menu->menu()->actions().contains(action));
        QVERIFY2(inAMenu, entry.action);
    }
}

void tst_WindowHelp::menuTwinsFollowTheQueryButton()
{
    // While a run goes on, F5 is as unavailable as the button.
    // Port 9 is refused at once: the run ends by itself.
    Shown shown({QStringLiteral("a.test")}, {}, QStringLiteral("127.0.0.1:9"));
    QVERIFY(shown.show());
    QAction *query = shown.probe->action("actionPerform_Query");
    QVERIFY(query->isEnabled());
    query->trigger();
    QVERIFY(!shown.probe->queryButton()->isEnabled());
    QVERIFY(!query->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return shown.probe->queryButton()->isEnabled(); }, 30000));
    QVERIFY(query->isEnabled());
}

void tst_WindowHelp::helpMenu()
{
    Shown shown;
    auto *help = shown.window->findChild<QMenu *>(QStringLiteral("menuHelp"));
    QVERIFY(help);
    QCOMPARE(shown.window->menuBar()->actions().last(), help->menuAction());
    QCOMPARE(help->title(), QStringLiteral("&Help"));
    QCOMPARE(help->actions(),
             (QList<QAction *>{shown.probe->action("actionAbout_Sorvane"), shown.probe->action("actionAbout_Qt")}));
    QCOMPARE(shown.probe->action("actionAbout_Sorvane")->text(), QStringLiteral("&About Sorvane"));
    QCOMPARE(shown.probe->action("actionAbout_Qt")->text(), QStringLiteral("About &Qt"));
}

void tst_WindowHelp::aboutText()
{
    const QString text = CUserGuide::aboutText();
    QVERIFY(!CUserGuide::version().isEmpty());
    QVERIFY(text.contains(CUserGuide::version()));
    QVERIFY(text.contains(QStringLiteral("MIT licence")));
    QVERIFY(text.contains(QStringLiteral("sorvane-rankd")));
    QVERIFY(text.contains(QStringLiteral("licence and terms of the one who published it")));
    QVERIFY(text.contains(QStringLiteral("Qt toolkit under the GNU LGPL")));
    QVERIFY(Qt::mightBeRichText(text));
    QCOMPARE(CUserGuide::aboutTitle(), QStringLiteral("About Sorvane"));
}

void tst_WindowHelp::headerToolTipsExplainTheFigures()
{
    Shown shown;
    QTableWidget *table = shown.probe->table();
    QSet<QString> tips;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QString tip = table->model()->headerData(column, Qt::Horizontal, Qt::ToolTipRole).toString();
        QCOMPARE(tip, CUserGuide::columnToolTip(column));
        QVERIFY2(!tip.isEmpty(), qPrintable(QString::number(column)));
        tips.insert(tip);
    }
    QCOMPARE(tips.size(), table->columnCount()); // each column says something of its own
    QVERIFY(CUserGuide::columnToolTip(3).contains(QStringLiteral("reach")));
    QVERIFY(CUserGuide::columnToolTip(-1).isEmpty());
    QVERIFY(CUserGuide::columnToolTip(8).isEmpty());
    for (QPushButton *button : {shown.probe->queryButton(), shown.probe->manageButton()})
        QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
}

void tst_WindowHelp::headerLooksTheSameWhenARowIsSelected()
{
    Shown shown({QStringLiteral("a.com")}, {CWindowProbe::line("a.com", "05/08/2012")});
    QVERIFY(shown.show());
    QTableWidget *table = shown.probe->table();
    QCOMPARE(table->rowCount(), 1);
    const QFont font = table->horizontalHeader()->font();
    const QImage before = headerImage(table);
    table->setFocus();
    table->selectRow(0);
    QVERIFY(table->selectionModel()->isRowSelected(0, QModelIndex()));
    // A bold "Global Rank" no longer fits its column; the header must not change at all.
    QCOMPARE(table->horizontalHeader()->font(), font);
    QCOMPARE(headerImage(table), before);
}

void tst_WindowHelp::clippedCellShowsItsTextInAToolTip_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("clipped");
    QTest::newRow("short name fits") << "a.com" << false;
    QTest::newRow("long name clipped") << "a-very-long-domain-name-that-cannot-fit.example.com" << true;
    QTest::newRow("markup in a long name") << "<b>bold</b>-and-a-long-name-that-cannot-fit.example" << true;
}

void tst_WindowHelp::clippedCellShowsItsTextInAToolTip()
{
    QFETCH(QString, domain);
    QFETCH(bool, clipped);
    Shown shown({domain}, {CWindowProbe::line(domain, "05/08/2012")});
    QVERIFY(shown.show());
    QTableWidget *table = shown.probe->table();
    QCOMPARE(table->rowCount(), 1);
    auto *delegate = qobject_cast<CClippedTextDelegate *>(table->itemDelegate());
    QVERIFY(delegate);
    table->horizontalHeader()->resizeSection(0, 100); // narrowed by the user after the first show's fit

    const QModelIndex cell = table->model()->index(0, 0);
    QStyleOptionViewItem option;
    option.initFrom(table->viewport());
    option.rect = table->visualRect(cell);
    option.widget = table;
    QCOMPARE(delegate->clippedText(option, cell), clipped ? domain : QString());

    // Hovering the cell shows the whole text, escaped, or no tool tip at all.
    const QPoint inside = option.rect.center();
    QHelpEvent hover(QEvent::ToolTip, inside, table->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(table->viewport(), &hover);
    QCOMPARE(QToolTip::isVisible(), clipped);
    if (clipped) {
        QVERIFY2(QToolTip::text().contains(domain.toHtmlEscaped()), qPrintable(QToolTip::text()));
        QToolTip::hideText();
    }

    // Widening the column until the name fits takes the tool tip away.
    table->resizeColumnToContents(0);
    option.rect = table->visualRect(cell);
    QCOMPARE(delegate->clippedText(option, cell), QString());
}

void tst_WindowHelp::doubleClickOnHeaderEdgeFitsTheColumn()
{
    const QString domain = QStringLiteral("a-very-long-domain-name-that-cannot-fit.example.com");
    Shown shown({domain}, {CWindowProbe::line(domain, "05/08/2012")});
    QVERIFY(shown.show());
    QTableWidget *table = shown.probe->table();
    QHeaderView *header = table->horizontalHeader();
    // The first show fits the columns to their contents, up to forty characters.
    QVERIFY(header->sectionSize(0) >= 100);
    QVERIFY(header->sectionSize(0) <= table->fontMetrics().averageCharWidth() * 40);
    table->resizeColumnToContents(0);
    const int fitted = header->sectionSize(0);
    QVERIFY(fitted > table->fontMetrics().horizontalAdvance(domain));
    header->resizeSection(0, 100);

    // The edge between the first two sections.
    const QPoint edge(header->sectionViewportPosition(1) - 1, header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, edge);
    QCOMPARE(header->sectionSize(0), fitted);
}

void tst_WindowHelp::firstStartHint_data()
{
    QTest::addColumn<QStringList>("domains");
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("hint");
    QStringList many;
    for (int i = 1; i <= 25; ++i)
        many.append(QStringLiteral("d%1.test").arg(i));
    QTest::newRow("25 domains, no history")
        << many << QStringList() << "No history yet: press Perform Query to fetch today's figures for 25 domains.";
    QTest::newRow("one domain, no history")
        << QStringList{"a.test"} << QStringList()
        << "No history yet: press Perform Query to fetch today's figures for 1 domain.";
    QTest::newRow("no domains") << QStringList() << QStringList() << NoDomains;
    QTest::newRow("domains and a history")
        << QStringList{"a.com"} << QStringList{CWindowProbe::line("a.com", "05/08/2012")} << QString();
}

void tst_WindowHelp::firstStartHint()
{
    QFETCH(QStringList, domains);
    QFETCH(QStringList, history);
    QFETCH(QString, hint);
    Shown shown(domains, history);
    QCOMPARE(shown.probe->status()->placeholderText(), hint);
    if (history.isEmpty())
        QCOMPARE(shown.probe->statusLines(), QStringList()); // a hint, not a status line
    // Without domains, pressing the button still says what it always said.
    if (domains.isEmpty()) {
        shown.probe->queryButton()->click();
        QCOMPARE(shown.probe->statusLines(), QStringList{"Please provide domain names to begin"});
    }
}

void tst_WindowHelp::firstStartHintFollowsTheDomainList()
{
    Shown shown;
    QCOMPARE(shown.probe->status()->placeholderText(), NoDomains);
    shown.window->removeAllDomains();
    shown.window->addNewDomain(QStringLiteral("  a.test"));
    shown.window->addNewDomain(QStringLiteral("  b.test"));
    QCOMPARE(shown.probe->status()->placeholderText(),
             QStringLiteral("No history yet: press Perform Query to fetch today's figures for 2 domains."));
    shown.window->removeAllDomains();
    QCOMPARE(shown.probe->status()->placeholderText(), NoDomains);
}

void tst_WindowHelp::tabLeavesTheTable()
{
    // Tab goes round the window's controls and out of the table, whose
    // cells are walked with the arrow keys.
    Shown shown({"a.com", "b.com"}, {CWindowProbe::line("a.com", "05/08/2012"), CWindowProbe::line("b.com", "05/08/2012")});
    QVERIFY(shown.show());
    QTableWidget *table = shown.probe->table();
    table->setFocus();
    QTRY_VERIFY(table->hasFocus());
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    // The domain box is disabled until a period is picked in the tree.
    QCOMPARE(visited, (QStringList{"txtStatus", "btnManageDomains", "btnManualQuery", "treeYearMonth", "tblRankData",
                                   "txtStatus"}));
}

QTEST_MAIN(tst_WindowHelp)
#include "tst_WindowHelp.moc"
