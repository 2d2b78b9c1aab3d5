#include "CFullDisk.h"
#include "CPublisher.h"
#include "rankservice/crux/CCruxMonths.h"
#include "rankservice/fetch/CFetchPacer.h"
#include "rankservice/fetch/CFetchPlan.h"
#include "rankservice/fetch/CRetryAfter.h"
#include "rankservice/fetch/CFolderLock.h"
#include "rankservice/fetch/CListUpdater.h"
#include "rankservice/lists/CListPacker.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimeZone>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include <ctime>
#include <cstdlib>

using namespace std::chrono_literals;

namespace {

// A list of rows "rank,site<n>.test" whose ranks shift with the day, so that
// every day's list differs.
QByteArray listText(int day, int rows = 20)
{
    QByteArray text;
    for (int rank = 1; rank <= rows; ++rank)
        text += QByteArray::number(rank) + ",site" + QByteArray::number((rank + day) % rows) + ".test\r\n";
    return text;
}

QByteArray majesticText(int rows = 20)
{
    QByteArray text = "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain,IDN_TLD,PrevGlobalRank,"
                      "PrevTldRank,PrevRefSubNets,PrevRefIPs\n";
    for (int rank = 1; rank <= rows; ++rank)
        text += QByteArray::number(rank) + ",1,site" + QByteArray::number(rank) + ".test,test,9,9,site"
            + QByteArray::number(rank) + ".test,test,1,1,9,9\n";
    return text;
}

// A month of Chrome's United States list: twelve sites, site1.test in bucket.
QByteArray cruxMonth(int bucket, const QByteArray &badRow = {})
{
    QByteArray text = "origin,rank\n" + badRow;
    for (int i = 1; i <= 12; ++i)
        text += "https://www.site" + QByteArray::number(i) + ".test," + QByteArray::number(i == 1 ? bucket : 1000000) + '\n';
    return CListPacker::gzip(text);
}

// The publishers' day, which the updater asks for.
const QDate Today = CListSource::today();

QByteArray dated(const char *pattern, int back)
{
    return QByteArray(pattern).replace("%D", Today.addDays(-back).toString(Qt::ISODate).toLatin1());
}

CListUpdater::Settings quickSettings(int days)
{
    CListUpdater::Settings settings;
    settings.days = days;
    settings.timeout = 300ms;
    settings.attempts = 2;
    settings.backOff = 20ms;
    settings.minRows = 10;
    return settings;
}

// Every file but the update lock.
QStringList filesIn(const QString &folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    files.removeAll(CFolderLock::FileName);
    return files;
}

// A pacer whose time passes only by its waits, which it keeps.
class CVirtualPacer : public CFetchPacer
{
public:
    std::chrono::milliseconds time{0};
    QList<std::chrono::milliseconds> waits;

protected:
    std::chrono::milliseconds now() const override { return time; }
    void wait(std::chrono::milliseconds span) override
    {
        waits << span;
        time += span;
    }
};

} // namespace

class tst_ListUpdater : public QObject
{
    Q_OBJECT

private slots:
    void fetchesEachSourceOnce_data();
    void fetchesEachSourceOnce();
    void reportsFaultsAndKeepsWhatWasHeld_data();
    void reportsFaultsAndKeepsWhatWasHeld();
    void takesThePublishersAnswers_data();
    void takesThePublishersAnswers();
    void followsOnlySafeRedirects_data();
    void followsOnlySafeRedirects();
    void endsATrickle();
    void leavesAFailingPublisherForTheNextRun_data();
    void leavesAFailingPublisherForTheNextRun();
    void namesTheSystemsError();
    void oneUpdateAtATimePerFolder();
    void fetchesTheUnitedStatesMonths();
    void fetchesAYearPacedAndGoesOnAfterAnInterruption();
    void keepsOneListEveryNDays_data();
    void keepsOneListEveryNDays();
    void readsRetryAfter_data();
    void readsRetryAfter();
};

void tst_ListUpdater::followsOnlySafeRedirects_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("allowed");
    // From http://lists.test/daily, the configured address being https://mirror.test.
    QTest::newRow("same host, other path") << QStringLiteral("http://lists.test/zip/1.csv.zip") << true;
    QTest::newRow("host in capitals") << QStringLiteral("http://LISTS.test/zip") << true;
    QTest::newRow("up to https") << QStringLiteral("https://lists.test/daily") << true;
    QTest::newRow("configured host") << QStringLiteral("https://mirror.test/daily") << true;
    QTest::newRow("error: https on another port") << QStringLiteral("https://lists.test:8443/daily") << false;
    QTest::newRow("error: another port") << QStringLiteral("http://lists.test:8080/daily") << false;
    QTest::newRow("error: another host") << QStringLiteral("http://elsewhere.test/daily") << false;
    QTest::newRow("error: a private address") << QStringLiteral("http://127.0.0.1:631/") << false;
    QTest::newRow("error: another scheme") << QStringLiteral("ftp://lists.test/daily") << false;
}

