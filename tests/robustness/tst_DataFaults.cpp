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
    void fileNotReadWholeIsNeverSavedOver_data();
    void fileNotReadWholeIsNeverSavedOver();
    void realPermissionsAreRespected();
    void lockFileThatIsNoLiveLockIsTakenOver_data();
    void lockFileThatIsNoLiveLockIsTakenOver();
    void unusableLockOpensReadOnly();
    void busyLockNamesItsFile();
    void everyChangeIsSavedWhenMade();
    void historyTooLargeForMemoryIsRefused();
    void datesThatAreNoDatesMakeNoMonths();
    void domainLineWithCommaIsSkipped();
    void leftoversOfSavesAreRemovedAtStart();
};

void tst_DataFaults::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_DataFaults::fileNotReadWholeIsNeverSavedOver_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("history, no permission") << "db.dat" << "EACCES" << "Permission denied";
    QTest::newRow("history, read error") << "db.dat" << "EIO" << "Input/output error";
    QTest::newRow("history, fifo") << "db.dat" << "fifo" << "named pipe";
    QTest::newRow("history, folder") << "db.dat" << "folder" << "folder";
    QTest::newRow("domain list, no permission") << "domains.dat" << "EACCES" << "Permission denied";
    QTest::newRow("domain list, read error") << "domains.dat" << "EIO" << "Input/output error";
    QTest::newRow("domain list, fifo") << "domains.dat" << "fifo" << "named pipe";
}

void tst_DataFaults::fileNotReadWholeIsNeverSavedOver()
{
    QFETCH(QString, file);
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    CWindowFixture fixture;
    const QByteArray history = historyOf(1000);
    const QByteArray domains = "a.com\nb.com\n";
    const QString path = fixture.home.dataDirectory() + u'/' + file;
    fixture.home.writeFile(fixture.home.historyPath(), history);
    fixture.home.writeFile(fixture.home.domainListPath(), domains);
    if (fault == u"fifo") {
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (fault == u"folder") {
        QFile::remove(path);
        QVERIFY(QDir().mkdir(path));
    }

    if (fault == u"EACCES") {
        const CFileFault failing(CFileFault::Call::Open, EACCES, QFile::encodeName(file));
        fixture.openWindow();
    } else if (fault == u"EIO") {
        // Every read fails: both files are left alone.
        const CFileFault failing(CFileFault::Call::Read, EIO);
        fixture.openWindow();
    } else {
        fixture.openWindow(); // a FIFO must not block here
    }

    const QStringList messages = fixture.prompts->messages();
    QVERIFY2(anyContains(messages, reason), qPrintable(messages.join(u'|')));
    QVERIFY2(anyContains(messages, file), qPrintable(messages.join(u'|')));
    QVERIFY(fixture.window->ownsData());
    QVERIFY(fixture.showExposed());
    // Where it would have saved, it says why it did not.
    QVERIFY(!fixture.window->saveData());
    QVERIFY2(anyContains(fixture.probe->statusLines(), QStringLiteral("not saved")), qPrintable(fixture.probe->statusLines().join(u'|')));

    changeEverything(fixture);
    const QByteArray added = Probe::fileOf({Probe::line("added.com", "06/08/2012")});
    if (fault == u"fifo")
        QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile() && !QFileInfo(path).isDir());
    else if (fault == u"folder")
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(CTempHome::readFile(path), file == u"db.dat" ? history : domains);
    // The other file was read, unless every read failed, and is saved as usual.
    if (fault == u"EIO") {
        QCOMPARE(CTempHome::readFile(fixture.home.historyPath()), history);
        QCOMPARE(CTempHome::readFile(fixture.home.domainListPath()), domains);
    } else if (file == u"db.dat") {
        QCOMPARE(CTempHome::readFile(fixture.home.domainListPath()), QByteArray("a.com\nb.com\nadded.com\n"));
    } else {
        QCOMPARE(CTempHome::readFile(fixture.home.historyPath()), history + added);
    }
}

