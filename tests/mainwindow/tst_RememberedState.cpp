#include "CFakePrompts.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "config/CSettings.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

using Probe = CWindowProbe;
using Kind = CFakePrompts::Kind;

namespace {

QList<int> columnWidths(const CWindowProbe &probe)
{
    QList<int> widths;
    const QHeaderView *header = probe.table()->horizontalHeader();
    for (int column = 0; column < header->count(); ++column)
        widths.append(header->sectionSize(column));
    return widths;
}

// The folders the import and the export dialogs open in, after triggering
// each once and cancelling it.
QStringList dialogFolders(CWindowFixture &view)
{
    view.prompts->clear();
    view.prompts->answerFileName(QString());
    view.probe->action("action_Import_Urls")->trigger();
    view.prompts->answerFileName(QString());
    view.probe->action("actionExport_CSV")->trigger();
    const QList<CFakePrompts::Prompt> open = view.prompts->prompts(Kind::OpenFile);
    const QList<CFakePrompts::Prompt> save = view.prompts->prompts(Kind::SaveFile);
    if (open.size() != 1 || save.size() != 1)
        return {};
    return {open.first().folder, save.first().folder};
}

} // namespace

// How the user left the window comes back on the next start, from a settings
// file of its own; a first start shows the window as it has always been.
class tst_RememberedState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartIsUnchanged();
    void stateComesBackOnTheNextStart();
    void stateIsKeptOutsideTheDataFolder();
    void damagedPlaceStaysOnTheScreen_data();
    void damagedPlaceStaysOnTheScreen();
};

void tst_RememberedState::firstStartIsUnchanged()
{
    CWindowFixture view;
    view.writeHistory({Probe::line("a.com", "05/08/2012")});
    view.openWindow();
    QCOMPARE(view.window->size(), QSize(1012, 552));
    // Columns fit their contents on the first show, no narrower than the header's 100.
    const QList<int> fitted = columnWidths(*view.probe);
    QCOMPARE(fitted.size(), 8);
    QVERIFY(std::all_of(fitted.cbegin(), fitted.cend(), [](int width) { return width >= 100; }));
    QVERIFY(view.probe->action("actionRank")->isChecked());
    // The home the window was given, not the process's.
    QCOMPARE(dialogFolders(view), QStringList({view.home.path(), view.home.path()}));
}

void tst_RememberedState::stateComesBackOnTheNextStart()
{
    CWindowFixture view;
    view.writeHistory({Probe::line("a.com", "05/08/2012")});
    const QString importFolder = view.home.path() + QStringLiteral("/lists");
    const QString exportFolder = view.home.path() + QStringLiteral("/exports");
    QVERIFY(QDir().mkpath(importFolder));
    QVERIFY(QDir().mkpath(exportFolder));
    view.home.writeFile(importFolder + QStringLiteral("/domains.txt"), "b.com\n");
    const QList<int> widths = {180, 95, 90, 85, 80, 75, 70, 120};

    view.openWindow();
    QVERIFY(view.showExposed());
    view.window->resize(780, 700); // within the offscreen screen's 800 × 800
    QHeaderView *header = view.probe->table()->horizontalHeader();
    for (int column = 0; column < widths.size(); ++column)
        header->resizeSection(column, widths.at(column));
    view.probe->action("actionRank")->trigger(); // unchecks it
    QVERIFY(!view.probe->action("actionRank")->isChecked());
    view.prompts->answerFileName(importFolder + QStringLiteral("/domains.txt"));
    view.probe->action("action_Import_Urls")->trigger();
    view.prompts->answerFileName(exportFolder + QStringLiteral("/rows.csv"));
    view.probe->action("actionExport_CSV")->trigger();
    QCOMPARE(view.prompts->unanswered(), 0);
    view.probe.reset();
    view.window.reset();

    // A second lifetime on the same settings: everything as it was left.
    view.openWindow();
    QVERIFY(view.showExposed());
    QCOMPARE(view.window->size(), QSize(780, 700));
    QCOMPARE(columnWidths(*view.probe), widths);
    QVERIFY(!view.probe->action("actionRank")->isChecked());
    QCOMPARE(dialogFolders(view), QStringList({importFolder, exportFolder}));
    // The resize rule of the widgets holds for the restored size.
    QCOMPARE(view.probe->table()->size(), QSize(780 - 161, 700 - 131));

    // A third lifetime sees the mode turned back on.
    view.probe->action("actionRank")->trigger();
    view.probe.reset();
    view.window.reset();
    view.openWindow();
    QVERIFY(view.probe->action("actionRank")->isChecked());
}

void tst_RememberedState::stateIsKeptOutsideTheDataFolder()
{
    CWindowFixture view;
    const CSettings settings = view.home.settings();
    view.openWindow(settings);
    view.window->resize(1100, 600);
    view.probe.reset();
    view.window.reset();
    QVERIFY(QFile::exists(settings.uiStatePath));
    QVERIFY(!settings.uiStatePath.startsWith(settings.dataDirectory));
    QStringList dataFiles;
    for (QDirIterator it(settings.dataDirectory, QDir::Files | QDir::Hidden); it.hasNext();)
        dataFiles.append(QFileInfo(it.next()).fileName());
    dataFiles.sort();
    // The lock file stays: the system's lock on it is what ends with the program.
    QCOMPARE(dataFiles, QStringList({QStringLiteral("db.dat"), QStringLiteral("domains.dat"), QStringLiteral("sorvane.lock")}));
}

void tst_RememberedState::damagedPlaceStaysOnTheScreen_data()
{
    QTest::addColumn<QByteArray>("place");
    QTest::addColumn<QSize>("size");
    // The rule itself is tested with CUiState; here, that the window follows it.
    QTest::newRow("huge") << QByteArray("rect=0, 0, 100000, 100000") << QSize(800, 800);
    QTest::newRow("negative") << QByteArray("rect=10, 10, -800, -600\nmaximized=true") << QSize(1012, 552);
}

void tst_RememberedState::damagedPlaceStaysOnTheScreen()
{
    QFETCH(QByteArray, place);
    QFETCH(QSize, size);
    CWindowFixture view;
    const CSettings settings = view.home.settings();
    QVERIFY(QDir().mkpath(QFileInfo(settings.uiStatePath).absolutePath()));
    view.home.writeFile(settings.uiStatePath, "[window]\n" + place + '\n');
    view.openWindow(settings);
    QVERIFY(view.showExposed());
    QCOMPARE(view.window->size(), size);
    QVERIFY(!view.window->isMaximized());
}

QTEST_MAIN(tst_RememberedState)
#include "tst_RememberedState.moc"
