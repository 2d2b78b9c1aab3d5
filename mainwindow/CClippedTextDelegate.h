#pragma once

#include <QStyledItemDelegate>

// Draws cells as usual, and gives a cell whose text the column is too narrow
// to show a tool tip with the whole text; cells that show all of it get none.
class CClippedTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The text to show in the cell's tool tip, or an empty string when the
    // cell shows its text whole.
    QString clippedText(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;
};
