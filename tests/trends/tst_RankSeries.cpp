#include "CAlexaRankData.h"
#include "CMoverRow.h"
#include "CRankSeries.h"
#include "CRunMoves.h"
#include "CTrendFigure.h"
#include "CTrendPeriod.h"

#include <QTest>

class tst_RankSeries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void series_data();
    void series();
    void stretches_data();
    void stretches();
    void severalDomainsInOnePass();
    void movers_data();
    void movers();
    void runMoves_data();
    void runMoves();
};

namespace {

// History lines separated by ";".
QList<CAlexaRankData> historyOf(const QString &lines)
{
    QList<CAlexaRankData> history;
    for (const QString &line : lines.split(u';', Qt::SkipEmptyParts))
        history.append(CAlexaRankData::fromLine(line));
    return history;
}

// "dd/MM/yyyy=value" per point, "-" for a gap, separated by " ".
QString describe(const CRankSeries &series)
{
    QStringList parts;
    for (const CRankSeries::Point &point : series.points())
        parts.append(point.date.toString(QStringLiteral("dd/MM/yyyy")) + u'='
                     + (point.gap ? QStringLiteral("-") : QString::number(point.value, 'g', 10)));
    return parts.join(u' ');
}

} // namespace

void tst_RankSeries::series_data()
{
    QTest::addColumn<QString>("history");
    QTest::addColumn<int>("figure");
    QTest::addColumn<CTrendPeriod>("period");
    QTest::addColumn<QString>("expected");

    const CTrendPeriod all;
    QTest::newRow("in date order, not history order")
        << "a.com,30,1,1,1,1,1,03/01/2024;a.com,10,1,1,1,1,1,01/01/2024;a.com,20,1,1,1,1,1,02/01/2024"
        << int(CTrendFigure::GlobalRank) << all << "01/01/2024=10 02/01/2024=20 03/01/2024=30";
    QTest::newRow("NA and empty are gaps, not zeros")
        << "a.com,10,1,1,1,1,1,01/01/2024;a.com,NA,1,1,1,1,1,02/01/2024;a.com,,1,1,1,1,1,03/01/2024;"
           "a.com,40,1,1,1,1,1,04/01/2024"
        << int(CTrendFigure::GlobalRank) << all << "01/01/2024=10 02/01/2024=- 03/01/2024=- 04/01/2024=40";
    QTest::newRow("thousands separators and garbage")
        << "a.com,1 234,1,1,1,1,1,01/01/2024;a.com,12ab,1,1,1,1,1,02/01/2024;a.com,1.234.567,1,1,1,1,1,03/01/2024"
        << int(CTrendFigure::GlobalRank) << all << "01/01/2024=1234 02/01/2024=- 03/01/2024=1234567";
    QTest::newRow("same day twice: the later record wins")
        << "a.com,10,1,1,1,1,1,01/01/2024;a.com,99,1,1,1,1,1,01/01/2024;a.com,20,1,1,1,1,1,02/01/2024"
        << int(CTrendFigure::GlobalRank) << all << "01/01/2024=99 02/01/2024=20";
    QTest::newRow("same day twice: a later NA wins too")
        << "a.com,10,1,1,1,1,1,01/01/2024;a.com,NA,1,1,1,1,1,01/01/2024"
        << int(CTrendFigure::GlobalRank) << all << "01/01/2024=-";
    QTest::newRow("a single record") << "a.com,5,1,1,1,1,1,07/07/2021" << int(CTrendFigure::GlobalRank) << all
                                     << "07/07/2021=5";
    QTest::newRow("other domains left out")
        << "b.com,5,1,1,1,1,1,01/01/2024;a.com,6,1,1,1,1,1,01/01/2024;a.com.evil,7,1,1,1,1,1,02/01/2024"
        << int(CTrendFigure::GlobalRank) << all << "01/01/2024=6";
    QTest::newRow("unreadable dates left out")
        << "a.com,5,1,1,1,1,1,1/1/2024;a.com,6,1,1,1,1,1,31/02/2024;a.com,7,1,1,1,1,1,01/03/2024"
        << int(CTrendFigure::GlobalRank) << all << "01/03/2024=7";
    QTest::newRow("leap day and year change")
        << "a.com,1,1,1,1,1,1,01/01/2025;a.com,2,1,1,1,1,1,31/12/2024;a.com,3,1,1,1,1,1,29/02/2024;"
           "a.com,4,1,1,1,1,1,28/02/2024;a.com,5,1,1,1,1,1,01/03/2024"
        << int(CTrendFigure::GlobalRank) << all
        << "28/02/2024=4 29/02/2024=3 01/03/2024=5 31/12/2024=2 01/01/2025=1";
    QTest::newRow("period across the year change")
        << "a.com,1,1,1,1,1,1,30/12/2024;a.com,2,1,1,1,1,1,31/12/2024;a.com,3,1,1,1,1,1,01/01/2025;"
           "a.com,4,1,1,1,1,1,02/01/2025"
        << int(CTrendFigure::GlobalRank) << CTrendPeriod(QDate(2024, 12, 31), QDate(2025, 1, 1))
        << "31/12/2024=2 01/01/2025=3";
    QTest::newRow("leap february as a month")
        << "a.com,1,1,1,1,1,1,31/01/2024;a.com,2,1,1,1,1,1,29/02/2024;a.com,3,1,1,1,1,1,01/03/2024"
        << int(CTrendFigure::GlobalRank) << CTrendPeriod::fromTexts(QStringLiteral("2024"), QStringLiteral("02"))
        << "29/02/2024=2";
    QTest::newRow("a period with no data")
        << "a.com,1,1,1,1,1,1,01/01/2024" << int(CTrendFigure::GlobalRank)
        << CTrendPeriod(QDate(2023, 1, 1), QDate(2023, 12, 31)) << "";
    QTest::newRow("open-ended period")
        << "a.com,1,1,1,1,1,1,01/01/2024;a.com,2,1,1,1,1,1,02/01/2024" << int(CTrendFigure::GlobalRank)
        << CTrendPeriod(QDate(2024, 1, 2), QDate()) << "02/01/2024=2";
    QTest::newRow("another figure")
        << "a.com,1,2,3,4,5,6,01/01/2024" << int(CTrendFigure::ThreeMonth) << all << "01/01/2024=6";
    QTest::newRow("empty history") << "" << int(CTrendFigure::GlobalRank) << all << "";
}

