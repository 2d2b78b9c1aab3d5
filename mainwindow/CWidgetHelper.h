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
    // set once for all of them. A row given the record's place in the history
    // remembers it, so that it names that very record even among identical ones.
    void appendRows(QTableWidget *table, const QList<CAlexaRankData> &records,
                    const QList<qsizetype> &historyIndices = {}) const;
    // The place in the history of the record the row shows; -1 when not known.
    static qsizetype historyIndexOf(const QTableWidget *table, int row);
    // Removes the row of a record removed from the history at historyIndex
    // (-1: none), and moves the places the other rows remember to follow.
    static void removeRecordRow(QTableWidget *table, int row, qsizetype historyIndex);

    static QTableWidgetItem *makeCell(const QString &text);
};