void tst_ListUpdater::followsOnlySafeRedirects()
{
    QFETCH(QString, to);
    QFETCH(bool, allowed);
    const QUrl configured(QStringLiteral("https://mirror.test"));
    QCOMPARE(CListUpdater::redirectAllowed(QUrl(QStringLiteral("http://lists.test/daily")), QUrl(to), configured),
             allowed);
    // Never down from https.
    QVERIFY(!CListUpdater::redirectAllowed(QUrl(QStringLiteral("https://lists.test/daily")),
                                           QUrl(QStringLiteral("http://lists.test/daily")), configured));
}

void tst_ListUpdater::namesTheSystemsError()
{
    // A disk that takes no more than 64 bytes of any file: the problem
    // says what the system said, and nothing half-written is kept.
    CPublisher publisher;
    publisher.routes.insert(dated("/top-1m-%D.csv.zip", 0),
                            CPublisher::Route{200, CListPacker::zip(QStringLiteral("top-1m.csv"), listText(0))});
    std::optional<CListSource> list = CListSource::byName(QStringLiteral("umbrella"));
    list->setBase(publisher.base());
    QTemporaryDir data;
    CListUpdater updater(*list, data.path(), quickSettings(1));
    CListUpdater::Summary summary;
    {
        const CFullDisk full(64);
        summary = updater.run();
    }
    QCOMPARE(summary.failed, 1);
    QVERIFY2(summary.problems.value(0).contains(QString::fromLocal8Bit(std::strerror(EFBIG))),
             qPrintable(summary.problems.value(0)));
    // A write that failed is not tried again, and not said to be.
    QVERIFY2(!summary.problems.value(0).contains(QStringLiteral("attempts")), qPrintable(summary.problems.value(0)));
    QCOMPARE(filesIn(list->folder(data.path())).filter(QStringLiteral(".csv")), QStringList());
}

void tst_ListUpdater::fetchesEachSourceOnce_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("fetched");
    QTest::addRow("tranco") << QStringLiteral("tranco") << 3;
    QTest::addRow("umbrella") << QStringLiteral("umbrella") << 3;
    QTest::addRow("majestic") << QStringLiteral("majestic") << 1;
}

void tst_ListUpdater::fetchesEachSourceOnce()
{
    QFETCH(QString, source);
    QFETCH(int, fetched);

    CPublisher publisher;
    QVERIFY(publisher.isListening());
    for (int back = 0; back < 3; ++back) {
        const QByteArray id = "T" + QByteArray::number(back);
        publisher.routes.insert(dated("/daily_list_id?date=%D", back), {200, id + '\n'});
        // The newest day only through the plain-text fallback.
        if (back == 0)
            publisher.routes.insert("/download/" + id + "/1000000", {200, listText(back)});
        else
            publisher.routes.insert("/download_daily/" + id, {200, CListPacker::zip(QStringLiteral("top-1m.csv"), listText(back))});
        publisher.routes.insert(dated("/top-1m-%D.csv.zip", back),
                                {200, CListPacker::zip(QStringLiteral("top-1m.csv"), listText(back))});
    }
    publisher.routes.insert("/majestic_million.csv", {200, majesticText()});

    QTemporaryDir data;
    std::optional<CListSource> list = CListSource::byName(source);
    QVERIFY(list);
    list->setBase(publisher.base());
    // What a killed update left behind goes.
    QVERIFY(QDir().mkpath(list->folder(data.path())));
    QFile left(list->folder(data.path()) + QStringLiteral("/.download-AbC123"));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.close();
    CListUpdater first(*list, data.path(), quickSettings(4));
    const CListUpdater::Summary summary = first.run();
    QVERIFY2(summary.problems.isEmpty(), qPrintable(summary.problems.join(QLatin1Char('\n'))));
    QCOMPARE(summary.fetched, fetched);
    QCOMPARE(summary.failed, 0);
    QCOMPARE(summary.unavailable, list->backfillable() ? 1 : 0); // the fourth day is not offered
    QCOMPARE(summary.line(source), QStringLiteral("%1: %2 fetched, 0 present, %3 unavailable, 0 failed")
                                       .arg(source)
                                       .arg(fetched)
                                       .arg(list->backfillable() ? 1 : 0));

    QVERIFY(!left.exists());
    QCOMPARE(filesIn(list->folder(data.path())).size(), fetched);

    // The lists are served as published, from the source's own folder.
    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(list->folder(data.path()));
    QCOMPARE(report.days, fetched);
    QCOMPARE(report.skippedLines(), 0);
    QCOMPARE(store.newestDay(), Today);
    if (list->backfillable()) {
        // site3 is ranked 3, 2 and 1 on the three days.
        QCOMPARE(store.figures(u"site3.test").globalRank, 3);
        QCOMPARE(store.figures(u"site3.test").sevenDay, 2);
    } else {
        QCOMPARE(store.figures(u"site7.test").globalRank, 7);
    }

    // A second run asks only for what is still missing.
    const QHash<QByteArray, int> hitsBefore = publisher.hits;
    CListUpdater second(*list, data.path(), quickSettings(4));
    const CListUpdater::Summary again = second.run();
    QCOMPARE(again.fetched, 0);
    QCOMPARE(again.present, fetched);
    QCOMPARE(again.unavailable, list->backfillable() ? 1 : 0);
    for (auto it = publisher.hits.cbegin(); it != publisher.hits.cend(); ++it) {
        if (!it.key().contains(dated("%D", 3)) && it.key() != "/daily_list_id?date=" + dated("%D", 3))
            QVERIFY2(it.value() == hitsBefore.value(it.key()), it.key().constData());
    }
}

