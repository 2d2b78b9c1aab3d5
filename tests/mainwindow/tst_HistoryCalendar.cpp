#include "CAlexaRankData.h"
#include "CHistoryCalendar.h"
#include "CPeriod.h"

#include <QDate>
#include <QTest>

class tst_HistoryCalendar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void monthName_data();
    void monthName();
    void monthNumber_data();
    void monthNumber();
    void daysInMonth_data();
    void daysInMonth();
    void dayLabel_data();
    void dayLabel();
    void monthLabelOfRecord_data();
    void monthLabelOfRecord();
    void periodOfLabels_data();
    void periodOfLabels();
};

namespace {

const char *const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

void tst_HistoryCalendar::monthName_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("name");
    for (int m = 1; m <= 12; ++m) {
        const QString twoDigits = QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0'));
        QTest::addRow("%s", qPrintable(twoDigits)) << twoDigits << QString::fromLatin1(names[m - 1]);
    }
    QTest::newRow("one digit") << "8" << "Aug";
    // Months a hand-edited file may hold: no name, never a read outside the list.
    QTest::newRow("00") << "00" << QString();
    QTest::newRow("13") << "13" << QString();
    QTest::newRow("99") << "99" << QString();
    QTest::newRow("-1") << "-1" << QString();
    QTest::newRow("letters") << "ab" << QString();
    QTest::newRow("empty") << "" << QString();
}

void tst_HistoryCalendar::monthName()
{
    QFETCH(QString, month);
    QFETCH(QString, name);
    QCOMPARE(CHistoryCalendar::monthName(month), name);
}

void tst_HistoryCalendar::monthNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    for (int m = 1; m <= 12; ++m)
        QTest::newRow(names[m - 1]) << QString::fromLatin1(names[m - 1]) << QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0'));
    // Every text that is not one of the first eleven names is December.
    QTest::newRow("lower case") << "jan" << "12";
    QTest::newRow("long name") << "January" << "12";
    QTest::newRow("empty") << "" << "12";
    QTest::newRow("padded") << " Jan" << "12";
}

void tst_HistoryCalendar::monthNumber()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QCOMPARE(CHistoryCalendar::monthNumber(name), number);
}

void tst_HistoryCalendar::daysInMonth_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("days");
    QTest::newRow("Feb 2000: divisible by 400") << "2000, Feb" << 29;
    QTest::newRow("Feb 1900: divisible by 100 only") << "1900, Feb" << 28;
    QTest::newRow("Feb 2012: divisible by 4") << "2012, Feb" << 29;
    QTest::newRow("Feb 2013") << "2013, Feb" << 28;
    QTest::newRow("Apr") << "2012, Apr" << 30;
    QTest::newRow("Jun") << "2012, Jun" << 30;
    QTest::newRow("Sep") << "2012, Sep" << 30;
    QTest::newRow("Nov") << "2012, Nov" << 30;
    for (const char *name : {"Jan", "Mar", "May", "Jul", "Aug", "Oct", "Dec"})
        QTest::newRow(name) << QStringLiteral("2012, ") + QString::fromLatin1(name) << 31;
    QTest::newRow("no name") << "2012, " << 31;
    QTest::newRow("lower case feb") << "2012, feb" << 31;
}

void tst_HistoryCalendar::daysInMonth()
{
    QFETCH(QString, label);
    QFETCH(int, days);
    QCOMPARE(CHistoryCalendar::daysInMonth(label), days);
}

void tst_HistoryCalendar::dayLabel_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("label");
    const QStringList labels{
        "1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th", "9th", "10th", "11th",
        "12th", "13th", "14th", "15th", "16th", "17th", "18th", "19th", "20th", "21st", "22nd",
        "23rd", "24th", "25th", "26th", "27th", "28th", "29th", "30th", "31st",
    };
    for (int day = 1; day <= 31; ++day)
        QTest::addRow("%d", day) << day << labels.at(day - 1);
}

void tst_HistoryCalendar::dayLabel()
{
    QFETCH(int, day);
    QFETCH(QString, label);
    QCOMPARE(CHistoryCalendar::dayLabel(day), label);
    QCOMPARE(QString::number(day) + CHistoryCalendar::ordinalSuffix(day), label);
}

void tst_HistoryCalendar::monthLabelOfRecord_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("label");
    QTest::newRow("August 2012") << "05/08/2012" << "2012, Aug";
    QTest::newRow("December 1999") << "31/12/1999" << "1999, Dec";
    QTest::newRow("month 13") << "05/13/2012" << "2012, ";
    QTest::newRow("short date") << "5/8/12" << ", ";
}

void tst_HistoryCalendar::monthLabelOfRecord()
{
    QFETCH(QString, date);
    QFETCH(QString, label);
    CAlexaRankData record;
    record.date(date);
    QCOMPARE(CHistoryCalendar::monthLabel(record), label);
}

void tst_HistoryCalendar::periodOfLabels_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("matches");
    QTest::newRow("month") << "2012, Aug" << QString() << "31/08/2012" << true;
    QTest::newRow("other month") << "2012, Aug" << QString() << "31/07/2012" << false;
    QTest::newRow("other year") << "2012, Aug" << QString() << "05/08/2011" << false;
    QTest::newRow("December by fallback") << "2012, Dec" << QString() << "10/12/2012" << true;
    QTest::newRow("1st") << "2012, Aug" << "1st" << "01/08/2012" << true;
    QTest::newRow("9th") << "2012, Aug" << "9th" << "09/08/2012" << true;
    QTest::newRow("10th") << "2012, Aug" << "10th" << "10/08/2012" << true;
    QTest::newRow("21st") << "2012, Aug" << "21st" << "21/08/2012" << true;
    QTest::newRow("21st is not 2nd") << "2012, Aug" << "2nd" << "21/08/2012" << false;
    QTest::newRow("5th of another month") << "2012, Sep" << "5th" << "05/08/2012" << false;
    QTest::newRow("label without name") << "2012, " << QString() << "05/13/2012" << false;
}

void tst_HistoryCalendar::periodOfLabels()
{
    QFETCH(QString, month);
    QFETCH(QString, day);
    QFETCH(QString, date);
    QFETCH(bool, matches);
    CAlexaRankData record;
    record.domain(QStringLiteral("a.com"));
    record.date(date);
    const CPeriod period = day.isNull() ? CPeriod::fromMonthLabel(month) : CPeriod::fromDayLabel(month, day);
    QCOMPARE(period.matches(record), matches);
}

QTEST_GUILESS_MAIN(tst_HistoryCalendar)
#include "tst_HistoryCalendar.moc"
