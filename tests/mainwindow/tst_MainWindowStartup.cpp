#include "CAlexaSocket.h"
#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CWindowProbe.h"
#include "MainWindow.h"
#include "ManageDomains.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

class tst_MainWindowStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void formAsBuilt();
    void widgetGeometry_data();
    void widgetGeometry();
    void menusInOrder();
    void tableHeader_data();
    void tableHeader();
    void initialStateWithoutFiles();
    void socketPoolStartedAndIdle();
    void startWithHistoryShowsFirstMonth();
    void resizeMovesTableAndStatusOnly_data();
    void resizeMovesTableAndStatusOnly();
    void exitWritesBothFiles();
    void firstStartCreatesBothFiles();
    void unusableDataDirectoryIsReportedTwice();
    void secondInstanceLeavesTheFilesAlone();
    void lockOfAnEndedInstanceIsTakenOver();
};

namespace {

std::unique_ptr<MainWindow> makeWindow(const CTempHome &home, const std::shared_ptr<CFakePrompts> &prompts)
{
    return std::make_unique<MainWindow>(nullptr, home.settings(), prompts);
}

} // namespace

void tst_MainWindowStartup::initTestCase()
{
    // Closing the window under test must not end the test's own event loops.
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_MainWindowStartup::formAsBuilt()
{
    CTempHome home;
    auto prompts = std::make_shared<CFakePrompts>();
    auto window = makeWindow(home, prompts);
    CWindowProbe probe(window.get());

    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Sorvane"));
    QCOMPARE(window->size(), QSize(1012, 552));
    QVERIFY(!window->windowIcon().isNull());

    for (const char *name : {"centralWidget", "lstMonthYear", "cbDomain", "tblRankData", "txtStatus",
                             "btnManualQuery", "btnManageDomains", "treeYearMonth"}) {
        QWidget *widget = window->findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(widget, name);
        const QString parentName = widget->parentWidget()->objectName();
        QCOMPARE(parentName, QLatin1String(std::string_view(name) == "centralWidget" ? "MainWindow" : "centralWidget"));
    }
    QCOMPARE(window->centralWidget()->objectName(), QStringLiteral("centralWidget"));
    QCOMPARE(window->menuBar()->objectName(), QStringLiteral("menuBar"));

    // Raise order: the last one lies on top.
    QStringList stacking;
    for (QObject *child : window->centralWidget()->children()) {
        if (child->isWidgetType())
            stacking.append(child->objectName());
    }
    QCOMPARE(stacking, (QStringList{"cbDomain", "tblRankData", "txtStatus", "btnManualQuery", "btnManageDomains",
                                    "lstMonthYear", "treeYearMonth", "barFill", "btnCancelFill"}));
    // The backfill's progress shows only while it runs.
    QVERIFY(window->findChild<QWidget *>(QStringLiteral("barFill"))->isHidden());
    QVERIFY(window->findChild<QWidget *>(QStringLiteral("btnCancelFill"))->isHidden());

    QCOMPARE(probe.queryButton()->text(), QStringLiteral("Perform Query"));
    QCOMPARE(probe.manageButton()->text(), QStringLiteral("Manage Domains"));
    for (QWidget *widget : {static_cast<QWidget *>(probe.domains()), static_cast<QWidget *>(probe.queryButton()),
                            static_cast<QWidget *>(probe.manageButton())}) {
        QCOMPARE(widget->cursor().shape(), Qt::PointingHandCursor);
    }

    QTableWidget *table = probe.table();
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->verticalScrollMode(), QAbstractItemView::ScrollPerPixel);
    QCOMPARE(table->horizontalScrollMode(), QAbstractItemView::ScrollPerPixel);
    QVERIFY(!table->showGrid());
    QCOMPARE(table->gridStyle(), Qt::NoPen);
    QCOMPARE(table->columnCount(), 8);
    QVERIFY(table->verticalHeader()->isHidden());

    QTreeWidget *tree = probe.tree();
    QCOMPARE(tree->columnCount(), 1);
    QVERIFY(tree->header()->isHidden());
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("1"));
    QCOMPARE(tree->verticalScrollMode(), QAbstractItemView::ScrollPerPixel);

    QVERIFY(!window->manager()->isVisible());
    QCOMPARE(prompts->prompts().size(), 0);
}

