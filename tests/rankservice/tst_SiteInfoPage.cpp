#include "CAlexaRankData.h"
#include "MakeFigures.h"
#include "RankPageParser.h"
#include "rankservice/lists/CSampleGenerator.h"
#include "rankservice/server/CRankRouter.h"
#include "rankservice/server/CRequestReader.h"
#include "rankservice/server/CSiteInfoPage.h"
#include "rankservice/store/CSiteFigures.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QTemporaryDir>
#include <QTest>

#include <climits>

Q_DECLARE_METATYPE(CSiteInfoPage::Attribution)

namespace {

QString text(int figure)
{
    return CSiteFigures::known(figure) ? QString::number(figure) : QStringLiteral("NA");
}

QByteArray response(const QByteArray &page)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n\r\n" + page;
}

// What Sorvane stores from the page, in both modes.
void compareRead(const QByteArray &answer, const QString &domain, const CSiteFigures &figures)
{
    const QString page = QString::fromUtf8(answer);
    const CAlexaRankData rank = parseRankPage(page, domain, true);
    QCOMPARE(rank.domain(), domain);
    QCOMPARE(rank.globalRank(), text(figures.globalRank));
    QCOMPARE(rank.usRank(), text(figures.usRank));
    QCOMPARE(rank.yesterday(), text(figures.yesterday));
    QCOMPARE(rank.sevenDay(), text(figures.sevenDay));
    QCOMPARE(rank.oneMonth(), text(figures.oneMonth));
    QCOMPARE(rank.threeMonth(), text(figures.threeMonth));

    // Rank lists hold no reach data: the reach reading finds nothing, and
    // above all borrows nothing from the traffic-rank table.
    const CAlexaRankData reach = parseRankPage(page, domain, false);
    QCOMPARE(reach.globalRank(), rank.globalRank());
    QCOMPARE(reach.usRank(), rank.usRank());
    for (const QString &figure : {reach.yesterday(), reach.sevenDay(), reach.oneMonth(), reach.threeMonth()})
        QCOMPARE(figure, QStringLiteral("NA"));
}

} // namespace

class tst_SiteInfoPage : public QObject
{
    Q_OBJECT

private slots:
    void readsBackUnchanged_data();
    void readsBackUnchanged();
    void writesSeparators_data();
    void writesSeparators();
    void sampleReadsBackThroughTheServer();
    void namesItsListWithoutDisturbingTheFigures_data();
    void namesItsListWithoutDisturbingTheFigures();
};

void tst_SiteInfoPage::readsBackUnchanged_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<CSiteFigures>("figures");

    constexpr int N = CSiteFigures::None;
    QTest::newRow("all figures") << QStringLiteral("alpha.test") << makeFigures(1234567, 89012, 1234000, 999, 1000);
    QTest::newRow("smallest") << QStringLiteral("alpha.test") << makeFigures(1, 1, 1, 1, 1);
    QTest::newRow("largest") << QStringLiteral("alpha.test") << makeFigures(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    QTest::newRow("not in the newest list") << QStringLiteral("alpha.test") << makeFigures(N, 12, 40, 1500, 2200);
    QTest::newRow("no US rank") << QStringLiteral("alpha.test") << makeFigures(5, N, 6, 7, 8);
    QTest::newRow("only the 3 month mean") << QStringLiteral("alpha.test") << makeFigures(N, N, N, N, 654321);
    QTest::newRow("only the 1 month mean") << QStringLiteral("alpha.test") << makeFigures(N, N, N, 77, N);
    QTest::newRow("nothing known") << QStringLiteral("alpha.test") << CSiteFigures();
    QTest::newRow("asked with capitals") << QStringLiteral("Alpha.TEST") << makeFigures(10, 20, 30, 40, 50);
    QTest::newRow("name with digits and hyphens") << QStringLiteral("a-1.b-2.co.uk") << makeFigures(3, 4, 5, 6, 7);
}

