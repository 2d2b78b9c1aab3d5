#include "CAlexaRankData.h"

#include <QStringDecoder>
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
    void equalTextsMakeEqualRecords();
    void utf8LineReadsAsItsText_data();
    void utf8LineReadsAsItsText();
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
    // Figures are kept as numbers only when that gives back the same text.
    QTest::newRow("number spellings")
        << "a.com,007,0,2147483647,2147483648,+5,-1,01/01/2020"
        << "a.com,007,0,2147483647,2147483648,+5,-1,01/01/2020" << "a.com" << "01/01/2020";
    QTest::newRow("odd figures")
        << QStringLiteral(u"a.com,1e3, 5,\uff11\uff12,NA,00,99999999999,01/01/2020")
        << QStringLiteral(u"a.com,1e3, 5,\uff11\uff12,NA,00,99999999999,01/01/2020") << "a.com"
        << "01/01/2020";
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
    // Appending a field gives its text, numbers included; other indices add nothing.
    for (int i = -1; i <= CAlexaRankData::FieldCount; ++i) {
        QString appended = QStringLiteral(">");
        record.appendField(appended, i);
        QCOMPARE(appended, u'>' + record.field(i));
    }
}

void tst_RankRecord::equalTextsMakeEqualRecords()
{
    const CAlexaRankData read = CAlexaRankData::fromLine(u"a.com,7,NA,3,4,5,6,05/08/2012");
    CAlexaRankData built;
    built.domain(QStringLiteral("a.com"));
    built.globalRank(QStringLiteral("7"));
    built.usRank(QStringLiteral("NA"));
    built.yesterday(QStringLiteral("3"));
    built.sevenDay(QStringLiteral("4"));
    built.oneMonth(QStringLiteral("5"));
    built.threeMonth(QStringLiteral("6"));
    built.date(QStringLiteral("05/08/2012"));
    QCOMPARE(built, read);
    QCOMPARE(CAlexaRankData::fromUtf8Line("a.com,7,NA,3,4,5,6,05/08/2012"), read);
    QVERIFY(CAlexaRankData::fromLine(u"a.com,07,NA,3,4,5,6,05/08/2012") != read);
    QVERIFY(CAlexaRankData::fromLine(u"a.com,7,NA,3,4,5,6,05/08/2013") != read);
    QVERIFY(CAlexaRankData::fromLine(u"a.com,7,,3,4,5,6,05/08/2012") != read);
}

void tst_RankRecord::utf8LineReadsAsItsText_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("ascii") << QByteArray("example.com,1234,56,NA,1,2,3,05/08/2012");
    QTest::newRow("non-ascii domain") << QByteArray("b\xC3\xBC" "cher.de,1,2,3,4,5,6,05/08/2012");
    QTest::newRow("stray continuation") << QByteArray("a\x80" "b.com,1,2,3,4,5,6,05/08/2012");
    QTest::newRow("cut sequence before comma") << QByteArray("a\xE2\x82,1,2,3,4,5,6,05/08/2012");
    QTest::newRow("cut sequence at end") << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\xF0\x9F");
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF.com,1,2,3,4,5,6,05/08/2012");
    QTest::newRow("encoded surrogate") << QByteArray("a\xED\xA0\x80.com,1,2,3,4,5,6,x");
    QTest::newRow("digits then garbage") << QByteArray("a.com,12\xFF,2,3,4,5,6,x");
    QTest::newRow("nine fields") << QByteArray("a.com,1,2,3,4,5,6,x,\xFF");
}

// A line read from its bytes gives the record its decoded text gives.
void tst_RankRecord::utf8LineReadsAsItsText()
{
    QFETCH(QByteArray, line);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(line);
    const CAlexaRankData fromBytes = CAlexaRankData::fromUtf8Line(line);
    const CAlexaRankData fromText = CAlexaRankData::fromLine(text);
    QCOMPARE(fromBytes.toString(), fromText.toString());
    QCOMPARE(fromBytes, fromText);
}

QTEST_APPLESS_MAIN(tst_RankRecord)
#include "tst_RankRecord.moc"
