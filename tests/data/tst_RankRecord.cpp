#include "CAlexaRankData.h"

#include <QTest>

class tst_RankRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultRecordIsSevenCommas();
    void emptyTextNeverClearsAField();
    void dateCuts_data();
    void dateCuts();
    void fromLine_data();
    void fromLine();
};

void tst_RankRecord::defaultRecordIsSevenCommas()
{
    const CAlexaRankData record;
    QCOMPARE(record.toString(), QStringLiteral(",,,,,,,"));
    QVERIFY(record.domain().isNull());
    QVERIFY(record.date().isNull());
}

void tst_RankRecord::emptyTextNeverClearsAField()
{
    CAlexaRankData record;
    QCOMPARE(record.globalRank(QStringLiteral("1234")), QStringLiteral("1234"));
    QCOMPARE(record.globalRank(QString()), QStringLiteral("1234"));
    QCOMPARE(record.globalRank(QStringLiteral("")), QStringLiteral("1234"));
    // A field that only ever received empty text stays null.
    QVERIFY(record.usRank(QStringLiteral("")).isNull());
}

void tst_RankRecord::dateCuts_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::newRow("5 August 2012") << "05/08/2012" << "05" << "08" << "2012";
    QTest::newRow("no year") << "05/08/" << "05" << "08" << "";
    QTest::newRow("half a month") << "05/0" << "05" << "0" << "";
    QTest::newRow("one character") << "5" << "5" << "" << "";
    QTest::newRow("empty") << "" << "" << "" << "";
}

void tst_RankRecord::dateCuts()
{
    QFETCH(QString, date);
    QFETCH(QString, day);
    QFETCH(QString, month);
    QFETCH(QString, year);
    CAlexaRankData record;
    record.date(date);
    QCOMPARE(record.day(), day);
    QCOMPARE(record.month(), month);
    QCOMPARE(record.year(), year);
}

void tst_RankRecord::fromLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("stored"); // the line form written back
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("date");
    QTest::newRow("eight fields")
        << "example.com,1234,56,1200,1300,1400,1500,05/08/2012"
        << "example.com,1234,56,1200,1300,1400,1500,05/08/2012" << "example.com" << "05/08/2012";
    QTest::newRow("ninth field dropped")
        << "example.com,1,2,3,4,5,6,05/08/2012,extra"
        << "example.com,1,2,3,4,5,6,05/08/2012" << "example.com" << "05/08/2012";
    QTest::newRow("empty field kept empty")
        << "example.com,,NA,3,4,5,6,05/08/2012"
        << "example.com,,NA,3,4,5,6,05/08/2012" << "example.com" << "05/08/2012";
    QTest::newRow("three fields, rest empty")
        << "example.com,1,2" << "example.com,1,2,,,,," << "example.com" << "";
    QTest::newRow("domain alone") << "example.com" << "example.com,,,,,,," << "example.com" << "";
    QTest::newRow("white space stays") << " a.com ,1,2,3,4,5,6, 05/08/2012"
                                       << " a.com ,1,2,3,4,5,6, 05/08/2012" << " a.com " << " 05/08/2012";
    QTest::newRow("only commas") << ",,,,,,,,,,," << ",,,,,,," << "" << "";
}

void tst_RankRecord::fromLine()
{
    QFETCH(QString, line);
    QFETCH(QString, stored);
    QFETCH(QString, domain);
    QFETCH(QString, date);
    const CAlexaRankData record = CAlexaRankData::fromLine(line);
    QCOMPARE(record.toString(), stored);
    QCOMPARE(record.domain(), domain);
    QCOMPARE(record.date(), date);
}

QTEST_APPLESS_MAIN(tst_RankRecord)
#include "tst_RankRecord.moc"
