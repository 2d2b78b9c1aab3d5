#include "CFullDisk.h"
#include "rankservice/store/CRankFile.h"
#include "rankservice/store/CSnapshotStore.h"
#include "rankservice/store/CStoreCache.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

const QDate Newest(2026, 3, 31);
const QDate Today = Newest.addDays(1);
const int HeldDays = 95;

QString fileFor(int age, const char *suffix = ".csv")
{
    return QStringLiteral("list-") + Newest.addDays(-age).toString(Qt::ISODate) + QLatin1StringView(suffix);
}

// The list of a day: names drift day by day, some written with capitals or
// "www.", one listed twice, one line malformed.
QByteArray listOfDay(int age)
{
    QByteArray text;
    for (int rank = 1; rank <= 40; ++rank) {
        const int id = (rank * 7 + age * 3) % 60;
        text += QByteArray::number(rank) + (id % 5 == 0 ? ",WWW.Site" : ",site") + QByteArray::number(id) + ".test\n";
    }
    text += "41,site" + QByteArray::number(age % 60) + ".test\nnot a line\n";
    return text;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// A folder of 100 daily lists (five older than the days held, five past
// the window, held in rank files) and two United States lists.
void writeLists(const QTemporaryDir &dir)
{
    for (int age = 0; age < 100; ++age)
        QVERIFY(writeFile(dir.filePath(fileFor(age)), listOfDay(age)));
    QVERIFY(writeFile(dir.filePath(fileFor(1, ".us.csv")), "1,site3.test\n2,site9.test\n"));
    QVERIFY(writeFile(dir.filePath(fileFor(5, ".us.csv")), "1,site4.test\n"));
}

// The cache up to one of its blocks (the list of files, the names or the
// first day's ranks), then a length of 4 GiB for that block, in a sparse
// file as long as that claim with a whole trailer: every size agrees with
// the file's length, and it takes no disk.
bool writeHugeClaim(const QString &path, const QByteArray &cache, const QString &block)
{
    constexpr qsizetype HeaderSize = 24;
    const auto sectionEnd = [&cache](qsizetype at) {
        quint64 size = 0;
        std::memcpy(&size, cache.constData() + at, sizeof size);
        return at + qsizetype(sizeof size) + qsizetype(size);
    };
    qsizetype at = HeaderSize; // the list of files
    if (block != u"meta")
        at = sectionEnd(at); // the names
    if (block == u"ranks")
        at = sectionEnd(at); // the newest day's ranks
    QByteArray start = cache.left(at);
    const quint64 claim = quint64(4) << 30;
    start.append(reinterpret_cast<const char *>(&claim), sizeof claim);
    QFile huge(path);
    if (!huge.open(QIODevice::WriteOnly | QIODevice::Truncate) || huge.write(start) != start.size())
        return false;
    const quint64 length = quint64(start.size()) + claim + 24;
    if (!huge.resize(qint64(length) - 24) || !huge.seek(qint64(length) - 24))
        return false;
    const quint64 checksum = 0;
    huge.write(reinterpret_cast<const char *>(&checksum), sizeof checksum);
    huge.write(reinterpret_cast<const char *>(&length), sizeof length);
    return huge.write("SRVC-END", 8) == 8;
}

// Damages the first rank file of folder as how says. Never in place: the
// store loaded before still reads it, and is compared with afterwards.
void damageRankFile(const QString &folder, const QString &how, const QString &outside)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.ranks")}, QDir::Files, QDir::Name);
    QVERIFY(!names.isEmpty());
    const QString path = QDir(folder).filePath(names.constFirst());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    QVERIFY(QFile::remove(path));
    if (how == u"remove")
        return;
    constexpr qsizetype CountAt = 16;
    constexpr qsizetype StampAt = 32;
    if (how == u"cut")
        bytes.chop(9);
    else if (how == u"append")
        bytes += "more";
    else if (how == u"count" || how == u"stamp")
        bytes[how == u"count" ? CountAt + 2 : StampAt] = char(bytes[how == u"count" ? CountAt + 2 : StampAt] ^ 0x10);
    if (how == u"link") {
        QVERIFY(writeFile(outside, bytes));
        QVERIFY(QFile::link(outside, path));
        return;
    }
    QVERIFY(writeFile(path, bytes));
}

CSnapshotStore::LoadOptions options()
{
    CSnapshotStore::LoadOptions o;
    o.today = Today;
    o.heldDays = HeldDays;
    return o;
}

