#pragma once

#include "CDomainColours.h"

#include <QColor>
#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>

class CRankSeries;
class CTrendPeriod;
class QCategoryAxis;
class QChart;
class QDateTimeAxis;
class QGraphicsSimpleTextItem;
class QXYSeries;

// Draws domains' series into a chart: a line per stretch between gaps, a
// marker for a lone point, one colour and one legend entry per domain. The
// rank axis is logarithmic and reversed, so rank 1 is at the top: values
// are placed by their base-10 logarithm on an axis labelled 1, 10, 100,
// 1k ... at the powers of ten (and 2 and 5 between them on a short range).
class CRankChart : public QObject
{
    Q_OBJECT

public:
    // A line with more points is drawn from the extremes of runs of them.
    static constexpr qsizetype MaxLinePoints = 800;

    // Draws into chart, which the caller owns.
    explicit CRankChart(QChart *chart, QObject *parent = nullptr);

    // Draws these series, each in its domain's colour. The series of a
    // domain already drawn are kept: clear() first when the domain's series
    // has changed. The date axis spans the period, or the dates drawn when
    // the period is open on a side. Without a value to draw, the axes give
    // way to the empty text.
    void show(const QList<CRankSeries> &series, const CTrendPeriod &period);
    void clear();
    // The figure the series are of (CTrendFigure): the US rank, given in
    // buckets for whole months, is drawn as steps. A change clears the chart.
    void setFigure(int figure);
    // What the chart says when it has nothing to draw.
    void setEmptyText(const QString &text);
    bool isEmpty() const { return m_empty; }
    // A dark chart for a dark palette; what is drawn is drawn again.
    void setDark(bool dark);

    QChart *chart() const { return m_chart; }
    QCategoryAxis *rankAxis() const { return m_rankAxis; }
    QDateTimeAxis *dateAxis() const { return m_dateAxis; }

    // The domains whose colours are told apart (see CDomainColours): the
    // whole list the drawn ones are chosen from.
    void setDomains(const QStringList &domains);
    // A domain's colour wherever it is drawn, whatever else is.
    QColor colourOf(const QString &domain) const;
    // "1", "10", "1k", "2M", "0.01" for a value such as 1, 10, 1000, 2e6, 0.01.
    static QString tickLabel(double value);
    // The text of a hovered point of a drawn series of figure; a US rank
    // that is a bucket says so ("among the top 10,000 in the United States").
    static QString tipText(const QString &domain, QPointF point, int figure = 0);
    // A date's place on the date axis.
    static qreal xOf(QDate date);

Q_SIGNALS:
    // A point is hovered (text) or left (empty text).
    void hovered(const QString &text);

private:
    struct Extent
    {
        double smallest = 0;
        double largest = 0;
        QDate first; // invalid without a value
        QDate last;
    };
    struct Drawn
    {
        QList<QXYSeries *> parts; // owned by the chart
        Extent extent;
    };

    static Extent extentOf(const CRankSeries &series);
    Drawn draw(const CRankSeries &series);
    void fitRankAxis(double smallest, double largest);
    void placeEmptyText();

    QChart *m_chart;
    QCategoryAxis *m_rankAxis;
    QDateTimeAxis *m_dateAxis;
    QHash<QString, Drawn> m_drawn;
    int m_figure = 0;
    QGraphicsSimpleTextItem *m_emptyText; // owned by the chart
    bool m_empty = true;
    bool m_dark = false;
    CDomainColours m_colours;
};
