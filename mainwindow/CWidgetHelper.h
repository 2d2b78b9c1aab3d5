#pragma once

#include <QList>

class CAlexaRankData;
class QTableWidget;
class QTableWidgetItem;

// Stateless operations on the history table.
class CWidgetHelper
{
public:
    // Removes every row; returns the final row count (0).
    int clearTable(QTableWidget *table) const;
    // Appends one row per record, eight centred cells each, with the row count
    // set once for all of them.
    void appendRows(QTableWidget *table, const QList<CAlexaRankData> &records) const;

    static QTableWidgetItem *makeCell(const QString &text);
};