void tst_DataFaults::realPermissionsAreRespected()
{
    if (geteuid() == 0)
        QSKIP("root reads files whatever their permissions; the injected EACCES rows cover this case");
    CWindowFixture fixture;
    const QByteArray history = historyOf(1000);
    fixture.home.writeFile(fixture.home.historyPath(), history);
    QVERIFY(QFile::setPermissions(fixture.home.historyPath(), QFile::WriteOwner));
    fixture.openWindow();
    QVERIFY(anyContains(fixture.prompts->messages(), QStringLiteral("Permission denied")));
    changeEverything(fixture);
    QVERIFY(QFile::setPermissions(fixture.home.historyPath(), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(CTempHome::readFile(fixture.home.historyPath()), history);
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
    QVERIFY2(message.startsWith(QStringLiteral("Sorvane is already running with the data folder ")), qPrintable(message));
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

void tst_DataFaults::historyTooLargeForMemoryIsRefused()
{
    CWindowFixture fixture;
    const QByteArray history = historyOf(1000);
    fixture.home.writeFile(fixture.home.historyPath(), history);
    CSettings settings = fixture.home.settings();
    settings.availableMemory = history.size(); // far less than loading it takes
    fixture.openWindow(settings);
    QVERIFY(fixture.window->history().isEmpty());
    QCOMPARE(fixture.prompts->messages().size(), 1);
    const QString message = fixture.prompts->messages().first();
    QVERIFY2(message.contains(QStringLiteral("db.dat")) && message.contains(QStringLiteral("kB large")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("start Sorvane again")), qPrintable(message));
    QVERIFY(fixture.showExposed());
    changeEverything(fixture);
    QCOMPARE(CTempHome::readFile(fixture.home.historyPath()), history);

    // With the memory it needs, the same file loads.
    CWindowFixture roomy;
    roomy.home.writeFile(roomy.home.historyPath(), history);
    CSettings enough = roomy.home.settings();
    enough.availableMemory = history.size() * 100;
    roomy.openWindow(enough);
    QCOMPARE(roomy.window->history().size(), 1000);
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

void tst_DataFaults::domainLineWithCommaIsSkipped()
{
    CWindowFixture fixture;
    fixture.home.writeFile(fixture.home.domainListPath(), "a.com\nevil,x\nb.com\n");
    fixture.openWindow();
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{"  All Domains", "  a.com", "  b.com"}));
    QCOMPARE(fixture.prompts->messages().size(), 1);
    QVERIFY2(fixture.prompts->messages().first().contains(QStringLiteral("evil,x")), qPrintable(fixture.prompts->messages().first()));
    fixture.window.reset();
    QCOMPARE(CTempHome::readFile(fixture.home.domainListPath()), QByteArray("a.com\nb.com\n"));
}

void tst_DataFaults::leftoversOfSavesAreRemovedAtStart()
{
    CWindowFixture fixture;
    const QString leftover = fixture.home.historyPath() + QStringLiteral(".q9W8e7");
    const QString foreign = fixture.home.dataDirectory() + QStringLiteral("/notes.dat.q9W8e7");
    fixture.home.writeFile(leftover, historyOf(100));
    fixture.home.writeFile(foreign, "mine\n");
    fixture.openWindow();
    QVERIFY(!QFileInfo::exists(leftover));
    QVERIFY(QFileInfo::exists(foreign));

    // A second copy, locked out, leaves the first one's save in progress alone.
    fixture.home.writeFile(leftover, "in progress\n");
    auto prompts = std::make_shared<CFakePrompts>();
    MainWindow second(nullptr, fixture.home.settings(), prompts);
    QVERIFY(!second.ownsData());
    QVERIFY(QFileInfo::exists(leftover));
}

QTEST_MAIN(tst_DataFaults)
#include "tst_DataFaults.moc"
