#pragma once

#include "CRankSeries.h"
#include "CTrendPeriod.h"
#include "base/CResult.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class CRankChart;
class QChart;
class QGraphicsScene;
class QPainter;

// A chart as a picture to share, drawn apart from any window: the lines of
// one figure over a period and, under them, every drawn domain's name beside
// its colour, in as many rows as the names need.
class CChartPicture
{
public:
    struct Content
    {
        QList<CRankSeries> series;
        QStringList listed; // the list the series are chosen from, whose colours are told apart
        CTrendPeriod period;
        int figure = 0; // a CTrendFigure
        bool dark = false;
    };

    CChartPicture(const Content &content, QSize size);
    ~CChartPicture();

    QSize size() const { return m_size; }
    // The legend's entries laid out: one rectangle a drawn domain.
    const QList<QRect> &legendPlaces() const { return m_places; }
    int legendRows() const { return m_rows; }
    CRankChart *rankChart() const { return m_drawer.get(); }

    void paint(QPainter &painter) const;
    // The file is replaced only once it is written whole.
    CResult<> savePng(const QString &path) const;
    CResult<> saveSvg(const QString &path) const;

    // "No Global Rank of the checked domains in 01/10/2026 to 31/10/2026."
    static QString emptyText(int figure, const CTrendPeriod &period, bool anyChecked);

private:
    void layOutLegend();

    Content m_content;
    QSize m_size;
    std::unique_ptr<QGraphicsScene> m_scene;
    QChart *m_chart = nullptr; // owned by the scene
    std::unique_ptr<CRankChart> m_drawer;
    QList<QRect> m_places;
    int m_rows = 0;
    int m_lineHeight = 0;
};
