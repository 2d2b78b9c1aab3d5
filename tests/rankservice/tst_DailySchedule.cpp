#include "rankservice/service/CDailySchedule.h"

#include <QTest>

// The daily refresh's rule, with the clock handed in: the timer fires at
// the moments of a row, the refresh runs where the row says '+', and after
// each run or start the next one is planned as the refresher plans it.
class tst_DailySchedule : public QObject
{
    Q_OBJECT

private slots:
    void runsOnceADayAtItsTime_data();
    void runsOnceADayAtItsTime();
};

void tst_DailySchedule::runsOnceADayAtItsTime_data()
{
    QTest::addColumn<QString>("start");      // local time on the first day
    QTest::addColumn<QStringList>("fires");  // "d HH:mm:ss.zzz": day after the first, time
    QTest::addColumn<QString>("runs");       // '+' where the refresh runs
    QTest::addColumn<QString>("nextDue");    // "d HH:mm" after the last
    QTest::newRow("on time") << "01:00:00.000" << QStringList{"0 02:37:00.000"} << "+" << "1 02:37";
    QTest::newRow("a second early, then on time")
        << "01:00:00.000" << QStringList{"0 02:36:59.000", "0 02:37:00.000"} << "-+" << "1 02:37";
    QTest::newRow("a millisecond early") << "01:00:00.000" << QStringList{"0 02:36:59.999", "0 02:37:00.001"} << "-+"
                                         << "1 02:37";
    QTest::newRow("twice at its time runs once")
        << "01:00:00.000" << QStringList{"0 02:37:00.000", "0 02:37:00.000", "0 02:37:00.400"} << "+--" << "1 02:37";
    QTest::newRow("started after its time: tomorrow")
        << "02:37:00.000" << QStringList{"0 02:38:00.000", "1 02:37:00.000"} << "-+" << "2 02:37";
    QTest::newRow("late, after a suspend") << "23:00:00.000" << QStringList{"1 09:15:00.000", "1 09:15:01.000"} << "+-"
                                           << "2 02:37";
    QTest::newRow("every day") << "01:00:00.000" << QStringList{"0 02:37:00.000", "1 02:37:00.000", "2 02:37:00.000"}
                               << "+++" << "3 02:37";
}

void tst_DailySchedule::runsOnceADayAtItsTime()
{
    QFETCH(QString, start);
    QFETCH(QStringList, fires);
    QFETCH(QString, runs);
    QFETCH(QString, nextDue);
    const QDate first(2026, 12, 9);
    const auto at = [&first](const QString &dayAndTime) {
        const QStringList parts = dayAndTime.split(QLatin1Char(' '));
        const QTime time = QTime::fromString(parts.value(1), parts.value(1).size() > 5 ? QStringLiteral("HH:mm:ss.zzz")
                                                                                         : QStringLiteral("HH:mm"));
        return QDateTime(first.addDays(parts.value(0).toInt()), time);
    };
    CDailySchedule schedule(QTime(2, 37));
    schedule.plan(at(QStringLiteral("0 ") + start));
    QString ran;
    for (const QString &fire : fires) {
        const QDateTime now = at(fire);
        const bool taken = schedule.take(now);
        ran += taken ? QLatin1Char('+') : QLatin1Char('-');
        if (taken)
            schedule.plan(now);
        else
            QVERIFY(schedule.due() > now); // waits for the rest
    }
    QCOMPARE(ran, runs);
    QCOMPARE(schedule.due(), at(nextDue));
}

QTEST_GUILESS_MAIN(tst_DailySchedule)
#include "tst_DailySchedule.moc"