void tst_RankSeries::series()
{
    QFETCH(QString, history);
    QFETCH(int, figure);
    QFETCH(CTrendPeriod, period);
    QFETCH(QString, expected);
    const QList<CAlexaRankData> records = historyOf(history);
    const CRankSeries one = CRankSeries::build(records, QStringLiteral("a.com"), figure, period);
    QCOMPARE(describe(one), expected);
    QCOMPARE(one.domain(), QStringLiteral("a.com"));
    // The pass over several domains gives the same series.
    const QList<CRankSeries> many = CRankSeries::buildEach(records, {QStringLiteral("a.com")}, figure, period);
    QCOMPARE(many.size(), 1);
    QCOMPARE(describe(many.first()), expected);
}

void tst_RankSeries::stretches_data()
{
    QTest::addColumn<QString>("figures");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unbroken") << "1 2 3" << "0-2";
    QTest::newRow("gap inside") << "1 NA 3 4" << "0-0 2-3";
    QTest::newRow("lone point between gaps") << "NA 2 NA" << "1-1";
    QTest::newRow("gaps at both ends") << "NA 2 3 NA" << "1-2";
    QTest::newRow("only gaps") << "NA NA" << "";
    QTest::newRow("nothing") << "" << "";
}

void tst_RankSeries::stretches()
{
    QFETCH(QString, figures);
    QFETCH(QString, expected);
    QList<CAlexaRankData> records;
    QDate day(2024, 2, 27);
    for (const QString &figure : figures.split(u' ', Qt::SkipEmptyParts)) {
        records.append(CAlexaRankData::fromLine(QStringLiteral("a.com,%1,1,1,1,1,1,%2")
                                                    .arg(figure, day.toString(QStringLiteral("dd/MM/yyyy")))));
        day = day.addDays(1);
    }
    const CRankSeries series = CRankSeries::build(records, QStringLiteral("a.com"), CTrendFigure::GlobalRank);
    QStringList parts;
    for (const auto &[first, last] : series.stretches())
        parts.append(QStringLiteral("%1-%2").arg(first).arg(last));
    QCOMPARE(parts.join(u' '), expected);
    QCOMPARE(series.hasValues(), !expected.isEmpty());
}

