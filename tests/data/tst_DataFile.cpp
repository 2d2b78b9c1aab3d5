#include "CAlexaRankData.h"
#include "CDataFile.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CFileFault.h"
#include "CMemoryBudget.h"
#include "CTempHome.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

namespace {

QByteArray historyBytes(int records)
{
    QByteArray bytes;
    for (int i = 0; i < records; ++i)
        bytes += "site" + QByteArray::number(i) + ".com,1,2,3,4,5,6,05/08/2012\n";
    return bytes;
}

QList<CAlexaRankData> records(int count)
{
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::parseHistory(historyBytes(count), history, dates);
    return history;
}

} // namespace

// Reading and saving the data files when the file, the disk or the
// filesystem misbehaves: what is on disk must never be lost to it.
class tst_DataFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsRegularFilesAndLinks();
    void specialFilesAreRefused_data();
    void specialFilesAreRefused();
    void readFaultsAreReported_data();
    void readFaultsAreReported();
    void failedSaveStepKeepsTheOldFile_data();
    void failedSaveStepKeepsTheOldFile();
    void savedFileKeepsItsPermissions();
    void leftoversOfSavesAreRemoved_data();
    void leftoversOfSavesAreRemoved();
    void saveLeavesOnlyItsFile();
    void domainLinesWithCommasAreSkipped();
    void textThatIsNotUtf8IsReported();
    void historyLargerThanMemoryIsRefused_data();
    void historyLargerThanMemoryIsRefused();
};

void tst_DataFile::readsRegularFilesAndLinks()
{
    CTempHome home;
    const CResult<QByteArray> missing = CDataFile::read(home.historyPath());
    QVERIFY(missing.ok());
    QVERIFY(missing.value().isEmpty());

    home.writeFile(home.path() + QStringLiteral("/elsewhere.dat"), historyBytes(3));
    QVERIFY(QFile::link(home.path() + QStringLiteral("/elsewhere.dat"), home.historyPath()));
    const CResult<QByteArray> linked = CDataFile::read(home.historyPath());
    QVERIFY2(linked.ok(), qPrintable(linked.message()));
    QCOMPARE(linked.value(), historyBytes(3));
}

void tst_DataFile::specialFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("fifo") << "fifo" << "named pipe";
    QTest::newRow("folder") << "folder" << "folder";
    QTest::newRow("device") << "device" << "device";
    QTest::newRow("link to a fifo") << "linked fifo" << "named pipe";
}

void tst_DataFile::specialFilesAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    CTempHome home;
    const QByteArray path = QFile::encodeName(home.historyPath());
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else if (kind == u"folder") {
        QVERIFY(QDir().mkdir(home.historyPath()));
    } else if (kind == u"device") {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), home.historyPath()));
    } else {
        const QByteArray fifo = QFile::encodeName(home.path() + QStringLiteral("/pipe"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QVERIFY(QFile::link(home.path() + QStringLiteral("/pipe"), home.historyPath()));
    }
    // A FIFO without a writer would block a plain open() for good.
    const CResult<QByteArray> read = CDataFile::read(home.historyPath());
    QVERIFY(!read.ok());
    QVERIFY2(read.message().contains(reason), qPrintable(read.message()));
    QVERIFY2(read.message().contains(QStringLiteral("db.dat")), qPrintable(read.message()));

    QStringList notes;
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    QVERIFY(!CDataStore::readHistory(home.historyPath(), history, dates, notes));
}

void tst_DataFile::readFaultsAreReported_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no permission") << int(CFileFault::Call::Open) << EACCES << "Permission denied";
    QTest::newRow("read error") << int(CFileFault::Call::Read) << EIO << "Input/output error";
}

void tst_DataFile::readFaultsAreReported()
{
    QFETCH(int, call);
    QFETCH(int, error);
    QFETCH(QString, reason);
    CTempHome home;
    home.writeFile(home.historyPath(), historyBytes(1000));
    home.writeFile(home.domainListPath(), "a.com\nb.com\n");

    QList<CAlexaRankData> history;
    CDomainDateList dates;
    QStringList notes;
    CResult<> historyRead = CResult<>::success();
    CResult<QStringList> domainsRead = CResult<QStringList>::success({});
    {
        const CFileFault fault(CFileFault::Call(call), error, QByteArray(".dat"));
        historyRead = CDataStore::readHistory(home.historyPath(), history, dates, notes);
        domainsRead = CDataStore::readDomainList(home.domainListPath(), notes);
        QVERIFY(CFileFault::failures() >= 2);
    }
    QVERIFY(!historyRead);
    QVERIFY2(historyRead.message().contains(reason), qPrintable(historyRead.message()));
    QVERIFY2(historyRead.message().contains(QStringLiteral("db.dat")), qPrintable(historyRead.message()));
    QVERIFY(!domainsRead);
    QVERIFY2(domainsRead.message().contains(QStringLiteral("domains.dat")), qPrintable(domainsRead.message()));
    QVERIFY(history.isEmpty());
}

