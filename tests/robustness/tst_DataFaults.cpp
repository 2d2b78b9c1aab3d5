#include "CFakePrompts.h"
#include "CFileFault.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "ManageDomains.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using Probe = CWindowProbe;

namespace {

QByteArray historyOf(int records)
{
    QStringList lines;
    for (int i = 0; i < records; ++i)
        lines.append(Probe::line(QStringLiteral("site%1.com").arg(i), QStringLiteral("05/08/2012")));
    return Probe::fileOf(lines);
}

bool anyContains(const QStringList &texts, const QString &part)
{
    for (const QString &text : texts) {
        if (text.contains(part))
            return true;
    }
    return false;
}

// What a window may do to the files: take in a record, add a domain, save, close.
void changeEverything(CWindowFixture &fixture)
{
    fixture.window->addNewDomain(QStringLiteral("  added.com"));
    fixture.window->rankProfile(Probe::record(Probe::line(QStringLiteral("added.com"), QStringLiteral("06/08/2012"))), 0);
    fixture.window->saveData();
    QCoreApplication::processEvents();
    fixture.window.reset();
}

} // namespace

// The window over data files it cannot trust: unreadable, special, locked,
// too large or dated nonsense. Nothing on disk may be lost to any of them.
class tst_DataFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void windowShowsWhatTheSessionTells();
    void lockFileThatIsNoLiveLockIsTakenOver_data();
    void lockFileThatIsNoLiveLockIsTakenOver();
    void unusableLockOpensReadOnly();
    void busyLockNamesItsFile();
    void everyChangeIsSavedWhenMade();
    void datesThatAreNoDatesMakeNoMonths();
};

void tst_DataFaults::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_DataFaults::windowShowsWhatTheSessionTells()
{
    // What the files' rules decide is the data session's; the window shows
    // its messages in a box, its short notes in the status text, and says
    // where it did not save.
    CWindowFixture fixture;
    const QByteArray domains = "a.com\n" + QByteArray(300, 'x') + "\nb.com\n";
    fixture.home.writeFile(fixture.home.domainListPath(), domains);
    QFile::remove(fixture.home.historyPath());
    QCOMPARE(::mkfifo(QFile::encodeName(fixture.home.historyPath()).constData(), 0600), 0);
    fixture.openWindow();
    QCOMPARE(fixture.prompts->messages().size(), 1);
    QVERIFY2(fixture.prompts->messages().first().contains(QStringLiteral("named pipe")), qPrintable(fixture.prompts->messages().first()));
    QVERIFY(fixture.window->ownsData());
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{"  All Domains", "  a.com", "  b.com"}));
    QVERIFY(fixture.showExposed());
    QVERIFY(anyContains(fixture.probe->statusLines(), QStringLiteral("longer than a domain name can be")));
    QVERIFY(!fixture.window->saveData());
    QVERIFY2(anyContains(fixture.probe->statusLines(), QStringLiteral("not saved")), qPrintable(fixture.probe->statusLines().join(u'|')));
    changeEverything(fixture);
    QVERIFY(QFileInfo(fixture.home.historyPath()).exists() && !QFileInfo(fixture.home.historyPath()).isFile());
    QCOMPARE(CTempHome::readFile(fixture.home.domainListPath()), QByteArray("a.com\nb.com\nadded.com\n"));
}

void tst_DataFaults::lockFileThatIsNoLiveLockIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("garbage") << QByteArray("\xff\xfe garbage\n\x01\n");
    QTest::newRow("other host") << QByteArray("1\nsorvane\nsomewhere-else.example\nmachine\nboot\n");
}

void tst_DataFaults::lockFileThatIsNoLiveLockIsTakenOver()
{
    QFETCH(QByteArray, contents);
    CWindowFixture fixture;
    fixture.writeDomains({QStringLiteral("a.com")});
    fixture.home.writeFile(fixture.home.dataDirectory() + QStringLiteral("/sorvane.lock"), contents);
    fixture.openWindow();
    QVERIFY(fixture.window->ownsData());
    QCOMPARE(fixture.prompts->messages(), QStringList());
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{"  All Domains", "  a.com"}));
}

