#include "CLineDelegate.h"

#include "COverviewModel.h"
#include "COverviewTable.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>

void CLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index); // background and selection
    const QPolygonF line = index.data(COverviewModel::LineRole).value<QPolygonF>();
    if (line.isEmpty())
        return;
    const QRectF area = QRectF(option.rect).adjusted(4, 4, -4, -4);
    double low = line.first().y();
    double high = low;
    for (const QPointF &point : line) {
        low = std::min(low, point.y());
        high = std::max(high, point.y());
    }
    const double span = high > low ? high - low : 1;
    QPolygonF placed;
    for (const QPointF &point : line) {
        const double x = area.left() + area.width() * point.x() / (COverviewTable::RangeDays - 1);
        // A smaller rank is better: it is drawn higher.
        const double y = high > low ? area.top() + area.height() * (point.y() - low) / span : area.center().y();
        placed.append(QPointF(x, y));
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1.5));
    if (placed.size() == 1)
        painter->drawEllipse(placed.first(), 2, 2);
    else
        painter->drawPolyline(placed);
    painter->restore();
}

QSize CLineDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize text = QStyledItemDelegate::sizeHint(option, index);
    return QSize(std::max(text.width(), option.fontMetrics.averageCharWidth() * 16), text.height());
}