void tst_RankSeries::severalDomainsInOnePass()
{
    const QList<CAlexaRankData> records = historyOf(QStringLiteral(
        "a.com,1,1,1,1,1,1,01/01/2024;b.com,2,1,1,1,1,1,01/01/2024;a.com,3,1,1,1,1,1,02/01/2024"));
    const QList<CRankSeries> series = CRankSeries::buildEach(
        records, {QStringLiteral("b.com"), QStringLiteral("none.com"), QStringLiteral("a.com"), QStringLiteral("b.com")},
        CTrendFigure::GlobalRank);
    QCOMPARE(series.size(), 3); // a domain asked twice is one series
    QCOMPARE(series.at(0).domain(), QStringLiteral("b.com"));
    QCOMPARE(describe(series.at(0)), QStringLiteral("01/01/2024=2"));
    QVERIFY(series.at(1).points().isEmpty());
    QCOMPARE(describe(series.at(2)), QStringLiteral("01/01/2024=1 02/01/2024=3"));
}

void tst_RankSeries::movers_data()
{
    QTest::addColumn<QString>("figures");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("newest");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("change");
    QTest::addColumn<double>("percent");
    QTest::addColumn<double>("best");
    QTest::addColumn<double>("worst");
    QTest::addColumn<QString>("described");
    QTest::newRow("improved") << "200 150 300 100" << true << 100.0 << 200.0 << 100.0 << 50.0 << 100.0 << 300.0
                              << "up 100 (50.0%)";
    QTest::newRow("fell") << "1000 1500" << true << 1500.0 << 1000.0 << -500.0 << -50.0 << 1000.0 << 1500.0
                          << "down 500 (50.0%)";
    QTest::newRow("gaps at the ends are passed over")
        << "NA 400 NA 200 NA" << true << 200.0 << 400.0 << 200.0 << 50.0 << 200.0 << 400.0 << "up 200 (50.0%)";
    QTest::newRow("a single value") << "7" << true << 7.0 << 7.0 << 0.0 << 0.0 << 7.0 << 7.0 << "no change";
    QTest::newRow("large ranks grouped") << "2000000 1000000" << true << 1e6 << 2e6 << 1e6 << 50.0 << 1e6 << 2e6
                                         << "up 1,000,000 (50.0%)";
    QTest::newRow("only gaps") << "NA NA" << false << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << "";
    QTest::newRow("no data") << "" << false << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << "";
}

void tst_RankSeries::movers()
{
    QFETCH(QString, figures);
    QFETCH(bool, valid);
    QList<CAlexaRankData> records;
    QDate day(2024, 12, 30);
    for (const QString &figure : figures.split(u' ', Qt::SkipEmptyParts)) {
        records.append(CAlexaRankData::fromLine(QStringLiteral("a.com,%1,1,1,1,1,1,%2")
                                                    .arg(figure, day.toString(QStringLiteral("dd/MM/yyyy")))));
        day = day.addDays(1);
    }
    const CMoverRow row = CMoverRow::of(CRankSeries::build(records, QStringLiteral("a.com"), CTrendFigure::GlobalRank));
    QCOMPARE(row.domain, QStringLiteral("a.com"));
    QCOMPARE(row.valid, valid);
    if (!valid)
        return;
    QTEST(row.newest, "newest");
    QTEST(row.start, "start");
    QTEST(row.change, "change");
    QTEST(row.percent, "percent");
    QTEST(row.best, "best");
    QTEST(row.worst, "worst");
    QTEST(CMoverRow::describeChange(row.change, row.percent), "described");
}