void tst_DataFile::failedSaveStepKeepsTheOldFile_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("error");
    QTest::newRow("write") << int(CFileFault::Call::Write) << ENOSPC;
    QTest::newRow("fdatasync") << int(CFileFault::Call::Fdatasync) << EIO;
    QTest::newRow("close") << int(CFileFault::Call::Close) << EIO;
    QTest::newRow("close, quota") << int(CFileFault::Call::Close) << EDQUOT;
}

void tst_DataFile::failedSaveStepKeepsTheOldFile()
{
    // A network filesystem may report a lost write only at fdatasync() or close().
    QFETCH(int, call);
    QFETCH(int, error);
    CTempHome home;
    const QByteArray old = historyBytes(3);
    home.writeFile(home.historyPath(), old);
    home.writeFile(home.domainListPath(), "a.com\n");
    CResult<> history = CResult<>::success();
    CResult<> domains = CResult<>::success();
    {
        const CFileFault fault(CFileFault::Call(call), error);
        history = CDataStore::saveHistory(home.historyPath(), records(50));
        domains = CDataStore::saveDomainList(home.domainListPath(), {QStringLiteral("b.com")});
        QVERIFY(CFileFault::failures() >= 2);
    }
    QVERIFY(!history);
    QVERIFY2(history.message().contains(QString::fromLocal8Bit(strerror(error))), qPrintable(history.message()));
    QVERIFY(!domains);
    QCOMPARE(CTempHome::readFile(home.historyPath()), old);
    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray("a.com\n"));
    QCOMPARE(QDir(home.dataDirectory()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{QStringLiteral("db.dat"), QStringLiteral("domains.dat")}));
}

