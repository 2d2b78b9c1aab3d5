#include "CListPacker.h"
#include "CListSource.h"
#include "CListUpdater.h"
#include "CPublisher.h"
#include "CSnapshotStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>


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

const QDate Today = QDate::currentDate();

QByteArray dated(const char *pattern, int back)
{
    return QByteArray(pattern).replace("%D", Today.addDays(-back).toString(Qt::ISODate).toLatin1());
}

CListUpdater::Settings quickSettings(int days)
{
    CListUpdater::Settings settings;
    settings.days = days;
    settings.today = Today;
    settings.timeout = 300ms;
    settings.attempts = 2;
    settings.backOff = 20ms;
    settings.minRows = 10;
    return settings;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class tst_ListUpdater : public QObject
{
    Q_OBJECT

private slots:
    void fetchesEachSourceOnce_data();
    void fetchesEachSourceOnce();
    void reportsFaultsAndKeepsWhatWasHeld_data();
    void reportsFaultsAndKeepsWhatWasHeld();
};

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
        << QStringLiteral("holds 0 ranking lines");
    QTest::addRow("html error page with 200")
        << CPublisher::Route{200, "<!DOCTYPE html><html><body>Service temporarily down</body></html>"} << false
        << QStringLiteral("holds 0 ranking lines");
    QTest::addRow("missing day") << CPublisher::Route{404, "gone"} << true << QString();
    QTest::addRow("stall past the time-out") << CPublisher::Route{200, good, CPublisher::Mode::Stall} << false
                                             << QStringLiteral("no data for 0.3 s");
    QTest::addRow("reset mid-body") << CPublisher::Route{200, good, CPublisher::Mode::Reset} << false
                                    << QStringLiteral("(2 attempts)");
    QTest::addRow("server error") << CPublisher::Route{500, "oops"} << false << QStringLiteral("(2 attempts)");
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

QTEST_GUILESS_MAIN(tst_ListUpdater)
#include "tst_ListUpdater.moc"