QString cachePath(const QTemporaryDir &dir)
{
    return dir.filePath(CSnapshotStore::CacheFileName);
}

// Loads the lists and writes their cache; returns the fingerprint written.
QByteArray loadAndCache(const QTemporaryDir &dir, CSnapshotStore &store, CSnapshotStore::Report &report)
{
    const QByteArray print = CStoreCache::fingerprint(dir.path(), options());
    report = store.load(dir.path(), options());
    const CResult<void> written = CStoreCache::write(cachePath(dir), store, report, print);
    if (!written)
        qWarning("cache not written: %s", qPrintable(written.message()));
    return print;
}

void compareStores(const CSnapshotStore &actual, const CSnapshotStore &expected)
{
    QCOMPARE(actual.newestDay(), expected.newestDay());
    QCOMPARE(actual.newestUsDay(), expected.newestUsDay());
    QCOMPARE(actual.daysHeld(), expected.daysHeld());
    QCOMPARE(actual.rowsHeld(), expected.rowsHeld());
    QCOMPARE(actual.domainCount(), expected.domainCount());
    for (int id = 0; id < 70; ++id) {
        for (const QString &name : {QStringLiteral("site%1.test").arg(id), QStringLiteral("www.SITE%1.test").arg(id)})
            QCOMPARE(actual.figures(name), expected.figures(name));
    }
    QCOMPARE(actual.figures(u"absent.test"), CSiteFigures());
    // The ranks of each held day, behind the pages of past days.
    for (int age = 0; age < 100; age += 3) {
        for (int id = 0; id < 70; id += 4) {
            const QString name = QStringLiteral("site%1.test").arg(id);
            QDate actualDay;
            QDate expectedDay;
            QCOMPARE(actual.figuresAsOf(name, Today.addDays(-age), &actualDay),
                     expected.figuresAsOf(name, Today.addDays(-age), &expectedDay));
            QCOMPARE(actualDay, expectedDay);
        }
    }
}

void compareReports(const CSnapshotStore::Report &actual, const CSnapshotStore::Report &expected)
{
    QCOMPARE(actual.summary(), expected.summary());
    QCOMPARE(actual.problems, expected.problems);
}

} // namespace

class tst_StoreCache : public QObject
{
    Q_OBJECT

private slots:
    void answersAsTheListsDo();
    void goesStaleWhenTheListsChange_data();
    void goesStaleWhenTheListsChange();
    void neverTrustsADamagedCache_data();
    void neverTrustsADamagedCache();
    void namesAFailedWrite();
};

void tst_StoreCache::answersAsTheListsDo()
{
    QTemporaryDir dir;
    writeLists(dir);
    // Names enough that the cache writes them in several pieces.
    QByteArray longer = listOfDay(3);
    for (int rank = 42; rank < 100000; ++rank)
        longer += QByteArray::number(rank) + ",bulk" + QByteArray::number(rank) + ".test\n";
    QVERIFY(writeFile(dir.filePath(fileFor(3)), longer));
    // What a service stopped while writing leaves behind goes with the next write.
    const QString leftOver = cachePath(dir) + QStringLiteral(".Ab12Cd");
    QVERIFY(writeFile(leftOver, "half a cache"));
    CSnapshotStore cold;
    CSnapshotStore::Report coldReport;
    const QByteArray print = loadAndCache(dir, cold, coldReport);
    QVERIFY(!QFileInfo::exists(leftOver));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral(".sorvane*")}, QDir::Files | QDir::Hidden),
             QStringList{CSnapshotStore::CacheFileName});
    QVERIFY(coldReport.malformedLines > 0);
    QVERIFY(coldReport.duplicateLines > 0);
    QCOMPARE(coldReport.days, HeldDays);
    QCOMPARE(cold.daysOnDisk(), HeldDays - CSnapshotStore::WindowDays);

    CSnapshotStore cached;
    CSnapshotStore::Report cachedReport;
    const CStoreCache::Read read = CStoreCache::read(cachePath(dir), CStoreCache::fingerprint(dir.path(), options()), cached, cachedReport);
    QVERIFY2(read.outcome == CStoreCache::Outcome::Used, qPrintable(read.why));
    compareStores(cached, cold);
    compareReports(cachedReport, coldReport);
    QCOMPARE(QDir(cached.folder()).canonicalPath(), QDir(dir.path()).canonicalPath());

    // A day added to the store read from the cache comes out as one added
    // to the store loaded from the lists.
    QVERIFY(writeFile(dir.filePath(QStringLiteral("list-") + Today.toString(Qt::ISODate) + QStringLiteral(".csv")),
                      listOfDay(-1)));
    const CSnapshotStore::Report grownCached = cached.addNewer(dir.path(), Today);
    const CSnapshotStore::Report grownCold = cold.addNewer(dir.path(), Today);
    QCOMPARE(grownCached.days, 1);
    QCOMPARE(grownCached.problems, grownCold.problems);
    compareStores(cached, cold);
    QVERIFY(print != CStoreCache::fingerprint(dir.path(), options()));
}

