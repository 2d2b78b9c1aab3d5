#include "CCheckBoxStyle.h"

#include <QPainter>
#include <QStyleOption>

void CCheckBoxStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                   const QWidget *widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorItemViewItemCheck && element != PE_IndicatorCheckBox)
        return;
    painter->save();
    QColor outline = option->palette.color(QPalette::Text);
    outline.setAlpha(160);
    painter->setPen(outline);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -1.5, -1.5));
    painter->restore();
}