void tst_MainWindowStartup::widgetGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QRect>("shown"); // after the first resize event, at 1012 x 552
    QTest::newRow("lstMonthYear") << "lstMonthYear" << QRect(150, 110, 131, 321) << QRect(150, 110, 131, 351);
    QTest::newRow("cbDomain") << "cbDomain" << QRect(10, 10, 131, 30) << QRect(10, 10, 131, 30);
    QTest::newRow("tblRankData") << "tblRankData" << QRect(150, 10, 851, 421) << QRect(150, 10, 851, 421);
    QTest::newRow("txtStatus") << "txtStatus" << QRect(10, 440, 991, 81) << QRect(10, 440, 991, 81);
    QTest::newRow("btnManualQuery") << "btnManualQuery" << QRect(10, 70, 131, 31) << QRect(10, 70, 131, 31);
    QTest::newRow("btnManageDomains") << "btnManageDomains" << QRect(10, 40, 131, 31) << QRect(10, 40, 131, 31);
    QTest::newRow("treeYearMonth") << "treeYearMonth" << QRect(10, 110, 131, 321) << QRect(10, 110, 131, 321);
}

void tst_MainWindowStartup::widgetGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QRect, shown);
    CTempHome home;
    auto window = makeWindow(home, std::make_shared<CFakePrompts>());
    QCOMPARE(window->findChild<QWidget *>(name)->geometry(), geometry);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->size(), QSize(1012, 552));
    QCOMPARE(window->findChild<QWidget *>(name)->geometry(), shown);
}

void tst_MainWindowStartup::menusInOrder()
{
    CTempHome home;
    auto window = makeWindow(home, std::make_shared<CFakePrompts>());
    CWindowProbe probe(window.get());
    auto *file = window->findChild<QMenu *>(QStringLiteral("menu_File"));
    auto *alexa = window->findChild<QMenu *>(QStringLiteral("menuAlexa_Data"));
    auto *view = window->findChild<QMenu *>(QStringLiteral("menuView"));
    auto *help = window->findChild<QMenu *>(QStringLiteral("menuHelp"));
    QVERIFY(file && alexa && view && help);
    QCOMPARE(window->menuBar()->actions(),
             (QList<QAction *>{file->menuAction(), alexa->menuAction(), view->menuAction(), help->menuAction()}));
    QCOMPARE(view->title(), QStringLiteral("&View"));
    QCOMPARE(view->actions(), (QList<QAction *>{probe.action("actionChart"), probe.action("actionOverview")}));
    QCOMPARE(probe.action("actionOverview")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(probe.action("actionChart")->text(), QStringLiteral("&Chart"));
    QCOMPARE(file->title(), QStringLiteral("&File"));
    QCOMPARE(alexa->title(), QStringLiteral("&Alexa Data"));

    const QList<QAction *> fileEntries = file->actions();
    QCOMPARE(fileEntries.size(), 7);
    QCOMPARE(fileEntries.at(0), probe.action("action_Import_Urls"));
    QCOMPARE(fileEntries.at(1), probe.action("actionExport_CSV"));
    QVERIFY(fileEntries.at(2)->isSeparator());
    QCOMPARE(fileEntries.at(3), probe.action("actionExport_History"));
    QCOMPARE(fileEntries.at(4), probe.action("actionImport_History"));
    QVERIFY(fileEntries.at(5)->isSeparator());
    QCOMPARE(fileEntries.at(6), probe.action("action_Exit"));
    const QList<QAction *> alexaEntries = alexa->actions();
    QCOMPARE(alexaEntries.size(), 6);
    QCOMPARE(alexaEntries.at(0), probe.action("actionPerform_Query"));
    QCOMPARE(alexaEntries.at(1), probe.action("actionFill_Past_Days"));
    QCOMPARE(alexaEntries.at(2), probe.action("actionManage_Domains"));
    QCOMPARE(alexaEntries.at(3), probe.action("actionAlerts"));
    QVERIFY(alexaEntries.at(4)->isSeparator());
    QCOMPARE(alexaEntries.at(5), probe.action("actionRank"));
    QCOMPARE(probe.action("actionAlerts")->text(), QStringLiteral("A&lerts..."));
    QCOMPARE(probe.action("actionFill_Past_Days")->text(), QStringLiteral("&Fill Past Days..."));

    QCOMPARE(probe.action("action_Import_Urls")->text(), QStringLiteral("&Import Urls"));
    QCOMPARE(probe.action("actionExport_CSV")->text(), QStringLiteral("Export &CSV"));
    QCOMPARE(probe.action("action_Exit")->text(), QStringLiteral("&Exit"));
    QCOMPARE(probe.action("actionExport_History")->text(), QStringLiteral("Export &History..."));
    QCOMPARE(probe.action("actionImport_History")->text(), QStringLiteral("Import Hi&story..."));
    QCOMPARE(probe.action("actionRank")->text(), QStringLiteral("&Rank"));
    QVERIFY(!probe.action("action_Import_Urls")->icon().isNull());
    QVERIFY(!probe.action("actionExport_CSV")->icon().isNull());
    QVERIFY(!probe.action("action_Exit")->icon().isNull());
    QVERIFY(probe.action("actionRank")->icon().isNull());
    QVERIFY(probe.action("actionRank")->isCheckable());
    QVERIFY(probe.action("actionRank")->isChecked());
    // Shortcuts only where the menus show them.
    const QHash<QString, QKeySequence> shortcuts{
        {"action_Import_Urls", QKeySequence(QStringLiteral("Ctrl+I"))},
        {"actionExport_CSV", QKeySequence(QStringLiteral("Ctrl+E"))},
        {"action_Exit", QKeySequence(QStringLiteral("Ctrl+Q"))},
        {"actionPerform_Query", QKeySequence(QStringLiteral("F5"))},
        {"actionManage_Domains", QKeySequence(QStringLiteral("Ctrl+M"))},
        {"actionChart", QKeySequence(QStringLiteral("Ctrl+G"))},
        {"actionOverview", QKeySequence(QStringLiteral("Ctrl+O"))},
        {"actionAlerts", QKeySequence(QStringLiteral("Ctrl+L"))},
    };
    for (QAction *action : window->findChildren<QAction *>())
        QVERIFY2(action->shortcut() == shortcuts.value(action->objectName()), qPrintable(action->objectName()));
}

void tst_MainWindowStartup::tableHeader_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    const char *texts[] = {"Domain", "Global Rank", "US Rank", "Yesterday", "7 Day", "1 Month", "3 Month", "Date"};
    for (int column = 0; column < 8; ++column)
        QTest::newRow(texts[column]) << column << QString::fromLatin1(texts[column]);
}

