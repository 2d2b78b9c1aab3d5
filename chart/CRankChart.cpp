#include "CRankChart.h"

#include "CMoverRow.h"
#include "CRankSeries.h"
#include "CTrendPeriod.h"

#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Far enough apart to tell two dozen lines from each other.
constexpr QRgb palette[CRankChart::ColourCount] = {
    0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b, 0xe377c2, 0x7f7f7f,
    0xbcbd22, 0x17becf, 0x393b79, 0xe7ba52, 0x637939, 0xad494a, 0x6baed6, 0xfd8d3c,
    0x74c476, 0x9e9ac8, 0x843c39, 0x3182bd, 0xa55194, 0x31a354, 0xde9ed6, 0x000000,
};

QDate dateOfX(qreal x)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(x))).date();
}

} // namespace

CRankChart::CRankChart(QChart *chart, QObject *parent)
    : QObject(parent)
    , m_chart(chart)
    , m_rankAxis(new QCategoryAxis(chart))
    , m_dateAxis(new QDateTimeAxis(chart))
{
    m_rankAxis->setReverse(true);
    m_rankAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_rankAxis->setTitleText(QStringLiteral("Rank (log scale, best at the top)"));
    m_dateAxis->setTickCount(7);
    m_chart->addAxis(m_dateAxis, Qt::AlignBottom);
    m_chart->addAxis(m_rankAxis, Qt::AlignLeft);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    fitRankAxis(1, 1000);
    const QDate today = QDate::currentDate();
    m_dateAxis->setRange(today.addDays(-1).startOfDay(), today.startOfDay());
}

QColor CRankChart::colour(int index)
{
    return QColor(palette[((index % ColourCount) + ColourCount) % ColourCount]);
}

QString CRankChart::tickLabel(double value)
{
    struct Unit
    {
        double size;
        const char16_t *suffix;
    };
    constexpr Unit units[] = {{1e9, u"G"}, {1e6, u"M"}, {1e3, u"k"}};
    for (const Unit &unit : units) {
        if (value >= unit.size)
            return QString::number(value / unit.size, 'g', 3) + QString::fromUtf16(unit.suffix);
    }
    return QString::number(value, 'g', 3);
}

qreal CRankChart::xOf(QDate date)
{
    // Local midnight, since the date axis shows local time.
    return qreal(date.startOfDay().toMSecsSinceEpoch());
}

QString CRankChart::tipText(const QString &domain, QPointF point)
{
    const QDate date = dateOfX(point.x());
    const double value = std::pow(10.0, point.y());
    return domain + u'\n' + date.toString(QStringLiteral("dd/MM/yyyy")) + u'\n'
           + CMoverRow::number(value >= 10 ? std::round(value) : std::round(value * 1e4) / 1e4);
}

void CRankChart::fitRankAxis(double smallest, double largest)
{
    int low = int(std::floor(std::log10(smallest) + 1e-9));
    int high = int(std::ceil(std::log10(largest) - 1e-9));
    if (high <= low)
        high = low + 1;
    const QStringList old = m_rankAxis->categoriesLabels();
    for (const QString &label : old)
        m_rankAxis->remove(label);
    m_rankAxis->setStartValue(low);
    const bool fine = high - low <= 3; // few decades: label 2 and 5 between them too
    for (int exponent = low; exponent <= high; ++exponent) {
        const double decade = std::pow(10.0, exponent);
        m_rankAxis->append(tickLabel(decade), exponent);
        if (fine && exponent < high) {
            m_rankAxis->append(tickLabel(2 * decade), exponent + std::log10(2.0));
            m_rankAxis->append(tickLabel(5 * decade), exponent + std::log10(5.0));
        }
    }
    m_rankAxis->setRange(low, high);
}

void CRankChart::show(const QList<CRankSeries> &seriesList, const CTrendPeriod &period)
{
    m_chart->removeAllSeries();
    double smallest = std::numeric_limits<double>::max();
    double largest = 0;
    QDate first;
    QDate last;
    for (qsizetype s = 0; s < seriesList.size(); ++s) {
        const CRankSeries &series = seriesList.at(s);
        const QList<CRankSeries::Point> &points = series.points();
        const QColor colour = CRankChart::colour(int(s));
        bool named = false;
        for (const auto &[begin, end] : series.stretches()) {
            QList<QPointF> xy;
            xy.reserve(end - begin + 1);
            for (qsizetype i = begin; i <= end; ++i) {
                const CRankSeries::Point &point = points.at(i);
                xy.append(QPointF(xOf(point.date), std::log10(point.value)));
                smallest = std::min(smallest, point.value);
                largest = std::max(largest, point.value);
            }
            if (!first.isValid() || points.at(begin).date < first)
                first = points.at(begin).date;
            if (!last.isValid() || points.at(end).date > last)
                last = points.at(end).date;
            QXYSeries *drawn;
            if (begin == end) {
                auto *marker = new QScatterSeries; // the chart takes it over below
                marker->setMarkerSize(8);
                drawn = marker;
            } else {
                drawn = new QLineSeries;
            }
            drawn->setName(series.domain());
            drawn->replace(xy);
            m_chart->addSeries(drawn);
            // After adding: the chart's theme colours every series it is given.
            drawn->setColor(colour);
            if (auto *marker = qobject_cast<QScatterSeries *>(drawn))
                marker->setBorderColor(colour);
            drawn->attachAxis(m_dateAxis);
            drawn->attachAxis(m_rankAxis);
            // One legend entry per domain, whatever its number of stretches.
            const QList<QLegendMarker *> markers = m_chart->legend()->markers(drawn);
            for (QLegendMarker *legendMarker : markers)
                legendMarker->setVisible(!named);
            named = true;
            const QString domain = series.domain();
            connect(drawn, &QXYSeries::hovered, this, [this, domain](const QPointF &point, bool state) {
                Q_EMIT hovered(state ? tipText(domain, point) : QString());
            });
        }
    }
    if (largest > 0)
        fitRankAxis(smallest, largest);
    else
        fitRankAxis(1, 1000);

    QDate from = period.from().isValid() ? period.from() : first;
    QDate to = period.to().isValid() ? period.to() : last;
    if (!from.isValid())
        from = to.isValid() ? to : QDate::currentDate();
    if (!to.isValid())
        to = from;
    if (from == to) {
        // One day: half a day either side keeps its point inside the axis.
        m_dateAxis->setRange(from.startOfDay().addSecs(-12 * 3600), from.startOfDay().addSecs(12 * 3600));
    } else {
        m_dateAxis->setRange(from.startOfDay(), to.startOfDay());
    }
    // Ticks fall between month starts, so a long span names the day too.
    m_dateAxis->setFormat(from.daysTo(to) > 180 ? QStringLiteral("d MMM yyyy") : QStringLiteral("dd/MM/yyyy"));
}