void tst_SiteInfoPage::readsBackUnchanged()
{
    QFETCH(QString, domain);
    QFETCH(CSiteFigures, figures);
    compareRead(response(CSiteInfoPage::render(domain, figures, QDate(2026, 3, 31))), domain, figures);
}

void tst_SiteInfoPage::writesSeparators_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("1") << 1 << QByteArray("1");
    QTest::newRow("999") << 999 << QByteArray("999");
    QTest::newRow("1000") << 1000 << QByteArray("1,000");
    QTest::newRow("123456") << 123456 << QByteArray("123,456");
    QTest::newRow("1234567") << 1234567 << QByteArray("1,234,567");
    QTest::newRow("largest") << INT_MAX << QByteArray("2,147,483,647");
}

void tst_SiteInfoPage::writesSeparators()
{
    QFETCH(int, number);
    QFETCH(QByteArray, written);
    QCOMPARE(CSiteInfoPage::withSeparators(number), written);
}

void tst_SiteInfoPage::sampleReadsBackThroughTheServer()
{
    QTemporaryDir dir;
    const CResult<void> written = CSampleGenerator::write(dir.path(), QDate(2026, 3, 31));
    QVERIFY2(written, qPrintable(written.message()));
    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path());
    QCOMPARE(report.skippedLines(), 0);
    QCOMPARE(report.filesSkipped, 0);
    QCOMPARE(report.days, CSnapshotStore::WindowDays);
    const CRankRouter router(store);

    const QStringList domains = CSampleGenerator::domains();
    QCOMPARE(domains.size(), 25);
    int withAllFigures = 0;
    int withNone = 0;
    for (const QString &domain : domains) {
        const CSiteFigures figures = store.figures(domain);
        withAllFigures += figures.globalRank && figures.usRank && figures.sevenDay && figures.oneMonth
            && figures.threeMonth;
        withNone += !figures.any();

        CRequestReader request;
        request.feed(QByteArray("GET /siteinfo/" + domain.toLatin1() + " HTTP/1.0\r\n\r\n"));
        compareRead(router.answer(request), domain, figures);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(domain));
    }
    // The sample shows full rows, gaps and a domain no list ranks.
    QVERIFY(withAllFigures >= 15);
    QCOMPARE(withNone, 1);
}

void tst_SiteInfoPage::namesItsListWithoutDisturbingTheFigures_data()
{
    QTest::addColumn<CSiteInfoPage::Attribution>("from");
    QTest::addColumn<QByteArray>("named"); // as the page must show it
    QTest::newRow("tranco") << CSiteInfoPage::Attribution{QStringLiteral("Tranco top 1M"), QStringLiteral("CC BY 4.0")}
                            << QByteArray("List: Tranco top 1M, 2026-03-31; licence: CC BY 4.0.");
    // A name that looks like markup or a figure must neither break the page nor be read as a rank.
    QTest::newRow("hostile name") << CSiteInfoPage::Attribution{QStringLiteral("<b>7 day</b> 1,234 "), QStringLiteral("x&y")}
                                  << QByteArray("List: &lt;b&gt;7 day&lt;/b&gt; 1,234 , 2026-03-31; licence: x&amp;y.");
}

void tst_SiteInfoPage::namesItsListWithoutDisturbingTheFigures()
{
    QFETCH(CSiteInfoPage::Attribution, from);
    QFETCH(QByteArray, named);
    const QString domain = QStringLiteral("alpha.test");
    const CSiteFigures figures = makeFigures(1234567, 89012, 1234000, 999, 1000);
    const QByteArray page = CSiteInfoPage::render(domain, figures, QDate(2026, 3, 31), from);
    QVERIFY2(page.contains(named), page.constData());
    compareRead(response(page), domain, figures);
}

QTEST_GUILESS_MAIN(tst_SiteInfoPage)
#include "tst_SiteInfoPage.moc"