void tst_MainWindowStartup::tableHeader()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    CTempHome home;
    auto window = makeWindow(home, std::make_shared<CFakePrompts>());
    const QTableWidgetItem *item = CWindowProbe(window.get()).table()->horizontalHeaderItem(column);
    QVERIFY(item);
    QCOMPARE(item->text(), text);
    QVERIFY(!item->icon().isNull());
    QVERIFY(!item->icon().availableSizes().isEmpty());
    QCOMPARE(item->textAlignment(), int(Qt::AlignVCenter));
    QCOMPARE(item->sizeHint(), QSize(100, 32));
}

void tst_MainWindowStartup::initialStateWithoutFiles()
{
    CTempHome home;
    auto prompts = std::make_shared<CFakePrompts>();
    auto window = makeWindow(home, prompts);
    CWindowProbe probe(window.get());

    QVERIFY(window->ownsData());
    QCOMPARE(probe.domainEntries(), QStringList{"  All Domains"});
    QCOMPARE(probe.domains()->currentIndex(), 0);
    QVERIFY(!probe.domains()->isEnabled());
    QVERIFY(probe.status()->isReadOnly());
    QCOMPARE(probe.status()->toPlainText(), QString());
    QCOMPARE(probe.table()->rowCount(), 0);
    QVERIFY(probe.months()->isHidden());
    QCOMPARE(probe.tree()->topLevelItemCount(), 0);
    QVERIFY(probe.queryButton()->isEnabled());
    QVERIFY(!window->isCrawlFinished());
    QVERIFY(window->history().isEmpty());
    QCOMPARE(prompts->prompts().size(), 0);
}

void tst_MainWindowStartup::socketPoolStartedAndIdle()
{
    CTempHome home;
    auto window = makeWindow(home, std::make_shared<CFakePrompts>());
    for (int i = 0; i < MainWindow::SocketCount; ++i) {
        CAlexaSocket *socket = window->socket(i);
        QVERIFY(socket);
        QCOMPARE(socket->index(), i);
        QVERIFY(socket->rankMode());
        QVERIFY(socket->isRunning());
        QCOMPARE(socket->domain(), QString());
        QCOMPARE(socket->parent(), window.get());
    }
    QCOMPARE(MainWindow::SocketCount, 5);
    QVERIFY(!window->socket(5));
}