void tst_ListUpdater::reportsFaultsAndKeepsWhatWasHeld_data()
{
    const QByteArray good = CListPacker::zip(QStringLiteral("top-1m.csv"), listText(0));
    QTest::addColumn<CPublisher::Route>("route");
    QTest::addColumn<bool>("unavailable");
    QTest::addColumn<QString>("problem");
    QTest::addRow("truncated zip") << CPublisher::Route{200, good.left(good.size() - 40)} << false
                                   << QStringLiteral("the download is damaged");
    QTest::addRow("zip of something else")
        << CPublisher::Route{200, CListPacker::zip(QStringLiteral("logo.png"), QByteArray(300, '\x89'))} << false
        << QStringLiteral("holds no ranking lines");
    QTest::addRow("html error page with 200")
        << CPublisher::Route{200, "<!DOCTYPE html><html><body>Service temporarily down</body></html>"} << false
        << QStringLiteral("holds no ranking lines");
    QTest::addRow("missing day") << CPublisher::Route{404, "gone"} << true << QString();
    QTest::addRow("stall past the time-out") << CPublisher::Route{200, good, CPublisher::Mode::Stall} << false
                                             << QStringLiteral("no data for 0.3 s");
    QTest::addRow("reset mid-body") << CPublisher::Route{200, good, CPublisher::Mode::Reset} << false
                                    << QStringLiteral("(2 attempts)");
    QTest::addRow("server error") << CPublisher::Route{500, "oops"} << false << QStringLiteral("(2 attempts)");
    QByteArray repeated;
    for (int line = 1; line <= 20; ++line)
        repeated += QByteArray::number(line) + ",site" + QByteArray::number(line % 5) + ".test\n";
    QTest::addRow("duplicate names toward the least rows")
        << CPublisher::Route{200, repeated} << false << QStringLiteral("holds 5 distinct domains, fewer than 10");
    QTest::addRow("plain list cut short without a length")
        << CPublisher::Route{200, listText(0).chopped(4)} << false << QStringLiteral("ends inside a line");
    QTest::addRow("redirect to another port")
        << CPublisher::Route{307, {}, CPublisher::Mode::Whole, "Location: http://127.0.0.1:1/top-1m.csv.zip\r\n"} << false
        << QStringLiteral("refused a redirect");
    QTest::addRow("redirect to another host")
        << CPublisher::Route{302, {}, CPublisher::Mode::Whole, "Location: http://lists.example.invalid/top-1m.csv.zip\r\n"}
        << false << QStringLiteral("refused a redirect");
}

void tst_ListUpdater::reportsFaultsAndKeepsWhatWasHeld()
{
    QFETCH(CPublisher::Route, route);
    QFETCH(bool, unavailable);
    QFETCH(QString, problem);

    CPublisher publisher;
    publisher.routes.insert(dated("/top-1m-%D.csv.zip", 0), route);
    std::optional<CListSource> list = CListSource::byName(QStringLiteral("umbrella"));
    list->setBase(publisher.base());

    // Yesterday's list is held already.
    QTemporaryDir data;
    const QString folder = list->folder(data.path());
    QVERIFY(QDir().mkpath(folder));
    QFile held(folder + QStringLiteral("/umbrella-") + Today.addDays(-1).toString(Qt::ISODate) + QStringLiteral(".csv"));
    QVERIFY(held.open(QIODevice::WriteOnly));
    held.write(listText(1));
    held.close();
    const QStringList before = filesIn(folder);

    CListUpdater updater(*list, data.path(), quickSettings(2));
    const CListUpdater::Summary summary = updater.run();
    QCOMPARE(summary.present, 1);
    QCOMPARE(summary.fetched, 0);
    QCOMPARE(summary.unavailable, unavailable ? 1 : 0);
    QCOMPARE(summary.failed, unavailable ? 0 : 1);
    if (!unavailable) {
        QCOMPARE(summary.problems.size(), 1);
        QVERIFY2(summary.problems.constFirst().startsWith(QStringLiteral("umbrella ") + Today.toString(Qt::ISODate)),
                 qPrintable(summary.problems.constFirst()));
        QVERIFY2(summary.problems.constFirst().contains(problem), qPrintable(summary.problems.constFirst()));
    }
    // Nothing half-written, and the held list is served as before.
    QCOMPARE(filesIn(folder), before);
    CSnapshotStore store;
    QCOMPARE(store.load(folder).days, 1);
    QCOMPARE(store.newestDay(), Today.addDays(-1));
}

