#pragma once

#include <QProxyStyle>

// The application's style with check boxes outlined in the text colour, so
// that they stay visible on a dark palette, where some styles draw them dark
// on dark.
class CCheckBoxStyle : public QProxyStyle
{
    Q_OBJECT

public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};