void tst_MainWindowStartup::startWithHistoryShowsFirstMonth()
{
    CTempHome home;
    const QStringList history{
        CWindowProbe::line("a.com", "05/08/2012", 1), CWindowProbe::line("b.com", "06/08/2012", 2),
        CWindowProbe::line("a.com", "01/09/2012", 3), CWindowProbe::line("c.com", "07/08/2012", 4),
    };
    home.writeFile(home.historyPath(), CWindowProbe::fileOf(history));
    home.writeFile(home.domainListPath(), "a.com\n spaced.com \nb.com\n");
    auto prompts = std::make_shared<CFakePrompts>();
    auto window = makeWindow(home, prompts);
    CWindowProbe probe(window.get());

    QCOMPARE(probe.historyLines(), history);
    QCOMPARE(probe.domainEntries(), (QStringList{"  All Domains", "  a.com", "   spaced.com ", "  b.com"}));
    QCOMPARE(probe.domains()->currentIndex(), 0);
    QVERIFY(!probe.domains()->isEnabled());
    QCOMPARE(probe.months()->currentRow(), 0);
    QCOMPARE(probe.monthList(), (QStringList{"2012, Aug", "2012, Sep"}));

    // The table holds the first month; the status text echoes the whole
    // history, then that month.
    const QStringList august{history.at(0), history.at(1), history.at(3)};
    QCOMPARE(probe.tableRows(), august);
    QStringList expected;
    for (const QString &line : history)
        expected.append(CWindowProbe::echo(line));
    for (const QString &line : august)
        expected.append(CWindowProbe::echo(line));
    QCOMPARE(probe.statusLines(), expected);

    for (int column = 0; column < 8; ++column) {
        const QTableWidgetItem *cell = probe.table()->item(0, column);
        QCOMPARE(cell->type(), int(QTableWidgetItem::Type));
        QCOMPARE(cell->textAlignment(), int(Qt::AlignCenter));
        QVERIFY(cell->icon().isNull());
    }
    QCOMPARE(prompts->prompts().size(), 0);
}

void tst_MainWindowStartup::resizeMovesTableAndStatusOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("table") << "tblRankData" << QRect(150, 10, 1039, 569);
    QTest::newRow("status") << "txtStatus" << QRect(10, 588, 1179, 81);
    QTest::newRow("month list") << "lstMonthYear" << QRect(150, 110, 131, 499);
    QTest::newRow("tree") << "treeYearMonth" << QRect(10, 110, 131, 321);
    QTest::newRow("domains") << "cbDomain" << QRect(10, 10, 131, 30);
    QTest::newRow("query") << "btnManualQuery" << QRect(10, 70, 131, 31);
    QTest::newRow("manage") << "btnManageDomains" << QRect(10, 40, 131, 31);
}

void tst_MainWindowStartup::resizeMovesTableAndStatusOnly()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    CTempHome home;
    auto window = makeWindow(home, std::make_shared<CFakePrompts>());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resize(1200, 700);
    QTRY_COMPARE(window->size(), QSize(1200, 700));
    QCOMPARE(window->findChild<QWidget *>(name)->geometry(), geometry);
}

void tst_MainWindowStartup::exitWritesBothFiles()
{
    CTempHome home;
    const QStringList history{CWindowProbe::line("a.com", "05/08/2012"), "b.com,,2,3,4,5,6,06/08/2012"};
    home.writeFile(home.historyPath(), CWindowProbe::fileOf(history));
    home.writeFile(home.domainListPath(), "a.com\n");
    auto prompts = std::make_shared<CFakePrompts>();
    auto window = makeWindow(home, prompts);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->addNewDomain(QStringLiteral("  b.com  "));
    window->rankProfile(CWindowProbe::record(CWindowProbe::line("c.com", "07/08/2012")), 0);

    CWindowProbe(window.get()).action("action_Exit")->trigger();
    QVERIFY(!window->isVisible());
    window.reset();

    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray("a.com\nb.com\n"));
    QCOMPARE(CTempHome::readFile(home.historyPath()),
             CWindowProbe::fileOf(history + QStringList{CWindowProbe::line("c.com", "07/08/2012")}));
    QCOMPARE(prompts->messages(), QStringList());
}