void tst_DataFile::savedFileKeepsItsPermissions()
{
    CTempHome home;
    home.writeFile(home.historyPath(), historyBytes(1));
    QVERIFY(QFile::setPermissions(home.historyPath(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(CDataStore::saveHistory(home.historyPath(), records(2)));
    struct stat info{};
    QCOMPARE(::stat(QFile::encodeName(home.historyPath()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
    QCOMPARE(CTempHome::readFile(home.historyPath()), historyBytes(2));
}

void tst_DataFile::leftoversOfSavesAreRemoved_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("inTarget"); // beside the target of a db.dat that is a link
    QTest::addColumn<bool>("removed");
    QTest::newRow("history's") << ".db.dat.a1B2c3.tmp" << false << true;
    QTest::newRow("domain list's") << ".domains.dat.XyZ789.tmp" << false << true;
    QTest::newRow("alert log's") << ".alerts.log.000000.tmp" << false << true;
    QTest::newRow("beside a link's target") << ".history.txt.Q1w2E3.tmp" << true << true;
    QTest::newRow("user's backup") << "db.dat.backup" << false << false;
    QTest::newRow("user's copy before") << "db.dat.before" << false << false;
    QTest::newRow("user's domains copy") << "domains.dat.orig12" << false << false;
    QTest::newRow("old form of the name") << "db.dat.a1B2c3" << false << false;
    QTest::newRow("seven places") << ".db.dat.a1B2c3d.tmp" << false << false;
    QTest::newRow("not letters") << ".db.dat.a1-2c3.tmp" << false << false;
    QTest::newRow("another suffix") << ".db.dat.a1B2c3.bak" << false << false;
    QTest::newRow("another file's") << ".other.dat.A1b2C3.tmp" << false << false;
    QTest::newRow("user's file beside the target") << "history.txt.backup" << true << false;
    QTest::newRow("the link's name beside the target") << ".db.dat.a1B2c3.tmp" << true << false;
}

void tst_DataFile::leftoversOfSavesAreRemoved()
{
    QFETCH(QString, name);
    QFETCH(bool, inTarget);
    QFETCH(bool, removed);
    CTempHome home;
    const QString dir = home.dataDirectory();
    const QString targetDir = home.path() + QStringLiteral("/elsewhere");
    QVERIFY(QDir().mkpath(targetDir));
    home.writeFile(targetDir + QStringLiteral("/history.txt"), historyBytes(1));
    QVERIFY(QFile::link(targetDir + QStringLiteral("/history.txt"), home.historyPath()));
    const QString path = (inTarget ? targetDir : dir) + u'/' + name;
    home.writeFile(path, "x\n");

    const QStringList gone = CDataFile::removeLeftovers(
        dir, {QStringLiteral("db.dat"), QStringLiteral("domains.dat"), QStringLiteral("alerts.log")});
    QCOMPARE(!QFileInfo::exists(path), removed);
    QCOMPARE(gone, removed ? QStringList{QDir::toNativeSeparators(path)} : QStringList());
}

void tst_DataFile::saveLeavesOnlyItsFile()
{
    CTempHome home;
    // A folder and a link of the temporary form are never removed.
    QVERIFY(QDir().mkdir(home.dataDirectory() + QStringLiteral("/.db.dat.Folder.tmp")));
    QVERIFY(QFile::link(home.path(), home.dataDirectory() + QStringLiteral("/.db.dat.Linked.tmp")));
    QVERIFY(CDataStore::saveHistory(home.historyPath(), records(2)));
    QVERIFY(CDataFile::removeLeftovers(home.dataDirectory(), {QStringLiteral("db.dat")}).isEmpty());
    QCOMPARE(QDir(home.dataDirectory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{QStringLiteral(".db.dat.Folder.tmp"), QStringLiteral(".db.dat.Linked.tmp"), QStringLiteral("db.dat")}));
}

void tst_DataFile::domainLinesWithCommasAreSkipped()
{
    CTempHome home;
    home.writeFile(home.domainListPath(), "a.com\nevil,x\n  spaced,y  \nb.com\n");
    QStringList notes;
    const CResult<QStringList> read = CDataStore::readDomainList(home.domainListPath(), notes);
    QVERIFY(read);
    QCOMPARE(read.value(), (QStringList{QStringLiteral("a.com"), QStringLiteral("b.com")}));
    QCOMPARE(notes.size(), 1);
    QVERIFY2(notes.first().contains(QStringLiteral("evil,x")) && notes.first().contains(QStringLiteral("spaced,y")),
             qPrintable(notes.first()));
    QCOMPARE(CDataStore::parseDomainList("a.com\nevil,x\n"), QStringList{QStringLiteral("a.com")});
}

void tst_DataFile::textThatIsNotUtf8IsReported()
{
    CTempHome home;
    home.writeFile(home.historyPath(), "caf\xe9.com,1,2,3,4,5,6,05/08/2012\nok.com,1,2,3,4,5,6,05/08/2012\n"
                                       "na\xefve.com,1,2,3,4,5,6,05/08/2012\n");
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    QStringList notes;
    QVERIFY(CDataStore::readHistory(home.historyPath(), history, dates, notes));
    QCOMPARE(history.size(), 3);
    QCOMPARE(notes.size(), 1);
    QVERIFY2(notes.first().contains(QStringLiteral("not UTF-8")) && notes.first().contains(QStringLiteral(": 2 line")),
             qPrintable(notes.first()));

    home.writeFile(home.historyPath(), "caf\xc3\xa9.com,1,2,3,4,5,6,05/08/2012\n");
    notes.clear();
    QVERIFY(CDataStore::readHistory(home.historyPath(), history, dates, notes));
    QCOMPARE(notes, QStringList());
}

void tst_DataFile::historyLargerThanMemoryIsRefused_data()
{
    QTest::addColumn<qint64>("available");
    QTest::addColumn<bool>("fits");
    const qint64 size = historyBytes(1000).size();
    QTest::newRow("plenty") << size * 100 << true;
    QTest::newRow("just enough") << CMemoryBudget::neededFor(size) << true;
    QTest::newRow("too little") << CMemoryBudget::neededFor(size) - 1 << false;
    QTest::newRow("none") << qint64(0) << false;
    QTest::newRow("unknown") << qint64(-1) << true;
}

void tst_DataFile::historyLargerThanMemoryIsRefused()
{
    QFETCH(qint64, available);
    QFETCH(bool, fits);
    CTempHome home;
    home.writeFile(home.historyPath(), historyBytes(1000));
    const CResult<> checked = CMemoryBudget::checkHistory(home.historyPath(), available);
    QCOMPARE(checked.ok(), fits);
    if (!fits) {
        QVERIFY2(checked.message().contains(CMemoryBudget::sizeText(historyBytes(1000).size())), qPrintable(checked.message()));
        QVERIFY2(checked.message().contains(QStringLiteral("start Sorvane again")), qPrintable(checked.message()));
    }
    QVERIFY(CMemoryBudget::checkHistory(home.path() + QStringLiteral("/missing.dat"), 0));
}

QTEST_GUILESS_MAIN(tst_DataFile)
#include "tst_DataFile.moc"
