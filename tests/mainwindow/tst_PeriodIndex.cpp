#include "CAlexaRankData.h"
#include "CPeriod.h"
#include "CPeriodIndex.h"

#include <QTest>

class tst_PeriodIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void candidatesAreTheMonthsRecords_data();
    void candidatesAreTheMonthsRecords();
    void dayCandidatesHoldTheDaysRecords();
};

namespace {

QList<CAlexaRankData> historyOf(const QStringList &dates)
{
    QList<CAlexaRankData> history;
    for (const QString &date : dates) {
        CAlexaRankData record;
        record.domain(QStringLiteral("a.com"));
        record.date(date);
        history.append(record);
    }
    return history;
}

// What a scan of the whole history finds.
QList<qsizetype> scan(const QList<CAlexaRankData> &history, const CPeriod &period)
{
    QList<qsizetype> places;
    for (qsizetype i = 0; i < history.size(); ++i) {
        if (period.matches(history.at(i)))
            places.append(i);
    }
    return places;
}

} // namespace

// The index is asked once, then the history changes (a record removed, then
// records appended), and it is asked again: both answers are what a scan finds.
void tst_PeriodIndex::candidatesAreTheMonthsRecords_data()
{
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QStringList>("appended");
    QTest::addColumn<QString>("month");

    const QStringList mixed{"01/08/2012", "02/08/2012", "01/09/2012", "03/08/2012", "01/08/2011", "04/08/2012"};
    QTest::newRow("runs and returns") << mixed << -1 << QStringList() << "2012, Aug";
    QTest::newRow("same month of another year") << mixed << -1 << QStringList() << "2011, Aug";
    QTest::newRow("month without records") << mixed << -1 << QStringList() << "2013, Jan";
    QTest::newRow("removed before the month's records") << mixed << 0 << QStringList() << "2012, Aug";
    QTest::newRow("removed between them") << mixed << 2 << QStringList() << "2012, Aug";
    QTest::newRow("removed last") << mixed << 5 << QStringList() << "2012, Aug";
    QTest::newRow("removed then appended") << mixed << 1 << QStringList{"05/08/2012", "02/09/2012", "06/08/2012"}
                                           << "2012, Aug";
    QTest::newRow("appended a new month") << mixed << -1 << QStringList{"01/10/2012", "02/10/2012"} << "2012, Oct";
    QTest::newRow("empty history") << QStringList() << -1 << QStringList{"01/08/2012"} << "2012, Aug";
    QTest::newRow("odd dates") << QStringList{"1/8/2012", "", "01/08", "01/08/20123", "xx/08/2012", "01/08/2012"}
                               << -1 << QStringList{"01/8/2012"} << "2012, Aug";
    QTest::newRow("label without name") << QStringList{"05/13/2012", "05//2012"} << -1 << QStringList()
                                        << "2012, ";
}

void tst_PeriodIndex::candidatesAreTheMonthsRecords()
{
    QFETCH(QStringList, dates);
    QFETCH(int, removed);
    QFETCH(QStringList, appended);
    QFETCH(QString, month);
    const CPeriod period = CPeriod::fromMonthLabel(month);
    QList<CAlexaRankData> history = historyOf(dates);
    CPeriodIndex index;
    QCOMPARE(index.candidates(history, period), scan(history, period));
    if (removed >= 0) {
        history.removeAt(removed);
        index.removeAt(removed);
    }
    history.append(historyOf(appended));
    QCOMPARE(index.candidates(history, period), scan(history, period));
    QCOMPARE(index.candidates(history, CPeriod()), QList<qsizetype>());
}

void tst_PeriodIndex::dayCandidatesHoldTheDaysRecords()
{
    const QList<CAlexaRankData> history = historyOf({"05/08/2012", "06/08/2012", "05/09/2012", "05/08/2012"});
    CPeriodIndex index;
    const QList<qsizetype> month = index.candidates(history, CPeriod::fromMonthLabel(QStringLiteral("2012, Aug")));
    const CPeriod day = CPeriod::fromDayLabel(QStringLiteral("2012, Aug"), QStringLiteral("5th"));
    QCOMPARE(index.candidates(history, day), month);
    QCOMPARE(scan(history, day), (QList<qsizetype>{0, 3}));
}

QTEST_GUILESS_MAIN(tst_PeriodIndex)
#include "tst_PeriodIndex.moc"