void tst_DataFaults::unusableLockOpensReadOnly()
{
    CWindowFixture fixture;
    const QByteArray history = historyOf(3);
    fixture.home.writeFile(fixture.home.historyPath(), history);
    fixture.writeDomains({QStringLiteral("a.com")});
    const QString lockPath = fixture.home.dataDirectory() + QStringLiteral("/sorvane.lock");
    QVERIFY(QDir().mkdir(lockPath));
    fixture.openWindow();
    QVERIFY(fixture.window->ownsData());
    QCOMPARE(fixture.prompts->messages().size(), 1);
    QVERIFY2(fixture.prompts->messages().first().contains(QDir::toNativeSeparators(lockPath)), qPrintable(fixture.prompts->messages().first()));
    QVERIFY2(fixture.prompts->messages().first().contains(QStringLiteral("read-only")), qPrintable(fixture.prompts->messages().first()));
    // It reads the files...
    QCOMPARE(fixture.window->history().size(), 3);
    // ...and writes nothing, saying so.
    fixture.window->addNewDomain(QStringLiteral("  added.com"));
    QVERIFY(!fixture.window->saveData());
    QVERIFY(anyContains(fixture.probe->statusLines(), QStringLiteral("not saved")));
    changeEverything(fixture);
    QCOMPARE(CTempHome::readFile(fixture.home.historyPath()), history);
    QCOMPARE(CTempHome::readFile(fixture.home.domainListPath()), QByteArray("a.com\n"));
}

void tst_DataFaults::busyLockNamesItsFile()
{
    CWindowFixture first;
    first.openWindow();
    auto prompts = std::make_shared<CFakePrompts>();
    MainWindow second(nullptr, first.home.settings(), prompts);
    QVERIFY(!second.ownsData());
    QCOMPARE(prompts->messages().size(), 1);
    const QString message = prompts->messages().first();
    QVERIFY2(message.startsWith(QStringLiteral("Another process is using the data folder ")), qPrintable(message));
    QVERIFY2(message.contains(QDir::toNativeSeparators(first.home.dataDirectory() + QStringLiteral("/sorvane.lock"))), qPrintable(message));
}

void tst_DataFaults::everyChangeIsSavedWhenMade()
{
    CWindowFixture fixture;
    fixture.writeHistory({Probe::line("a.com", "05/08/2012"), Probe::line("b.com", "05/08/2012")});
    fixture.writeDomains({QStringLiteral("a.com")});
    fixture.openWindow();
    QVERIFY(fixture.showActive());

    // Import: saved before the window closes.
    const QString importPath = fixture.home.path() + QStringLiteral("/import.txt");
    fixture.home.writeFile(importPath, "one.com\ntwo.com\nthree.com\nfour.com\nfive.com\n");
    fixture.prompts->answerFileName(importPath);
    fixture.probe->action("action_Import_Urls")->trigger();
    QTRY_COMPARE(CTempHome::readFile(fixture.home.domainListPath()),
                 QByteArray("a.com\none.com\ntwo.com\nthree.com\nfour.com\nfive.com\n"));

    // The domain manager's list, as its Close sends it.
    Q_EMIT fixture.window->manager()->newDomainList();
    Q_EMIT fixture.window->manager()->newDomain(QStringLiteral("  kept.com"));
    QTRY_COMPARE(CTempHome::readFile(fixture.home.domainListPath()), QByteArray("kept.com\n"));

    // Row deletion.
    QTableWidget *table = fixture.probe->table();
    QTRY_COMPARE(table->rowCount(), 2);
    table->setFocus();
    table->selectRow(0);
    const QString deleted = table->item(0, 0)->text();
    fixture.prompts->answerYesNo(true);
    QTest::keyClick(table, Qt::Key_Delete);
    const QString left = deleted == u"a.com" ? QStringLiteral("b.com") : QStringLiteral("a.com");
    QTRY_COMPARE(CTempHome::readFile(fixture.home.historyPath()), Probe::fileOf({Probe::line(left, "05/08/2012")}));
    QCOMPARE(fixture.prompts->unanswered(), 0);
}

void tst_DataFaults::datesThatAreNoDatesMakeNoMonths()
{
    // Each distinct "month" of nonsense used to add a branch of 31 days.
    constexpr int bogus = 200000;
    QByteArray file;
    file.reserve(bogus * 40);
    for (int i = 0; i < bogus; ++i)
        file += "x.com,1,2,3,4,5,6,01/01/y" + QByteArray::number(i) + '\n';
    file += "x.com,1,2,3,4,5,6,31/02/2012\n" "x.com,1,2,3,4,5,6,05/13/2012\n" "x.com,1,2,3,4,5,6,05/08/2012\n";
    CWindowFixture fixture;
    fixture.home.writeFile(fixture.home.historyPath(), file);
    fixture.openWindow();
    QCOMPARE(fixture.window->history().size(), bogus + 3);
    QCOMPARE(fixture.probe->topLabels(), QStringList{QStringLiteral("2012, Aug")});
    int items = 0;
    for (QTreeWidgetItemIterator it(fixture.probe->tree()); *it; ++it)
        ++items;
    QCOMPARE(items, 1 + 31);
    // The records are kept: saved back as they were.
    fixture.window.reset();
    QCOMPARE(CTempHome::readFile(fixture.home.historyPath()), file);
}

QTEST_MAIN(tst_DataFaults)
#include "tst_DataFaults.moc"
