#include "CRecordDate.h"

#include <QTest>

class tst_RecordDate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void writtenTextReadsBack_data();
    void writtenTextReadsBack();
    void keyOrdersLikeTheCalendar();
};

void tst_RecordDate::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("plain") << "05/08/2012" << QDate(2012, 8, 5);
    QTest::newRow("29 Feb leap") << "29/02/2024" << QDate(2024, 2, 29);
    QTest::newRow("29 Feb 2000") << "29/02/2000" << QDate(2000, 2, 29);
    QTest::newRow("new year's eve") << "31/12/2025" << QDate(2025, 12, 31);
    QTest::newRow("year 0001") << "01/01/0001" << QDate(1, 1, 1);
    QTest::newRow("year 9999") << "31/12/9999" << QDate(9999, 12, 31);
    QTest::newRow("error: 29 Feb 1900") << "29/02/1900" << QDate();
    QTest::newRow("error: 29 Feb common") << "29/02/2023" << QDate();
    QTest::newRow("error: 31 Apr") << "31/04/2012" << QDate();
    QTest::newRow("error: day 00") << "00/08/2012" << QDate();
    QTest::newRow("error: month 00") << "05/00/2012" << QDate();
    QTest::newRow("error: month 13") << "05/13/2012" << QDate();
    QTest::newRow("error: year 0000") << "05/08/0000" << QDate();
    QTest::newRow("error: short") << "5/8/2012" << QDate();
    QTest::newRow("error: long") << "05/08/20120" << QDate();
    QTest::newRow("error: ISO") << "2012-08-05" << QDate();
    QTest::newRow("error: dashes") << "05-08-2012" << QDate();
    QTest::newRow("error: letters") << "ab/cd/efgh" << QDate();
    QTest::newRow("error: negative year") << "05/08/-012" << QDate();
    QTest::newRow("error: full-width digits") << QString::fromUtf8("０５/08/2012") << QDate();
    QTest::newRow("error: trailing blank") << "05/08/2012 " << QDate();
    QTest::newRow("error: NA") << "NA" << QDate();
    QTest::newRow("error: empty") << "" << QDate();
}

void tst_RecordDate::parse()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(CRecordDate::parse(text), expected);
    QCOMPARE(CRecordDate::key(text) >= 0, expected.isValid());
}

void tst_RecordDate::writtenTextReadsBack_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("text");
    QTest::newRow("padded day and month") << QDate(2012, 8, 5) << "05/08/2012";
    QTest::newRow("leap day") << QDate(2024, 2, 29) << "29/02/2024";
    QTest::newRow("first year") << QDate(1, 1, 1) << "01/01/0001";
}

void tst_RecordDate::writtenTextReadsBack()
{
    QFETCH(QDate, day);
    QFETCH(QString, text);
    QCOMPARE(CRecordDate::text(day), text);
    QCOMPARE(CRecordDate::parse(CRecordDate::text(day)), day);
    QCOMPARE(CRecordDate::dayOf(text), text.left(2));
    QCOMPARE(CRecordDate::monthOf(text).toInt(), day.month());
    QCOMPARE(CRecordDate::yearOf(text).toInt(), day.year());
}

void tst_RecordDate::keyOrdersLikeTheCalendar()
{
    // As text the first sorts after the second; as days it is earlier.
    QVERIFY(CRecordDate::key(u"31/01/2024") < CRecordDate::key(u"01/02/2024"));
    QVERIFY(CRecordDate::key(u"31/12/2023") < CRecordDate::key(u"01/01/2024"));
}

QTEST_GUILESS_MAIN(tst_RecordDate)
#include "tst_RecordDate.moc"
