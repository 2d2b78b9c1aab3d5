#include "rankservice/crux/CCruxList.h"
#include "rankservice/crux/CCruxMonths.h"
#include "rankservice/crux/CCruxMonthsCache.h"
#include "rankservice/crux/CCruxOrigins.h"
#include "rankservice/lists/CListPacker.h"
#include "rankservice/lists/CListSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QTest>

namespace {

const QDate November(2026, 11, 1);

QByteArray listOf(const QStringList &rows)
{
    QByteArray text = "origin,rank\n";
    for (const QString &row : rows)
        text += row.toLatin1() + '\n';
    return text;
}

} // namespace

class tst_CruxMonths : public QObject
{
    Q_OBJECT

private slots:
    void takesTheBestBucketOfTheNamesOrigins_data();
    void takesTheBestBucketOfTheNamesOrigins();
    void refusesWhatIsNoCruxList_data();
    void refusesWhatIsNoCruxList();
    void takesTheMonthThatCoversTheDay_data();
    void takesTheMonthThatCoversTheDay();
    void takesTheMonthsFromTheirCacheOnlyWhenWhole_data();
    void takesTheMonthsFromTheirCacheOnlyWhenWhole();

private:
    CCruxOrigins m_origins;
};

void tst_CruxMonths::takesTheBestBucketOfTheNamesOrigins_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("bucket");

    QTest::newRow("the host itself") << QStringList{"https://example.com,5000"} << "example.com" << 5000;
    QTest::newRow("its www form") << QStringList{"https://www.example.com,10000"} << "example.com" << 10000;
    QTest::newRow("asked with www") << QStringList{"https://example.com,10000"} << "www.example.com" << 10000;
    QTest::newRow("asked in capitals") << QStringList{"https://example.com,10000"} << "Example.COM" << 10000;
    QTest::newRow("http and a port") << QStringList{"http://example.com:8443,50000"} << "example.com" << 50000;
    QTest::newRow("the best of its origins")
        << QStringList{"https://www.example.com,100000", "http://example.com,50000", "https://shop.example.com,1000",
                       "https://other.com,1000"}
        << "example.com" << 1000;
    QTest::newRow("a host under a registrable domain")
        << QStringList{"https://shop.example.co.uk,500000"} << "example.co.uk" << 500000;
    QTest::newRow("a deeper host under it")
        << QStringList{"https://a.b.example.co.uk:444,1000000"} << "example.co.uk" << 1000000;
    QTest::newRow("a public suffix takes nothing") << QStringList{"https://shop.example.co.uk,1000"} << "co.uk" << 0;
    QTest::newRow("github.io is no registrable domain")
        << QStringList{"https://user.github.io,1000"} << "github.io" << 0;
    QTest::newRow("a name under github.io is one")
        << QStringList{"https://docs.user.github.io,5000"} << "user.github.io" << 5000;
    QTest::newRow("a subdomain takes its www form")
        << QStringList{"https://www.shop.example.com,5000"} << "shop.example.com" << 5000;
    QTest::newRow("a subdomain takes no host under it")
        << QStringList{"https://a.shop.example.com,5000"} << "shop.example.com" << 0;
    QTest::newRow("a subdomain takes not its parent") << QStringList{"https://example.com,1000"} << "shop.example.com" << 0;
    QTest::newRow("a name ending alike is no parent") << QStringList{"https://example.com,1000"} << "ample.com" << 0;
    QTest::newRow("a name in no origin") << QStringList{"https://example.com,1000"} << "absent.test" << 0;
    QTest::newRow("an address names no domain")
        << QStringList{"https://[::1]:8080,1000", "https://example.com,1000"} << "::1" << 0;
}

void tst_CruxMonths::takesTheBestBucketOfTheNamesOrigins()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, name);
    QFETCH(int, bucket);
    CCruxMonths months;
    const CResult<qint64> added = months.addText(November, listOf(rows), m_origins);
    QVERIFY2(added, qPrintable(added.message()));
    QCOMPARE(months.bucketOn(name, QDate(2026, 11, 20)), bucket);
}

void tst_CruxMonths::refusesWhatIsNoCruxList_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("refusal"); // empty: read

    QByteArray garbage = "origin,rank\nhttps://example.com,1000\n";
    for (int i = 0; i < 1000; ++i)
        garbage += "not an origin\n";
    QByteArray overfull = "origin,rank\n";
    for (int i = 0; i < 1101; ++i)
        overfull += "https://site" + QByteArray::number(i) + ".test,1000\n";

    QTest::newRow("a real list") << QByteArray("\xEF\xBB\xBForigin,rank\r\nhttps://a.test,1000\r\nhttp://b.test:81,5000")
                                 << QString();
    QTest::newRow("no header") << QByteArray("https://a.test,1000\n") << "the first line is not \"origin,rank\"";
    QTest::newRow("a tranco list") << QByteArray("1,google.com\n2,a.test\n") << "the first line is not \"origin,rank\"";
    QTest::newRow("a rank that is no bucket") << QByteArray("origin,rank\nhttps://a.test,1000\nhttps://b.test,1234\n")
                                              << "the rank 1234 on line 3 is no bucket";
    QTest::newRow("more than the top 1,000") << overfull << "more than 1000 origins among the top 1000";
    QTest::newRow("mostly garbage") << garbage << "1000 of 1001 lines are no origin and bucket";
    QTest::newRow("only the header") << QByteArray("origin,rank\n") << "it holds no origin";
}