void tst_RankSeries::runMoves_data()
{
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("expected");
    const QString before = QStringLiteral(
        "a.com,1000,1,1,1,1,1,01/03/2024;b.com,100,1,1,1,1,1,01/03/2024;c.com,50,1,1,1,1,1,01/03/2024;"
        "d.com,10,1,1,1,1,1,01/03/2024;e.com,NA,1,1,1,1,1,01/03/2024;");
    QTest::newRow("three biggest by relative size")
        << before
        << "a.com,900,1,1,1,1,1,02/03/2024;b.com,150,1,1,1,1,1,02/03/2024;c.com,49,1,1,1,1,1,02/03/2024;"
           "d.com,5,1,1,1,1,1,02/03/2024;e.com,3,1,1,1,1,1,02/03/2024"
        << "Biggest moves: b.com down 50 (50.0%), d.com up 5 (50.0%), a.com up 100 (10.0%)"; // a tie keeps run order
    QTest::newRow("previous record is the latest earlier one, across a year")
        << "a.com,10,1,1,1,1,1,31/12/2023;a.com,500,1,1,1,1,1,15/06/2023;"
        << "a.com,20,1,1,1,1,1,01/01/2024"
        << "Biggest moves: a.com down 10 (100.0%)";
    QTest::newRow("later record of the previous day counts")
        << "a.com,10,1,1,1,1,1,29/02/2024;a.com,40,1,1,1,1,1,29/02/2024;"
        << "a.com,20,1,1,1,1,1,01/03/2024"
        << "Biggest moves: a.com up 20 (50.0%)";
    QTest::newRow("no earlier record")
        << "" << "a.com,20,1,1,1,1,1,01/03/2024" << "Biggest moves: none against an earlier record";
    QTest::newRow("NA now or before")
        << "a.com,NA,1,1,1,1,1,01/03/2024;b.com,5,1,1,1,1,1,01/03/2024;"
        << "a.com,20,1,1,1,1,1,02/03/2024;b.com,NA,1,1,1,1,1,02/03/2024"
        << "Biggest moves: none against an earlier record";
    QTest::newRow("unchanged ranks are no moves")
        << "a.com,20,1,1,1,1,1,01/03/2024;" << "a.com,20,1,1,1,1,1,02/03/2024"
        << "Biggest moves: none against an earlier record";
    QTest::newRow("empty run") << before << "" << "Biggest moves: none against an earlier record";
    // Thousands of other domains around the run's, one of them named by a number.
    QString crowd;
    for (int i = 0; i < 5000; ++i)
        crowd += QStringLiteral("x%1.com,%1,1,1,1,1,1,01/03/2024;").arg(i);
    QTest::newRow("run domains among many others")
        << crowd + QStringLiteral("7,10,1,1,1,1,1,01/03/2024;") + crowd
        << "7,5,1,1,1,1,1,02/03/2024;x42.com,21,1,1,1,1,1,02/03/2024"
        << "Biggest moves: 7 up 5 (50.0%), x42.com up 21 (50.0%)";
}

void tst_RankSeries::runMoves()
{
    QFETCH(QString, history);
    QFETCH(QString, run);
    const QList<CAlexaRankData> runRecords = historyOf(run);
    QTEST(CRunMoves::summary(historyOf(history) + runRecords, runRecords), "expected");
}

QTEST_APPLESS_MAIN(tst_RankSeries)
#include "tst_RankSeries.moc"
