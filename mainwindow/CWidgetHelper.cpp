#include "CWidgetHelper.h"

#include "CAlexaRankData.h"
#include "CRankCell.h"

#include <QTableWidget>

int CWidgetHelper::clearTable(QTableWidget *table) const
{
    // All rows at once: removing row 0 repeatedly costs the square of the rows.
    table->setRowCount(0);
    return table->rowCount();
}

QTableWidgetItem *CWidgetHelper::makeCell(const QString &text)
{
    return new CRankCell(text); // centred, like every data cell
}

void CWidgetHelper::appendRows(QTableWidget *table, const QList<CAlexaRankData> &records) const
{
    if (records.isEmpty())
        return;
    const int first = table->rowCount();
    table->setRowCount(first + int(records.size()));
    for (int i = 0; i < records.size(); ++i) {
        const CAlexaRankData &record = records.at(i);
        for (int column = 0; column < CAlexaRankData::FieldCount; ++column)
            table->setItem(first + i, column, makeCell(record.field(column))); // the table owns it
    }
}