void tst_StoreCache::goesStaleWhenTheListsChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("list rewritten, same size") << QStringLiteral("rewrite");
    QTest::newRow("list touched") << QStringLiteral("touch");
    QTest::newRow("list added") << QStringLiteral("add");
    QTest::newRow("list removed") << QStringLiteral("remove");
    QTest::newRow("list renamed") << QStringLiteral("rename");
    QTest::newRow("list dated after today now due") << QStringLiteral("future");
}

void tst_StoreCache::goesStaleWhenTheListsChange()
{
    QFETCH(QString, change);
    QTemporaryDir dir;
    writeLists(dir);
    if (change == u"future")
        QVERIFY(writeFile(dir.filePath(QStringLiteral("list-") + Today.addDays(1).toString(Qt::ISODate)
                                       + QStringLiteral(".csv")),
                          listOfDay(-2)));
    CSnapshotStore cold;
    CSnapshotStore::Report coldReport;
    loadAndCache(dir, cold, coldReport);

    CSnapshotStore::LoadOptions later = options();
    const QString changed = dir.filePath(fileFor(3));
    if (change == u"rewrite") {
        QByteArray text = listOfDay(3);
        text.replace("site", "SITE");
        QVERIFY(writeFile(changed, text));
        QFile file(changed);
        QVERIFY(file.open(QIODevice::ReadWrite));
        // The same time as before would hide nothing: the time is part of it, and so is the content's size.
        QVERIFY(file.setFileTime(QFileInfo(changed).lastModified().addSecs(1), QFileDevice::FileModificationTime));
    } else if (change == u"touch") {
        QFile file(changed);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QFileInfo(changed).lastModified().addSecs(-3600), QFileDevice::FileModificationTime));
    } else if (change == u"add") {
        QVERIFY(writeFile(dir.filePath(fileFor(1, ".extra.csv")), listOfDay(50)));
    } else if (change == u"remove") {
        QVERIFY(QFile::remove(changed));
    } else if (change == u"rename") {
        QVERIFY(QFile::rename(changed, dir.filePath(fileFor(3, ".old.csv"))));
    } else if (change == u"future") {
        later.today = Today.addDays(1);
    }

    CSnapshotStore store;
    CSnapshotStore::Report report;
    const CStoreCache::Read read = CStoreCache::read(cachePath(dir), CStoreCache::fingerprint(dir.path(), later), store, report);
    QCOMPARE(read.outcome, CStoreCache::Outcome::Stale);
    QVERIFY(!read.why.isEmpty());
    QCOMPARE(store.domainCount(), 0);
    QCOMPARE(report.days, 0);
}

