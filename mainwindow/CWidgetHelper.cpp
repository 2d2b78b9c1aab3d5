#include "CWidgetHelper.h"

#include "CAlexaRankData.h"
#include "CRankCell.h"

#include <QSignalBlocker>
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

void CWidgetHelper::appendRows(QTableWidget *table, const QList<CAlexaRankData> &records,
                               const QList<qsizetype> &historyIndices) const
{
    if (records.isEmpty())
        return;
    const int first = table->rowCount();
    const int last = first + int(records.size()) - 1;
    table->setRowCount(last + 1);
    QAbstractItemModel *model = table->model();
    // Each cell put in would tell the views about itself alone: thousands of
    // signals for one view change. Unless a sorted table has to move rows as
    // cells arrive, the new cells are announced once, together.
    const bool together = !table->isSortingEnabled();
    {
        const QSignalBlocker quiet(together ? model : nullptr);
        for (int i = 0; i < records.size(); ++i) {
            const CAlexaRankData &record = records.at(i);
            for (int column = 0; column < CAlexaRankData::FieldCount; ++column) {
                auto *cell = new CRankCell(record, column); // the table owns it
                if (column == 0 && i < historyIndices.size())
                    cell->setHistoryIndex(historyIndices.at(i));
                table->setItem(first + i, column, cell);
            }
        }
    }
    if (together)
        Q_EMIT model->dataChanged(model->index(first, 0), model->index(last, table->columnCount() - 1));
}

qsizetype CWidgetHelper::historyIndexOf(const QTableWidget *table, int row)
{
    const auto *cell = dynamic_cast<const CRankCell *>(table->item(row, 0));
    return cell ? cell->historyIndex() : -1;
}

void CWidgetHelper::removeRecordRow(QTableWidget *table, int row, qsizetype historyIndex)
{
    table->removeRow(row);
    if (historyIndex < 0)
        return;
    for (int r = 0; r < table->rowCount(); ++r) {
        auto *cell = dynamic_cast<CRankCell *>(table->item(r, 0));
        if (cell && cell->historyIndex() > historyIndex)
            cell->setHistoryIndex(cell->historyIndex() - 1);
    }
}