using Routes = QHash<QByteArray, CPublisher::Route>;

// The public publishers' answers as they really come. Each case asks for
// today and yesterday (UTC); "%D0"/"%D1" stand for those days.
void tst_ListUpdater::takesThePublishersAnswers_data()
{
    const QByteArray zip = CListPacker::zip(QStringLiteral("top-1m.csv"), listText(0));
    const QByteArray zip1 = CListPacker::zip(QStringLiteral("top-1m.csv"), listText(1));
    const Routes yesterdayTranco{{"/daily_list_id?date=%D1", {200, "K2Y9\n"}}, {"/download_daily/K2Y9", {200, zip1}}};
    QTest::addColumn<QString>("source");
    QTest::addColumn<Routes>("routes");
    QTest::addColumn<QByteArray>("timeZone");
    QTest::addColumn<int>("fetched");
    QTest::addColumn<int>("unavailable");
    QTest::addColumn<QString>("problem"); // of the one failed day
    QTest::addColumn<QString>("listId");  // kept in the newest list's name

    Routes today = yesterdayTranco;
    today.insert("/daily_list_id?date=%D0", {503, "This list is currently unavailable"});
    QTest::addRow("tranco: 503 for today's id") << QStringLiteral("tranco") << today << QByteArray() << 1 << 1 << QString()
                                                << QStringLiteral("K2Y9");
    today = yesterdayTranco;
    today.insert("/daily_list_id?date=%D0", {200, "LJ494\r\n"});
    today.insert("/download_daily/LJ494",
                 {307, {}, CPublisher::Mode::Whole, "Location: /download/daily/tranco_LJ494-1m.csv.zip\r\n"});
    today.insert("/download/daily/tranco_LJ494-1m.csv.zip", {200, zip});
    QTest::addRow("tranco: 307 to the zip, CRLF lines") << QStringLiteral("tranco") << today << QByteArray() << 2 << 0
                                                         << QString() << QStringLiteral("LJ494");
    today = yesterdayTranco;
    today.insert("/daily_list_id?date=%D0", {200, "X8Q2"});
    today.insert("/download_daily/X8Q2", {403, "Older lists are not available as ZIP files"});
    today.insert("/download/X8Q2/1000000", {200, listText(0)});
    QTest::addRow("tranco: 403 zip, plain list instead") << QStringLiteral("tranco") << today << QByteArray() << 2 << 0
                                                         << QString() << QStringLiteral("X8Q2");
    today = yesterdayTranco;
    today.insert("/daily_list_id?date=%D0", {200, "LJ494", CPublisher::Mode::Reset});
    QTest::addRow("tranco: id reset is a failure") << QStringLiteral("tranco") << today << QByteArray() << 1 << 0
                                                   << QStringLiteral("(2 attempts)") << QStringLiteral("K2Y9");
    const QByteArray accessDenied = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>AccessDenied</Code>"
                                    "<Message>Access Denied</Message></Error>";
    const Routes umbrella{{"/top-1m-%D0.csv.zip", {403, accessDenied}}, {"/top-1m-%D1.csv.zip", {200, zip1}}};
    QTest::addRow("umbrella: S3 403 for a key not yet there") << QStringLiteral("umbrella") << umbrella << QByteArray()
                                                              << 1 << 1 << QString() << QString();
    // Fourteen hours ahead of UTC the local date is tomorrow for most of the
    // day; the publishers have no list of it.
    const Routes both{{"/top-1m-%D0.csv.zip", {200, zip}}, {"/top-1m-%D1.csv.zip", {200, zip1}}};
    QTest::addRow("time zone far from UTC") << QStringLiteral("umbrella") << both << QByteArray("Etc/GMT-14") << 2 << 0
                                            << QString() << QString();
    QTest::addRow("time zone far behind UTC") << QStringLiteral("umbrella") << both << QByteArray("Etc/GMT+12") << 2 << 0
                                              << QString() << QString();
}