void tst_StoreCache::neverTrustsADamagedCache_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("why"); // part of the reason given
    const int damaged = int(CStoreCache::Outcome::Damaged);
    QTest::newRow("empty") << QStringLiteral("empty") << damaged << QStringLiteral("cut short");
    QTest::newRow("cut to its header") << QStringLiteral("cut:24") << damaged << QStringLiteral("cut short");
    QTest::newRow("cut in half") << QStringLiteral("half") << damaged << QStringLiteral("cut short");
    QTest::newRow("last byte missing") << QStringLiteral("cut:-1") << damaged << QStringLiteral("no end mark");
    QTest::newRow("a byte too many") << QStringLiteral("append") << damaged << QStringLiteral("no end mark");
    QTest::newRow("byte flipped in the header") << QStringLiteral("flip:2") << damaged << QStringLiteral("not a cache");
    QTest::newRow("byte flipped in the report") << QStringLiteral("flip:report") << damaged << QStringLiteral("damaged");
    QTest::newRow("byte flipped among the names") << QStringLiteral("flip:names") << damaged << QStringLiteral("damaged");
    QTest::newRow("byte flipped among the sums") << QStringLiteral("flip:-100") << damaged << QStringLiteral("damaged");
    QTest::newRow("byte flipped in the checksum") << QStringLiteral("flip:-24") << damaged << QStringLiteral("checksum");
    QTest::newRow("length in the trailer wrong") << QStringLiteral("flip:-16") << damaged << QStringLiteral("no end mark");
    QTest::newRow("garbage") << QStringLiteral("garbage") << damaged << QStringLiteral("no end mark");
    QTest::newRow("another version") << QStringLiteral("version") << int(CStoreCache::Outcome::Stale)
                                     << QStringLiteral("another version");
    QTest::newRow("no cache") << QStringLiteral("remove") << int(CStoreCache::Outcome::Absent) << QStringLiteral("no cache");
    QTest::newRow("a pipe of its name") << QStringLiteral("fifo") << damaged << QStringLiteral("a pipe, not a regular file");
    QTest::newRow("a link to the cache") << QStringLiteral("link") << damaged << QStringLiteral("symbolic link");
    QTest::newRow("a link to a pipe") << QStringLiteral("link:fifo") << damaged << QStringLiteral("symbolic link");
    QTest::newRow("a link to nothing") << QStringLiteral("link:none") << damaged << QStringLiteral("symbolic link");
    // Sparse files as long as they claim, a whole trailer at their end: every
    // size agrees with the file's length, so only the bounds refuse them.
    QTest::newRow("names claiming 4 GiB") << QStringLiteral("huge:names") << damaged
                                          << QStringLiteral("4.0 GiB claimed for the names");
    QTest::newRow("its list of files claiming 4 GiB") << QStringLiteral("huge:meta") << damaged
                                                      << QStringLiteral("4.0 GiB claimed for the list of files");
    QTest::newRow("a day's ranks claiming 4 GiB") << QStringLiteral("huge:ranks") << damaged
                                                  << QStringLiteral("4.0 GiB claimed for the ranks of");
    // The rank files of the days past the window, which the cache names.
    QTest::newRow("a rank file cut short") << QStringLiteral("rank:cut") << damaged
                                           << QStringLiteral("bytes long where");
    QTest::newRow("a rank file longer than written") << QStringLiteral("rank:append") << damaged
                                                     << QStringLiteral("bytes long where");
    QTest::newRow("a rank file whose parts claim more than it holds") << QStringLiteral("rank:count") << damaged
                                                                      << QStringLiteral("its parts need");
    QTest::newRow("a rank file of another load") << QStringLiteral("rank:stamp") << damaged
                                                 << QStringLiteral("not the file the cache names");
    QTest::newRow("a rank file missing") << QStringLiteral("rank:remove") << damaged << QStringLiteral("missing");
    QTest::newRow("a link as a rank file") << QStringLiteral("rank:link") << damaged << QStringLiteral("symbolic link");
}