void tst_MainWindowStartup::firstStartCreatesBothFiles()
{
    CTempHome home;
    auto prompts = std::make_shared<CFakePrompts>();
    auto window = makeWindow(home, prompts);
    const QString dir = home.path() + QStringLiteral("/.qorvex/Sorvane");
    QVERIFY(QFileInfo(dir).isDir());
    window.reset();
    QVERIFY(QFile::exists(dir + QStringLiteral("/domains.dat")));
    QVERIFY(QFile::exists(dir + QStringLiteral("/db.dat")));
    QCOMPARE(CTempHome::readFile(dir + QStringLiteral("/domains.dat")), QByteArray());
    QCOMPARE(CTempHome::readFile(dir + QStringLiteral("/db.dat")), QByteArray());
    QCOMPARE(prompts->prompts().size(), 0);
}

void tst_MainWindowStartup::unusableDataDirectoryIsReportedTwice()
{
    CTempHome home;
    home.writeFile(home.path() + QStringLiteral("/.qorvex"), "in the way\n");
    auto prompts = std::make_shared<CFakePrompts>();
    auto window = makeWindow(home, prompts);
    CWindowProbe probe(window.get());

    const QString text = QStringLiteral("Error establishing data directory, please restart the application");
    QCOMPARE(prompts->messages(), (QStringList{text, text}));
    for (const CFakePrompts::Prompt &prompt : prompts->prompts())
        QCOMPARE(prompt.title, QStringLiteral("Sorvane"));
    // Construction goes on to a usable, empty window.
    QCOMPARE(probe.domainEntries(), QStringList{"  All Domains"});
    QVERIFY(!window->isVisible());
    window.reset();
    QVERIFY(QFileInfo(home.path() + QStringLiteral("/.qorvex")).isFile());
    QCOMPARE(prompts->unanswered(), 0);
}

void tst_MainWindowStartup::secondInstanceLeavesTheFilesAlone()
{
    CTempHome home;
    const QByteArray history = CWindowProbe::fileOf({CWindowProbe::line("a.com", "05/08/2012")});
    home.writeFile(home.historyPath(), history);
    home.writeFile(home.domainListPath(), "a.com\n");

    auto firstPrompts = std::make_shared<CFakePrompts>();
    auto first = makeWindow(home, firstPrompts);
    QVERIFY(first->ownsData());

    auto secondPrompts = std::make_shared<CFakePrompts>();
    auto second = makeWindow(home, secondPrompts);
    QVERIFY(!second->ownsData());
    QCOMPARE(secondPrompts->messages().size(), 1);
    QVERIFY2(secondPrompts->messages().first().contains(home.dataDirectory()),
             qPrintable(secondPrompts->messages().first()));
    // It has not read the files...
    QVERIFY(second->history().isEmpty());
    QCOMPARE(CWindowProbe(second.get()).domainEntries(), QStringList{"  All Domains"});
    // ...and whatever it holds is not written.
    second->addNewDomain(QStringLiteral("  intruder.com"));
    second->rankProfile(CWindowProbe::record(CWindowProbe::line("intruder.com", "06/08/2012")), 0);
    second.reset();
    QCOMPARE(CTempHome::readFile(home.historyPath()), history);
    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray("a.com\n"));

    first->addNewDomain(QStringLiteral("  b.com"));
    first.reset();
    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray("a.com\nb.com\n"));
    QCOMPARE(firstPrompts->prompts().size(), 0);

    // The lock went with the first window.
    auto third = makeWindow(home, std::make_shared<CFakePrompts>());
    QVERIFY(third->ownsData());
    QCOMPARE(third->history().size(), 1);
}

void tst_MainWindowStartup::lockOfAnEndedInstanceIsTakenOver()
{
    CTempHome home;
    home.writeFile(home.domainListPath(), "a.com\n");
    // The process id of a program that has ended, as a crash would leave it.
    QProcess ended;
    ended.start(QStringLiteral("true"));
    QVERIFY(ended.waitForStarted());
    const QByteArray pid = QByteArray::number(ended.processId());
    QVERIFY(ended.waitForFinished());
    home.writeFile(home.dataDirectory() + QStringLiteral("/sorvane.lock"),
                   pid + "\nsorvane\n" + QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId()
                       + '\n' + QSysInfo::bootUniqueId() + '\n');

    auto prompts = std::make_shared<CFakePrompts>();
    auto window = makeWindow(home, prompts);
    QVERIFY(window->ownsData());
    QCOMPARE(prompts->messages(), QStringList());
    QCOMPARE(CWindowProbe(window.get()).domainEntries(), (QStringList{"  All Domains", "  a.com"}));
}

QTEST_MAIN(tst_MainWindowStartup)
#include "tst_MainWindowStartup.moc"