void tst_CruxMonths::refusesWhatIsNoCruxList()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, refusal);
    CCruxMonths months;
    const CResult<qint64> added = months.addText(November, text, m_origins);
    if (refusal.isEmpty()) {
        QVERIFY2(added, qPrintable(added.message()));
        QCOMPARE(months.bucketOn(u"b.test", November), 5000);
        return;
    }
    QVERIFY(!added);
    QCOMPARE(added.message(), QStringLiteral("is no Chrome UX Report list: ") + refusal);
    QCOMPARE(months.monthsHeld(), 0);
}

void tst_CruxMonths::takesTheMonthThatCoversTheDay_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QDate>("month"); // invalid: none
    QTest::addColumn<int>("bucket");

    // Held: August (top 1,000) and November (top 5,000).
    QTest::newRow("a day of a held month") << QDate(2026, 11, 30) << November << 5000;
    QTest::newRow("the month after") << QDate(2026, 12, 9) << November << 5000;
    QTest::newRow("two months after") << QDate(2027, 1, 31) << November << 5000;
    QTest::newRow("three months after") << QDate(2027, 2, 1) << QDate() << 0;
    QTest::newRow("between two held months") << QDate(2026, 10, 1) << QDate(2026, 8, 1) << 1000;
    QTest::newRow("before every held month") << QDate(2026, 7, 31) << QDate() << 0;
}

void tst_CruxMonths::takesTheMonthThatCoversTheDay()
{
    QFETCH(QDate, day);
    QFETCH(QDate, month);
    QFETCH(int, bucket);
    CCruxMonths months;
    QVERIFY(months.addText(November, listOf({"https://example.com,5000"}), m_origins));
    QVERIFY(months.addText(QDate(2026, 8, 15), listOf({"https://www.example.com,1000"}), m_origins));
    QDate used;
    QCOMPARE(months.bucketOn(u"example.com", day, &used), bucket);
    QCOMPARE(used, month);
    QCOMPARE(months.newestMonth(), November);
}

void tst_CruxMonths::takesTheMonthsFromTheirCacheOnlyWhenWhole_data()
{
    QTest::addColumn<QString>("change"); // to the folder, after the first load wrote the cache
    QTest::addColumn<bool>("fromCache");
    QTest::addColumn<QString>("problem"); // of the second load; empty: none
    QTest::addColumn<int>("bucket");      // of example.com as of the newest month

    QTest::newRow("unchanged") << QString() << true << QString() << 1000;
    QTest::newRow("a month listed anew") << QStringLiteral("month") << false << QString() << 5000;
    QTest::newRow("cut short") << QStringLiteral("cut") << false << QStringLiteral("damaged (checksum)") << 1000;
    QTest::newRow("a byte changed") << QStringLiteral("byte") << false << QStringLiteral("damaged (checksum)") << 1000;
    QTest::newRow("longer than the months can make")
        << QStringLiteral("long") << false << QStringLiteral("more than the months can make") << 1000;
    QTest::newRow("a link to a cache") << QStringLiteral("link") << false << QStringLiteral("a symbolic link") << 1000;
    QTest::newRow("another file's name") << QStringLiteral("folder") << false << QStringLiteral("not a regular file") << 1000;
}

void tst_CruxMonths::takesTheMonthsFromTheirCacheOnlyWhenWhole()
{
    QFETCH(QString, change);
    QFETCH(bool, fromCache);
    QFETCH(QString, problem);
    QFETCH(int, bucket);
    const QDate today = CListSource::today();
    const QDate newest = QDate(today.year(), today.month(), 1).addMonths(-1);
    QTemporaryDir dir;
    const auto writeMonth = [&dir](const QDate &month, const QByteArray &rows) {
        QFile file(dir.filePath(CListSource::monthFileName(month)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(CListPacker::gzip("origin,rank\n" + rows));
    };
    writeMonth(newest, "https://www.example.com,1000\nhttps://other.test,5000\n");
    writeMonth(newest.addMonths(-3), "https://example.com,10000\n");
    CCruxMonths first;
    const CCruxMonths::Report written = first.load(dir.path(), today, 365);
    QVERIFY2(written.problems.isEmpty(), qPrintable(written.problems.join(u'\n')));
    QVERIFY(!written.fromCache);

    const QString cache = dir.filePath(CCruxMonthsCache::FileName);
    QFile file(cache);
    if (change == u"month") {
        QTest::qWait(10); // a time of its own
        writeMonth(newest, "https://example.com,5000\nhttps://other.test,5000\n");
    } else if (change == u"cut") {
        QVERIFY(file.resize(file.size() - 5));
    } else if (change == u"byte" || change == u"long") {
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        if (change == u"byte")
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
        else
            bytes += QByteArray(64 << 20, '\0');
        QVERIFY(file.seek(0));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
    } else if (change == u"link") {
        QVERIFY(QFile::rename(cache, dir.filePath(QStringLiteral("elsewhere"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), cache));
    } else if (change == u"folder") {
        QVERIFY(QFile::remove(cache));
        QVERIFY(QDir(dir.path()).mkdir(CCruxMonthsCache::FileName));
    }

    CCruxMonths again;
    const CCruxMonths::Report report = again.load(dir.path(), today, 365);
    QCOMPARE(report.fromCache, fromCache);
    QCOMPARE(report.months, 2);
    if (problem.isEmpty())
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.problems.join(u'\n')));
    else
        QVERIFY2(!report.problems.isEmpty() && report.problems.constFirst().contains(problem),
                 qPrintable(report.problems.join(u'\n')));
    QCOMPARE(again.bucketOn(u"example.com", today), bucket);
    QCOMPARE(again.bucketOn(u"other.test", newest), 5000);
    QCOMPARE(again.bucketOn(u"example.com", newest.addMonths(-2)), 10000);
    QCOMPARE(again.newestMonth(), newest);
}

QTEST_GUILESS_MAIN(tst_CruxMonths)
#include "tst_CruxMonths.moc"