// Every way a cache can be wrong is named and refused, costing neither
// memory nor time, and what is held stays as it was; writing the cache
// afterwards never goes through a link nor into anything but a new regular
// file renamed over the name.
void tst_StoreCache::neverTrustsADamagedCache()
{
    QFETCH(QString, damage);
    QFETCH(int, outcome);
    QFETCH(QString, why);
    QTemporaryDir dir;
    writeLists(dir);
    CSnapshotStore cold;
    CSnapshotStore::Report coldReport;
    const QByteArray print = loadAndCache(dir, cold, coldReport);

    QFile file(cachePath(dir));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    QVERIFY(bytes.size() > 1000);
    const QString how = damage.section(u':', 0, 0);
    const QString where = damage.section(u':', 1);
    const auto at = [&](const QString &place) {
        if (place == u"names")
            return qsizetype(bytes.indexOf("site17.test"));
        if (place == u"report") // a problem line, as QDataStream writes text
            return qsizetype(bytes.indexOf(QByteArray("\0s\0k\0i\0p\0p\0e\0d", 14)));
        const qsizetype offset = place.toLongLong();
        return offset < 0 ? bytes.size() + offset : offset;
    };
    // Outside the folder: what a link points at, which must stay as it is.
    QTemporaryDir outside;
    const QString target = outside.filePath(QStringLiteral("target"));
    if (how == u"empty") {
        bytes.clear();
    } else if (how == u"cut") {
        bytes.truncate(at(where));
    } else if (how == u"half") {
        bytes.truncate(bytes.size() / 2);
    } else if (how == u"append") {
        bytes += 'x';
    } else if (how == u"flip") {
        QVERIFY(at(where) > 0);
        bytes[at(where)] = char(bytes[at(where)] ^ 0x10);
    } else if (how == u"garbage") {
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 131 + 7) % 251);
    } else if (how == u"version") {
        bytes[8] = char(bytes[8] + 1);
    }
    if (how == u"remove") {
        QVERIFY(QFile::remove(cachePath(dir)));
    } else if (how == u"fifo") {
        // Opened as it is, a pipe no one writes to would hold the read forever.
        QVERIFY(QFile::remove(cachePath(dir)));
        QCOMPARE(::mkfifo(QFile::encodeName(cachePath(dir)).constData(), 0600), 0);
    } else if (how == u"link") {
        QVERIFY(QFile::remove(cachePath(dir)));
        if (where == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
        else if (where.isEmpty())
            QVERIFY(writeFile(target, bytes));
        QVERIFY(QFile::link(target, cachePath(dir)));
    } else if (how == u"huge") {
        QVERIFY(writeHugeClaim(cachePath(dir), bytes, where));
    } else if (how == u"rank") {
        damageRankFile(dir.filePath(CRankFile::FolderName), where, target);
    } else {
        QVERIFY(writeFile(cachePath(dir), bytes));
    }
    const auto targetState = [&target]() -> QByteArray {
        struct stat st;
        if (::lstat(QFile::encodeName(target).constData(), &st) != 0)
            return QByteArray("none");
        QFile f(target);
        return QByteArray::number(st.st_mode) + ' ' + (S_ISREG(st.st_mode) && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    };
    const QByteArray targetBefore = targetState();

    // What is held stays as it was.
    CSnapshotStore store;
    store.load(dir.path(), options());
    CSnapshotStore::Report report = coldReport;
    report.problems << QStringLiteral("untouched");
    const CStoreCache::Read read = CStoreCache::read(cachePath(dir), print, store, report);
    QCOMPARE(int(read.outcome), outcome);
    QVERIFY2(read.why.contains(why), qPrintable(read.why));
    QCOMPARE(report.problems.constLast(), QStringLiteral("untouched"));
    compareStores(store, cold);

    // Written anew, from the lists read again (the held rank files may be
    // the damaged ones): into a file of its own, never through a link.
    const CResult<void> written = CStoreCache::write(cachePath(dir), store, coldReport, print);
    QCOMPARE(targetState(), targetBefore);
    const QStringList left = QDir(dir.path()).entryList({CSnapshotStore::CacheFileName + QStringLiteral(".*")},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(left, QStringList());
    struct stat st;
    QCOMPARE(::lstat(QFile::encodeName(cachePath(dir)).constData(), &st), 0);
    if (how == u"link" || how == u"fifo") {
        QVERIFY(!written);
        QVERIFY2(written.message().contains(QStringLiteral("not a regular file; left as it is")), qPrintable(written.message()));
        QVERIFY(!S_ISREG(st.st_mode));
        return;
    }
    QVERIFY2(written, qPrintable(written.message()));
    QVERIFY(S_ISREG(st.st_mode));
    CSnapshotStore again;
    CSnapshotStore::Report againReport;
    QCOMPARE(int(CStoreCache::read(cachePath(dir), print, again, againReport).outcome), int(CStoreCache::Outcome::Used));
    compareStores(again, cold);
}

// A file-size limit (or a full disk) fails the write with the system's
// words; nothing of it is left, and the cache there before stays.
void tst_StoreCache::namesAFailedWrite()
{
    QTemporaryDir dir;
    writeLists(dir);
    CSnapshotStore store;
    CSnapshotStore::Report report;
    const QByteArray print = loadAndCache(dir, store, report);
    QFile before(cachePath(dir));
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray whole = before.readAll();
    before.close();
    CResult<void> written = CResult<void>::success();
    {
        const CFullDisk full(4096);
        written = CStoreCache::write(cachePath(dir), store, report, print);
    }
    QVERIFY(!written);
    QVERIFY2(written.message().contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(written.message()));
    QCOMPARE(QDir(dir.path()).entryList({CSnapshotStore::CacheFileName + QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
             QStringList());
    QFile after(cachePath(dir));
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), whole);
}

QTEST_GUILESS_MAIN(tst_StoreCache)
#include "tst_StoreCache.moc"
