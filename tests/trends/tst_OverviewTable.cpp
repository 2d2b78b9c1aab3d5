#include "CAlexaRankData.h"
#include "COverviewRow.h"
#include "COverviewTable.h"

#include <QTest>

// The overview's rows over a small history whose figures were worked out by
// hand, and their order by global rank.
class tst_OverviewTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rows_data();
    void rows();
    void sortedByGlobalRank();
};

namespace {

// domain,global,us,yesterday,7day,1month,3month,date
const QStringList Lines = {
    "a.com,500,900,,,,,01/05/2026",   "z.com,1,1,,,,,30/06/2026",      "a.com,300,800,,,,,30/05/2026",
    "a.com,250,700,,,,,31/05/2026",   "a.com,180,600,,,,,20/06/2026",  "a.com,150,500,,,,,25/06/2026",
    "a.com,120,450,,,,,29/06/2026",   "a.com,1,1,,,,,31/02/2026",      "a.com,110,440,,,,,29/06/2026",
    "a.com,100,1234,,,,,30/06/2026", "b.com,NA,NA,,,,,15/06/2026", "c.com,40,41,,,,,01/06/2026",
    "c.com,NA,42,,,,,10/06/2026",     "d.com,NA,NA,,,,,01/06/2026",    "d.com,60,61,,,,,02/06/2026",
    "f.com,7,,,,,,01/06/2026",        "a.com,90,,,,,,01/01/2026",
};

QList<CAlexaRankData> history()
{
    QList<CAlexaRankData> records;
    for (const QString &line : Lines)
        records.append(CAlexaRankData::fromLine(line));
    return records;
}

QString figure(std::optional<double> value, int decimals = 0)
{
    return value ? QString::number(*value, 'f', decimals) : QStringLiteral("-");
}

// date|global|change|percent|7 days|30 days|us|best|worst|points of the 90 days
QString describe(const COverviewRow &row)
{
    return QStringList{row.hasRecord() ? row.date.toString(Qt::ISODate) : QStringLiteral("none"),
                       figure(row.global), figure(row.change), figure(row.percent, 2), figure(row.change7),
                       figure(row.change30), figure(row.us), figure(row.best90), figure(row.worst90),
                       QString::number(row.last90.size())}
        .join(u'|');
}

} // namespace

void tst_OverviewTable::rows_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("expected");

    // Previous record: the later of the two of 29/06 (110); 7 days back: the
    // newest on or before 23/06 (180, of 20/06); 30 days back: 31/05 itself
    // (250). The 90 days start on 02/04: 01/01 is out, 31/02 is no date.
    QTest::newRow("previous record, 7 and 30 days back")
        << "a.com" << "2026-06-30|100|10|9.09|80|150|1234|100|500|7";
    QTest::newRow("one record, NA") << "b.com" << "2026-06-15|-|-|-|-|-|-|-|-|0";
    QTest::newRow("newest NA, previous ranked") << "c.com" << "2026-06-10|-|-|-|-|-|42|40|40|1";
    QTest::newRow("previous NA") << "d.com" << "2026-06-02|60|-|-|-|-|61|60|60|1";
    QTest::newRow("no record yet") << "e.com" << "none|-|-|-|-|-|-|-|-|0";
    QTest::newRow("one record ranked") << "f.com" << "2026-06-01|7|-|-|-|-|-|7|7|1";
}

void tst_OverviewTable::rows()
{
    QFETCH(QString, domain);
    QFETCH(QString, expected);

    const QList<COverviewRow> rows =
        COverviewTable::build(history(), {domain, QStringLiteral("other.com")}, {{"a.com", {"mine", "rivals"}}});
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.first().domain, domain);
    QCOMPARE(describe(rows.first()), expected);
    QCOMPARE(rows.first().groups, domain == u"a.com" ? (QStringList{"mine", "rivals"}) : QStringList());
}

void tst_OverviewTable::sortedByGlobalRank()
{
    QList<COverviewRow> rows = COverviewTable::build(
        history(), {"e.com", "b.com", "a.com", "c.com", "f.com", "d.com", "a.com"});
    COverviewTable::sortByGlobalRank(rows);
    QStringList order;
    for (const COverviewRow &row : std::as_const(rows))
        order.append(row.domain);
    // Ranks first, then "NA" in the order given, then the domain without a record.
    QCOMPARE(order, (QStringList{"f.com", "d.com", "a.com", "b.com", "c.com", "e.com"}));
}

QTEST_GUILESS_MAIN(tst_OverviewTable)
#include "tst_OverviewTable.moc"
