#pragma once

#include <QStyledItemDelegate>

// Draws a cell's line of the last days (COverviewModel::LineRole): days
// across, the best rank at the top, in the view's text colour.
class CLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
