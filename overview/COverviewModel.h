#pragma once

#include "COverviewRow.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>

// The overview's rows for a view: one column per figure and a last one for
// the line of the last 90 days. SortRole gives each cell's value for
// sorting, nothing for "NA" and for nothing to compare with.
class COverviewModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role { SortRole = Qt::UserRole, LineRole, GroupsRole };
    static constexpr int LineColumn = COverviewRow::ColumnCount;

    explicit COverviewModel(QObject *parent = nullptr);

    void setRows(QList<COverviewRow> rows);
    const QList<COverviewRow> &rows() const { return m_rows; }
    // The colours of an improvement and of a fall, fitting the background.
    void setTones(QColor up, QColor down);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A cell as the window shows it.
    static QString text(const COverviewRow &row, int column);

private:
    QVariant sortValue(const COverviewRow &row, int column) const;

    QList<COverviewRow> m_rows;
    QColor m_up;
    QColor m_down;
};