void tst_ListUpdater::takesThePublishersAnswers()
{
    QFETCH(QString, source);
    QFETCH(Routes, routes);
    QFETCH(QByteArray, timeZone);
    QFETCH(int, fetched);
    QFETCH(int, unavailable);
    QFETCH(QString, problem);
    QFETCH(QString, listId);

    const QByteArray zoneBefore = qgetenv("TZ");
    const auto restoreZone = qScopeGuard([&] {
        if (zoneBefore.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", zoneBefore);
        tzset();
    });
    if (!timeZone.isEmpty()) {
        qputenv("TZ", timeZone);
        tzset();
    }
    CPublisher publisher;
    for (auto it = routes.cbegin(); it != routes.cend(); ++it)
        publisher.routes.insert(QByteArray(it.key())
                                    .replace("%D1", Today.addDays(-1).toString(Qt::ISODate).toLatin1())
                                    .replace("%D0", Today.toString(Qt::ISODate).toLatin1()),
                                it.value());
    QTemporaryDir data;
    std::optional<CListSource> list = CListSource::byName(source);
    list->setBase(publisher.base());
    CListUpdater updater(*list, data.path(), quickSettings(2));
    const CListUpdater::Summary summary = updater.run();
    QCOMPARE(summary.fetched, fetched);
    QCOMPARE(summary.unavailable, unavailable);
    QCOMPARE(summary.failed, problem.isEmpty() ? 0 : 1);
    if (!problem.isEmpty())
        QVERIFY2(summary.problems.join(QLatin1Char('\n')).contains(problem), qPrintable(summary.problems.join(u'\n')));
    // Nothing was asked for a day after the publishers' today.
    for (auto it = publisher.hits.cbegin(); it != publisher.hits.cend(); ++it)
        QVERIFY2(!it.key().contains(Today.addDays(1).toString(Qt::ISODate).toLatin1()), it.key().constData());

    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(list->folder(data.path()));
    QCOMPARE(report.days, fetched);
    QCOMPARE(report.skippedLines(), 0);
    QCOMPARE(store.newestListId(), listId);
}

void tst_ListUpdater::endsATrickle()
{
    // One byte every 50 ms never trips the time-out between bytes; the
    // overall pace does.
    CPublisher publisher;
    publisher.routes.insert(dated("/top-1m-%D.csv.zip", 0), {200, QByteArray(100000, 'x'), CPublisher::Mode::Trickle});
    std::optional<CListSource> list = CListSource::byName(QStringLiteral("umbrella"));
    list->setBase(publisher.base());
    QTemporaryDir data;
    CListUpdater::Settings settings = quickSettings(1);
    settings.timeout = 10s;
    settings.deadline = 300ms;
    settings.minRate = 1000;
    settings.attempts = 1;
    CListUpdater updater(*list, data.path(), settings);
    const CListUpdater::Summary summary = updater.run();
    QCOMPARE(summary.failed, 1);
    QVERIFY2(summary.problems.constFirst().contains(QStringLiteral("too slow")), qPrintable(summary.problems.constFirst()));
    QVERIFY(filesIn(list->folder(data.path())).isEmpty());
}

void tst_ListUpdater::oneUpdateAtATimePerFolder()
{
    CPublisher publisher;
    publisher.routes.insert(dated("/top-1m-%D.csv.zip", 0), {200, CListPacker::zip(QStringLiteral("top-1m.csv"), listText(0))});
    std::optional<CListSource> list = CListSource::byName(QStringLiteral("umbrella"));
    list->setBase(publisher.base());
    QTemporaryDir data;
    QVERIFY(QDir().mkpath(list->folder(data.path())));
    CFolderLock other;
    QVERIFY(other.take(list->folder(data.path()), 0ms));
    CListUpdater::Settings settings = quickSettings(1);
    settings.lockWait = 200ms;
    CListUpdater waiting(*list, data.path(), settings);
    const CListUpdater::Summary refused = waiting.run();
    QCOMPARE(refused.failed, 1);
    QVERIFY2(refused.problems.constFirst().contains(QStringLiteral("another update")), qPrintable(refused.problems.constFirst()));
    QVERIFY(publisher.hits.isEmpty());

    // An interruption ends the wait for the folder at once, as no failure.
    settings.lockWait = 600s;
    CListUpdater interrupted(*list, data.path(), settings);
    connect(&interrupted, &CListUpdater::progress, &interrupted, &CListUpdater::cancel);
    const CListUpdater::Summary cut = interrupted.run();
    QCOMPARE(cut.failed, 0);
    QCOMPARE(cut.leftWhy, QStringLiteral("interrupted"));

    other.release();
    CListUpdater alone(*list, data.path(), settings);
    QCOMPARE(alone.run().fetched, 1);
}

void tst_ListUpdater::fetchesTheUnitedStatesMonths()
{
    // The public cache's layout: a file a month, the newest also as
    // current.csv.gz; December is not out yet, September is no CrUX list.
    CPublisher publisher;
    const QByteArray folder = "/country/us/";
    publisher.routes.insert(folder + "202611.csv.gz", {200, cruxMonth(5000)});
    publisher.routes.insert(folder + "current.csv.gz", {200, cruxMonth(5000)});
    publisher.routes.insert(folder + "202610.csv.gz", {200, cruxMonth(10000)});
    publisher.routes.insert(folder + "202609.csv.gz", {200, cruxMonth(1000, "https://a.test,1234\n")});
    publisher.routes.insert(folder + "202608.csv.gz", {200, cruxMonth(1000)});
    publisher.routes.insert(folder + "202607.csv.gz", {200, cruxMonth(1000)});
    publisher.routes.insert("/global/202611.csv.gz", {200, cruxMonth(1000)});

    QTemporaryDir data;
    CListSource us = CListSource::cruxUs();
    us.setBase(publisher.base());
    CListUpdater::Settings settings = quickSettings(90);
    settings.today = QDate(2026, 12, 9);
    CListUpdater updater(us, data.path(), settings);
    const CListUpdater::Summary summary = updater.run();
    // From December back to July: the months 90 days back need, two more, and at least four published.
    QCOMPARE(summary.line(us.name()), QStringLiteral("crux-us: 4 fetched, 0 present, 1 unavailable, 1 failed"));
    QCOMPARE(summary.problems, QStringList{QStringLiteral(
        "crux-us 2026-09: the download is no Chrome UX Report list: the rank 1234 on line 2 is no bucket")});
    QCOMPARE(filesIn(us.folder(data.path())),
             (QStringList{"202607.csv.gz", "202608.csv.gz", "202610.csv.gz", "202611.csv.gz"}));
    QCOMPARE(publisher.hits.value(folder + "current.csv.gz"), 0);
    QCOMPARE(publisher.hits.value("/global/202611.csv.gz"), 0);

    CCruxMonths months;
    const CCruxMonths::Report report = months.load(us.folder(data.path()), settings.today, 90);
    QCOMPARE(report.months, 4);
    QCOMPARE(months.bucketOn(u"site1.test", settings.today), 5000);
    QCOMPARE(months.bucketOn(u"site1.test", QDate(2026, 10, 31)), 10000);
    QCOMPARE(months.bucketOn(u"site1.test", QDate(2026, 9, 30)), 1000); // August's

    // A second run asks only for what is missing.
    CListUpdater again(us, data.path(), settings);
    QCOMPARE(again.run().line(us.name()), QStringLiteral("crux-us: 0 fetched, 4 present, 1 unavailable, 1 failed"));
    QCOMPARE(publisher.hits.value(folder + "202611.csv.gz"), 1);
}

void tst_ListUpdater::leavesAFailingPublisherForTheNextRun_data()
{
    QTest::addColumn<int>("mode");          // CPublisher::Mode of every day's list
    QTest::addColumn<int>("runMs");         // the run's deadline, 0 for none
    QTest::addColumn<int>("failed");
    QTest::addColumn<QString>("why");
    QTest::newRow("a stall on every day") << int(CPublisher::Mode::Stall) << 0 << 3
                                          << QStringLiteral("umbrella given up after 3 failed days");
    QTest::newRow("a trickle on every day") << int(CPublisher::Mode::Trickle) << 0 << 3
                                            << QStringLiteral("umbrella given up after 3 failed days");
    QTest::newRow("a trickle past the run's deadline") << int(CPublisher::Mode::Trickle) << 700 << 1
                                                       << QStringLiteral("deadline");
}

// A publisher that stalls or trickles on every day of many missing ones
// is given up after a few of them, or when the run's time is out: the rest
// are counted and left to the next run, never tried one after the other.
void tst_ListUpdater::leavesAFailingPublisherForTheNextRun()
{
    QFETCH(int, mode);
    QFETCH(int, runMs);
    QFETCH(int, failed);
    QFETCH(QString, why);
    constexpr int Days = 30;
    CPublisher publisher;
    for (int back = 0; back < Days; ++back)
        publisher.routes.insert(dated("/top-1m-%D.csv.zip", back),
                                {200, CListPacker::zip(QStringLiteral("top-1m.csv"), listText(back)), CPublisher::Mode(mode)});
    std::optional<CListSource> list = CListSource::byName(QStringLiteral("umbrella"));
    list->setBase(publisher.base());
    QTemporaryDir data;
    QVERIFY(QDir().mkpath(list->folder(data.path())));
    QFile held(list->folder(data.path()) + QStringLiteral("/umbrella-") + Today.addDays(-20).toString(Qt::ISODate)
               + QStringLiteral(".csv"));
    QVERIFY(held.open(QIODevice::WriteOnly));
    held.write(listText(20));
    held.close();
    CListUpdater::Settings settings = quickSettings(Days);
    settings.attempts = 1;
    // A trickle keeps the stall time-out from passing; the pace does not,
    // unless the run's deadline comes first.
    settings.timeout = 300ms;
    settings.deadline = runMs > 0 ? 10s : 300ms;
    settings.minRate = 1000;
    settings.runDeadline = std::chrono::milliseconds(runMs);
    CListUpdater updater(*list, data.path(), settings);
    const CListUpdater::Summary summary = updater.run();
    QVERIFY2(summary.failed == failed, qPrintable(summary.problems.join(QLatin1Char('\n'))));
    QCOMPARE(summary.fetched, 0);
    QCOMPARE(summary.present, 1);
    QCOMPARE(summary.left, Days - 1 - failed);
    int asked = 0;
    for (const int hits : std::as_const(publisher.hits))
        asked += hits;
    QCOMPARE(asked, failed);
    const QString line = summary.line(QStringLiteral("umbrella"));
    QVERIFY2(line.endsWith(QStringLiteral(", %1 left for the next update (").arg(Days - 1 - failed)) == false
                 && line.contains(QStringLiteral("%1 left for the next update").arg(Days - 1 - failed)) && line.contains(why),
             qPrintable(line));
}

// A year of Tranco's days: today's list is not out yet (503), one day's
// list-ID question is answered 429 with a wait in seconds first, another's
// with a wait past what an update waits. The run is interrupted while the
// 101st day is asked for; the next run fetches only the rest.
void tst_ListUpdater::fetchesAYearPacedAndGoesOnAfterAnInterruption()
{
    constexpr int Days = 365;
    CPublisher publisher;
    for (int back = 1; back < Days; ++back) {
        const QByteArray id = "Y" + QByteArray::number(back);
        publisher.routes.insert(dated("/daily_list_id?date=%D", back), {200, id + '\n'});
        publisher.routes.insert("/download_daily/" + id, {200, CListPacker::zip(QStringLiteral("top-1m.csv"), listText(back))});
    }
    publisher.routes.insert(dated("/daily_list_id?date=%D", 0), {503, "This list is currently unavailable"});
    publisher.once.insert(dated("/daily_list_id?date=%D", 3), {429, "slow down", CPublisher::Mode::Whole, "Retry-After: 7\r\n"});
    const QByteArray hourAhead = QLocale::c()
                                     .toString(QDateTime::currentDateTimeUtc().addSecs(3600),
                                               QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
                                     .toLatin1();
    publisher.once.insert(dated("/daily_list_id?date=%D", 5),
                          {429, "slow down", CPublisher::Mode::Whole, "Retry-After: " + hourAhead + "\r\n"});
    CVirtualPacer pacer;
    QList<std::chrono::milliseconds> idAskedAt;
    publisher.onRequest = [&](const QByteArray &path) {
        if (path.startsWith("/daily_list_id"))
            idAskedAt << pacer.time;
    };
    std::optional<CListSource> list = CListSource::byName(QStringLiteral("tranco"));
    list->setBase(publisher.base());
    QTemporaryDir data;
    const QString folder = list->folder(data.path());

    CListUpdater first(*list, data.path(), quickSettings(Days));
    first.setPacer(&pacer);
    int daysDone = 0;
    QString lastAdvance;
    connect(&first, &CListUpdater::advanced, this, [&](const QString &line) {
        ++daysDone;
        lastAdvance = line;
    });
    connect(&first, &CListUpdater::progress, this, [&] {
        if (daysDone == 100)
            first.cancel();
    });
    const CListUpdater::Summary cut = first.run();
    QCOMPARE(cut.line(QStringLiteral("tranco")),
             QStringLiteral("tranco: 98 fetched, 0 present, 1 unavailable, 1 failed, 265 left for the next update (interrupted)"));
    QVERIFY2(cut.problems.value(0).contains(QStringLiteral("asks to wait 3")), qPrintable(cut.problems.value(0)));
    QVERIFY2(lastAdvance.startsWith(QStringLiteral("tranco: 100 of 365 days done, ")), qPrintable(lastAdvance));
    // Newest first, nothing half-written, and never two list-ID questions within a second.
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/tranco-") + dated("%D", 1) + QStringLiteral(".id=Y1.csv.zip")));
    QCOMPARE(filesIn(folder).size(), 98);
    for (qsizetype i = 1; i < idAskedAt.size(); ++i)
        QVERIFY2(idAskedAt.at(i) - idAskedAt.at(i - 1) >= 1000ms, qPrintable(QString::number(i)));
    QVERIFY(pacer.waits.contains(7000ms));

    CListUpdater second(*list, data.path(), quickSettings(Days));
    second.setPacer(&pacer);
    QString plan;
    connect(&second, &CListUpdater::planned, this, [&plan](const QString &line) { plan = line; });
    const CListUpdater::Summary rest = second.run();
    QCOMPARE(rest.line(QStringLiteral("tranco")), QStringLiteral("tranco: 266 fetched, 98 present, 1 unavailable, 0 failed"));
    QVERIFY2(plan.startsWith(QStringLiteral("tranco: 267 of 365 days to fetch, about ")) && plan.contains(QStringLiteral("the mean of the 98 held")),
             qPrintable(plan));
    for (auto it = publisher.hits.cbegin(); it != publisher.hits.cend(); ++it) {
        if (it.key().startsWith("/download_daily/"))
            QVERIFY2(it.value() == 1, it.key().constData());
    }
    QCOMPARE(filesIn(folder).size(), Days - 1);
}

void tst_ListUpdater::keepsOneListEveryNDays_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("every");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QDate>("keptOld");    // one of the older days kept
    QTest::addColumn<QDate>("skippedOld"); // and one skipped
    // Counted by hand from 2026-12-09, whose Julian day 2461384 is a multiple of 7 plus 1.
    QTest::newRow("a year, every day") << 365 << 1 << 365 << QDate(2026, 9, 8) << QDate();
    QTest::newRow("a year, every 7") << 365 << 7 << 129 << QDate(2026, 9, 7) << QDate(2026, 9, 8);
    QTest::newRow("two years, every 7") << 730 << 7 << 181 << QDate(2025, 1, 6) << QDate(2025, 1, 5);
    QTest::newRow("a year, every 30") << 365 << 30 << 100 << QDate() << QDate(2026, 9, 8);
    QTest::newRow("the newest 90 all") << 90 << 30 << 90 << QDate() << QDate();
    QTest::newRow("one day") << 1 << 7 << 1 << QDate() << QDate();
}

void tst_ListUpdater::keepsOneListEveryNDays()
{
    QFETCH(int, days);
    QFETCH(int, every);
    QFETCH(int, kept);
    QFETCH(QDate, keptOld);
    QFETCH(QDate, skippedOld);
    const QDate today(2026, 12, 9);
    const QList<QDate> wanted = CFetchPlan::days(today, days, every);
    QCOMPARE(wanted.size(), kept);
    QCOMPARE(wanted.constFirst(), today);
    QVERIFY(std::is_sorted(wanted.crbegin(), wanted.crend()));
    QCOMPARE(wanted.mid(0, qMin(days, 90)).constLast(), today.addDays(-qMin(days, 90) + 1)); // the newest 90 whole
    if (keptOld.isValid())
        QVERIFY(wanted.contains(keptOld));
    if (skippedOld.isValid())
        QVERIFY(!wanted.contains(skippedOld));
    // A day later the older days kept are the same: a daily refresh fetches no other set.
    const QDate tomorrow = today.addDays(1);
    for (const QDate &day : CFetchPlan::days(tomorrow, days, every)) {
        if (day.daysTo(today) >= 90 && day.daysTo(today) < days)
            QVERIFY2(wanted.contains(day), qPrintable(day.toString(Qt::ISODate)));
    }
}

void tst_ListUpdater::readsRetryAfter_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("seconds"); // -1: no wait read
    QTest::newRow("seconds") << QByteArray("120") << 120;
    QTest::newRow("seconds with spaces") << QByteArray(" 7 ") << 7;
    QTest::newRow("HTTP date") << QByteArray("Wed, 09 Dec 2026 08:01:30 GMT") << 90;
    QTest::newRow("RFC 850 date") << QByteArray("Wednesday, 09-Dec-26 08:00:10 GMT") << 10;
    QTest::newRow("asctime date") << QByteArray("Wed Dec  9 08:02:00 2026") << 120;
    QTest::newRow("a date passed") << QByteArray("Tue, 08 Dec 2026 08:00:00 GMT") << 0;
    QTest::newRow("a number past any wait") << QByteArray("99999999999999999999999") << 86400 * 365;
    QTest::newRow("error: words") << QByteArray("soon") << -1;
    QTest::newRow("error: negative") << QByteArray("-5") << -1;
    QTest::newRow("error: empty") << QByteArray() << -1;
    QTest::newRow("error: a date without its zone") << QByteArray("Wed, 09 Dec 2026 08:01:30") << -1;
}

void tst_ListUpdater::readsRetryAfter()
{
    QFETCH(QByteArray, value);
    QFETCH(int, seconds);
    const std::optional<std::chrono::seconds> wait =
        CRetryAfter::parse(value, QDateTime(QDate(2026, 12, 9), QTime(8, 0), QTimeZone::utc()));
    QCOMPARE(wait.has_value(), seconds >= 0);
    if (wait)
        QCOMPARE(wait->count(), seconds);
}

QTEST_GUILESS_MAIN(tst_ListUpdater)
#include "tst_ListUpdater.moc"
