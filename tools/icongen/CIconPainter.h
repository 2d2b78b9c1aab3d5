#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QImage;
class QPaintDevice;

// Draws one of Sorvane's icons onto a square image or drawing. All artwork is laid out
// on a 100 x 100 grid that is scaled to the image, so one drawing serves every
// pixel size; px() keeps strokes at least a device pixel wide on small images.
class CIconPainter
{
public:
    explicit CIconPainter(QImage *image);
    // For devices without a pixel size of their own, such as an SVG generator.
    CIconPainter(QPaintDevice *device, int size);

    void drawGlobalRank();
    void drawDomains();
    void drawUsRank();
    void drawOneDay();
    void drawSevenDay();
    void drawOneMonth();
    void drawThreeMonth();
    void drawDate();
    void drawImport();
    void drawExport();
    void drawExit();
    void drawRank();
    void drawReach();

private:
    qreal px(qreal pixels) const;
    void drawGlobe(const QPointF &centre, qreal radius);
    void drawCalendarPage(const QRectF &page, const QColor &header, const QString &label);
    void drawPageShadow(const QRectF &page);
    void drawTray();
    void drawVerticalArrow(qreal tailY, qreal tipY, const QColor &light, const QColor &dark);
    void drawLabel(const QRectF &box, const QString &text, const QColor &colour);
    static QPainterPath starPath(const QPointF &centre, qreal outerRadius);

    int m_size;
    QPainter m_painter;
};
