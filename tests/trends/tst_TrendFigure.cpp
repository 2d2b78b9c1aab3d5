#include "CAlexaRankData.h"
#include "CTrendFigure.h"
#include "CTrendPeriod.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<double>)

class tst_TrendFigure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void value_data();
    void value();
    void periodFromTexts_data();
    void periodFromTexts();
    void figureText();
};

void tst_TrendFigure::value_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");
    const std::optional<double> none;
    QTest::newRow("plain") << "1234" << std::optional<double>(1234);
    QTest::newRow("rank one") << "1" << std::optional<double>(1);
    QTest::newRow("commas") << "1,234,567" << std::optional<double>(1234567);
    QTest::newRow("dots grouping") << "1.234.567" << std::optional<double>(1234567);
    QTest::newRow("spaces") << "12 345" << std::optional<double>(12345);
    QTest::newRow("no-break space") << QStringLiteral("12\u00A0345") << std::optional<double>(12345);
    QTest::newRow("apostrophe") << "1'000" << std::optional<double>(1000);
    QTest::newRow("surrounding space") << "  987 " << std::optional<double>(987);
    QTest::newRow("reach percent") << "0.0123%" << std::optional<double>(0.0123);
    QTest::newRow("grouped with decimals") << "1,234.5" << std::optional<double>(1234.5);
    QTest::newRow("NA") << "NA" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("blank") << "   " << none;
    QTest::newRow("zero") << "0" << none;
    QTest::newRow("negative") << "-5" << none;
    QTest::newRow("garbage") << "abc" << none;
    QTest::newRow("digits then garbage") << "12ab" << none;
    QTest::newRow("markup") << "<td>12</td>" << none;
    QTest::newRow("broken grouping") << "1,23,456" << none;
    QTest::newRow("mixed separators") << "1,234 567" << none;
    QTest::newRow("leading separator") << ",123" << none;
    QTest::newRow("trailing separator") << "123," << none;
    QTest::newRow("two points") << "1.2.3" << none;
    QTest::newRow("percent only") << "%" << none;
    QTest::newRow("infinity text") << "inf" << none;
    QTest::newRow("huge exponent") << "1e999" << none;
}

void tst_TrendFigure::value()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);
    const std::optional<double> actual = CTrendFigure::value(text);
    QCOMPARE(actual.has_value(), expected.has_value());
    if (expected)
        QCOMPARE(*actual, *expected);
}

void tst_TrendFigure::periodFromTexts_data()
{
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("leap february") << "2024" << "02" << "" << QDate(2024, 2, 1) << QDate(2024, 2, 29);
    QTest::newRow("plain february") << "2023" << "02" << "" << QDate(2023, 2, 1) << QDate(2023, 2, 28);
    QTest::newRow("december") << "2025" << "12" << "" << QDate(2025, 12, 1) << QDate(2025, 12, 31);
    QTest::newRow("one day") << "2012" << "08" << "05" << QDate(2012, 8, 5) << QDate(2012, 8, 5);
    QTest::newRow("day the month lacks") << "2023" << "02" << "30" << QDate() << QDate();
    QTest::newRow("no month") << "" << "" << "" << QDate() << QDate();
    QTest::newRow("garbage") << "20x4" << "08" << "" << QDate() << QDate();
}

void tst_TrendFigure::periodFromTexts()
{
    QFETCH(QString, year);
    QFETCH(QString, month);
    QFETCH(QString, day);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    const CTrendPeriod period = CTrendPeriod::fromTexts(year, month, day);
    QCOMPARE(period.from(), from);
    QCOMPARE(period.to(), to);
    if (from.isValid()) {
        QVERIFY(period.contains(from));
        QVERIFY(period.contains(to));
        QVERIFY(!period.contains(from.addDays(-1)));
        QVERIFY(!period.contains(to.addDays(1)));
    }
}

void tst_TrendFigure::figureText()
{
    const CAlexaRankData record = CAlexaRankData::fromLine(u"a.com,1,2,3,4,5,6,01/01/2020");
    for (int figure = 0; figure < CTrendFigure::Count; ++figure)
        QCOMPARE(CTrendFigure::text(record, figure), QString::number(figure + 1));
    QCOMPARE(CTrendFigure::label(CTrendFigure::SevenDay), QStringLiteral("7 Day"));
    QVERIFY(CTrendFigure::text(record, CTrendFigure::Count).isEmpty());
}

QTEST_APPLESS_MAIN(tst_TrendFigure)
#include "tst_TrendFigure.moc"
