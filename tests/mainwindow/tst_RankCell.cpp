#include "CRankCell.h"
#include "CWidgetHelper.h"

#include "CAlexaRankData.h"

#include <QSet>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

class tst_RankCell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void behavesLikeACentredItem();
    void changedCellKeepsEveryRole();
    void cloneIsEqual();
    void cellOfARecordShowsItsField_data();
    void cellOfARecordShowsItsField();
    void tableOwnsAndFreesCells();
    void newRowsAreAnnouncedToViews();
};

void tst_RankCell::behavesLikeACentredItem()
{
    const CRankCell cell(QStringLiteral("123,456"));
    QCOMPARE(cell.type(), 0);
    QCOMPARE(cell.text(), QStringLiteral("123,456"));
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), QStringLiteral("123,456"));
    QCOMPARE(cell.data(Qt::EditRole).toString(), QStringLiteral("123,456"));
    QCOMPARE(cell.textAlignment(), int(Qt::AlignCenter));
    QCOMPARE(cell.data(Qt::TextAlignmentRole).toInt(), 0x84);
    QVERIFY(!cell.data(Qt::DecorationRole).isValid());
    QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
    QCOMPARE(cell.flags(), QTableWidgetItem().flags());
}

void tst_RankCell::changedCellKeepsEveryRole()
{
    QTableWidget table(1, 1);
    auto *cell = new CRankCell(QStringLiteral("NA"));
    table.setItem(0, 0, cell);
    QSignalSpy changed(&table, &QTableWidget::itemChanged);

    cell->setToolTip(QStringLiteral("tip"));
    QCOMPARE(cell->text(), QStringLiteral("NA"));
    QCOMPARE(cell->textAlignment(), int(Qt::AlignCenter));
    QCOMPARE(cell->toolTip(), QStringLiteral("tip"));
    QVERIFY(!changed.isEmpty());

    cell->setText(QStringLiteral("42"));
    QCOMPARE(cell->text(), QStringLiteral("42"));
    QCOMPARE(table.model()->data(table.model()->index(0, 0)).toString(), QStringLiteral("42"));
    cell->setTextAlignment(Qt::AlignLeft);
    QCOMPARE(cell->textAlignment(), int(Qt::AlignLeft));
}

void tst_RankCell::cellOfARecordShowsItsField_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("domain") << 0 << "a.com";
    QTest::newRow("number") << 1 << "42";
    QTest::newRow("leading zero") << 2 << "007";
    QTest::newRow("NA") << 3 << "NA";
    QTest::newRow("empty") << 4 << "";
    QTest::newRow("largest number") << 5 << "2147483647";
    QTest::newRow("zero") << 6 << "0";
    QTest::newRow("date") << 7 << "05/08/2012";
}

// Numbers are kept as numbers; the text shown, copied and changed must be
// the field's own all the same.
void tst_RankCell::cellOfARecordShowsItsField()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    const CAlexaRankData record = CAlexaRankData::fromLine(u"a.com,42,007,NA,,2147483647,0,05/08/2012");
    QTableWidget table(1, 1);
    auto *cell = new CRankCell(record, field);
    table.setItem(0, 0, cell);
    QCOMPARE(cell->text(), text);
    QCOMPARE(table.model()->data(table.model()->index(0, 0)).toString(), text);
    const std::unique_ptr<QTableWidgetItem> copy(cell->clone());
    QCOMPARE(copy->text(), text);
    cell->setToolTip(QStringLiteral("tip"));
    QCOMPARE(cell->text(), text);
    QCOMPARE(cell->textAlignment(), int(Qt::AlignCenter));
}

void tst_RankCell::cloneIsEqual()
{
    const CRankCell cell(QStringLiteral("site.example"));
    const std::unique_ptr<QTableWidgetItem> copy(cell.clone());
    QCOMPARE(copy->type(), 0);
    QCOMPARE(copy->text(), QStringLiteral("site.example"));
    QCOMPARE(copy->textAlignment(), int(Qt::AlignCenter));
}

void tst_RankCell::tableOwnsAndFreesCells()
{
    const qsizetype before = CRankCell::liveCells();
    QTableWidget table(0, CAlexaRankData::FieldCount);
    QList<CAlexaRankData> records;
    for (int i = 0; i < 5000; ++i)
        records.append(CAlexaRankData::fromLine(QStringLiteral("d%1.com,1,2,3,4,5,6,07/08/2012").arg(i)));
    CWidgetHelper helper;
    helper.appendRows(&table, records);
    QCOMPARE(CRankCell::liveCells(), before + 5000 * CAlexaRankData::FieldCount);
    QCOMPARE(table.item(4999, 0)->text(), QStringLiteral("d4999.com"));
    QCOMPARE(table.item(4999, 7)->textAlignment(), int(Qt::AlignCenter));

    table.removeRow(0);
    QCOMPARE(CRankCell::liveCells(), before + 4999 * CAlexaRankData::FieldCount);
    QCOMPARE(helper.clearTable(&table), 0);
    QCOMPARE(CRankCell::liveCells(), before);

    // Slots given back are used again.
    helper.appendRows(&table, records.mid(0, 10));
    QCOMPARE(table.item(9, 0)->text(), QStringLiteral("d9.com"));
    helper.clearTable(&table);
    QCOMPARE(CRankCell::liveCells(), before);
}

void tst_RankCell::newRowsAreAnnouncedToViews()
{
    QTableWidget table(0, CAlexaRankData::FieldCount);
    CWidgetHelper helper;
    helper.appendRows(&table, {CAlexaRankData::fromLine(QStringLiteral("a.com,1,2,3,4,5,6,07/08/2012"))});
    QSignalSpy changed(table.model(), &QAbstractItemModel::dataChanged);
    QList<CAlexaRankData> records;
    for (int i = 0; i < 3; ++i)
        records.append(CAlexaRankData::fromLine(QStringLiteral("d%1.com,1,2,3,4,5,6,07/08/2012").arg(i)));
    helper.appendRows(&table, records);

    // Every new cell, and only the new ones, is covered.
    QSet<QPair<int, int>> covered;
    for (const QList<QVariant> &signal : std::as_const(changed)) {
        const auto from = signal.at(0).value<QModelIndex>();
        const auto to = signal.at(1).value<QModelIndex>();
        for (int row = from.row(); row <= to.row(); ++row) {
            for (int column = from.column(); column <= to.column(); ++column)
                covered.insert({row, column});
        }
    }
    QSet<QPair<int, int>> expected;
    for (int row = 1; row <= 3; ++row) {
        for (int column = 0; column < CAlexaRankData::FieldCount; ++column)
            expected.insert({row, column});
    }
    QCOMPARE(covered, expected);
    QCOMPARE(table.item(3, 0)->text(), QStringLiteral("d2.com"));
}

QTEST_MAIN(tst_RankCell)
#include "tst_RankCell.moc"
