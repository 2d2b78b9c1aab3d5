#include "CRankChart.h"

#include "CMoverRow.h"
#include "CRankSeries.h"
#include "CRecordDate.h"
#include "CTrendFigure.h"
#include "CTrendPeriod.h"
#include "protocol/CRankBuckets.h"

#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QDate dateOfX(qreal x)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(x))).date();
}

// Each value held until the next one's date, then the step to it.
QList<QPointF> stepped(const QList<QPointF> &line)
{
    QList<QPointF> steps;
    steps.reserve(2 * line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (i > 0 && line.at(i).y() != line.at(i - 1).y())
            steps.append(QPointF(line.at(i).x(), line.at(i - 1).y()));
        steps.append(line.at(i));
    }
    return steps;
}

} // namespace

CRankChart::CRankChart(QChart *chart, QObject *parent)
    : QObject(parent)
    , m_chart(chart)
    , m_rankAxis(new QCategoryAxis(chart))
    , m_dateAxis(new QDateTimeAxis(chart))
    , m_emptyText(new QGraphicsSimpleTextItem(chart))
{
    m_rankAxis->setReverse(true);
    m_rankAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_rankAxis->setTitleText(tr("Rank (log scale, best at the top)"));
    m_dateAxis->setTickCount(6);
    m_chart->addAxis(m_dateAxis, Qt::AlignBottom);
    m_chart->addAxis(m_rankAxis, Qt::AlignLeft);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    // The chart window's domain list shows each colour with the whole name;
    // the legend is drawn only into saved images.
    m_chart->legend()->setVisible(false);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    fitRankAxis(1, 1000);
    const QDate today = QDate::currentDate();
    m_dateAxis->setRange(today.addDays(-1).startOfDay(), today.startOfDay());
    m_emptyText->setZValue(10);
    connect(m_chart, &QChart::plotAreaChanged, this, &CRankChart::placeEmptyText);
    setDark(false);
}

void CRankChart::setDark(bool dark)
{
    // A theme sets every colour anew: the lines are drawn again in theirs.
    const QString title = m_chart->title();
    const bool legend = m_chart->legend()->isVisible();
    m_dark = dark;
    clear();
    m_chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    m_chart->setTitle(title);
    m_chart->legend()->setVisible(legend);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_emptyText->setBrush(dark ? QColor(0xd0d0d0) : QColor(0x404040));
}

void CRankChart::setEmptyText(const QString &text)
{
    m_emptyText->setText(text);
    placeEmptyText();
}

void CRankChart::placeEmptyText()
{
    const QRectF area = m_chart->plotArea();
    const QRectF box = m_emptyText->boundingRect();
    m_emptyText->setPos(area.center().x() - box.width() / 2, area.center().y() - box.height() / 2);
    m_emptyText->setVisible(m_empty);
}

void CRankChart::setDomains(const QStringList &domains)
{
    m_colours = CDomainColours(domains);
}

QColor CRankChart::colourOf(const QString &domain) const
{
    return m_colours.of(domain);
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

QString CRankChart::tipText(const QString &domain, QPointF point, int figure)
{
    const QDate date = dateOfX(point.x());
    const double value = std::pow(10.0, point.y());
    const QString number = CMoverRow::number(value >= 10 ? std::round(value) : std::round(value * 1e4) / 1e4);
    // A rank stored from a daily United States list is a place, shown as always.
    const bool bucket = figure == CTrendFigure::UsRank && CRankBuckets::isBucket(std::round(value));
    return domain + u'\n' + CRecordDate::text(date) + u'\n'
        + (bucket ? tr("among the top %1 in the United States").arg(number) : number);
}

void CRankChart::setFigure(int figure)
{
    if (figure != m_figure)
        clear();
    m_figure = figure;
}

void CRankChart::fitRankAxis(double smallest, double largest)
{
    int low = int(std::floor(std::log10(smallest) + 1e-9));
    int high = int(std::ceil(std::log10(largest) - 1e-9));
    if (high <= low)
        high = low + 1;
    if (m_rankAxis->min() == low && m_rankAxis->max() == high && !m_rankAxis->categoriesLabels().isEmpty())
        return;
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

void CRankChart::clear()
{
    m_chart->removeAllSeries();
    m_drawn.clear();
}

void CRankChart::show(const QList<CRankSeries> &seriesList, const CTrendPeriod &period)
{
    // Domains no longer shown go; those still shown keep their series.
    QSet<QString> wanted;
    for (const CRankSeries &series : seriesList)
        wanted.insert(series.domain());
    for (auto it = m_drawn.begin(); it != m_drawn.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        for (QXYSeries *part : std::as_const(it->parts)) {
            m_chart->removeSeries(part);
            delete part; // removing gives it back to us
        }
        it = m_drawn.erase(it);
    }
    // The axes are fitted before new lines are added: every change of an
    // axis makes each line already added lay out all its points again.
    double smallest = std::numeric_limits<double>::max();
    double largest = 0;
    QDate first;
    QDate last;
    auto widen = [&](const Extent &extent) {
        if (!extent.first.isValid())
            return;
        smallest = std::min(smallest, extent.smallest);
        largest = std::max(largest, extent.largest);
        if (!first.isValid() || extent.first < first)
            first = extent.first;
        if (!last.isValid() || extent.last > last)
            last = extent.last;
    };
    for (const CRankSeries &series : seriesList) {
        const auto found = m_drawn.constFind(series.domain());
        widen(found != m_drawn.constEnd() ? found->extent : extentOf(series));
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
        // One day: the day before and after it, so that no date is named twice.
        m_dateAxis->setTickCount(3);
        m_dateAxis->setRange(from.addDays(-1).startOfDay(), from.addDays(1).startOfDay());
    } else {
        m_dateAxis->setTickCount(std::clamp(int(from.daysTo(to)) + 1, 2, 6));
        m_dateAxis->setRange(from.startOfDay(), to.startOfDay());
    }
    // Ticks fall between month starts, so a long span names the day too.
    m_dateAxis->setFormat(from.daysTo(to) > 180 ? QStringLiteral("d MMM yy") : QStringLiteral("dd/MM/yy"));

    m_empty = largest <= 0;
    m_dateAxis->setVisible(!m_empty);
    m_rankAxis->setVisible(!m_empty);
    placeEmptyText();
    for (const CRankSeries &series : seriesList) {
        const QColor colour = colourOf(series.domain());
        auto found = m_drawn.find(series.domain());
        if (found == m_drawn.end())
            found = m_drawn.insert(series.domain(), draw(series));
        for (QXYSeries *part : std::as_const(found->parts)) {
            if (part->color() != colour)
                part->setColor(colour);
            auto *marker = qobject_cast<QScatterSeries *>(part);
            if (marker && marker->borderColor() != colour)
                marker->setBorderColor(colour);
        }
    }
}

CRankChart::Extent CRankChart::extentOf(const CRankSeries &series)
{
    Extent extent;
    extent.smallest = std::numeric_limits<double>::max();
    for (const CRankSeries::Point &point : series.points()) {
        if (point.gap)
            continue;
        extent.smallest = std::min(extent.smallest, point.value);
        extent.largest = std::max(extent.largest, point.value);
        if (!extent.first.isValid())
            extent.first = point.date;
        extent.last = point.date;
    }
    return extent;
}

CRankChart::Drawn CRankChart::draw(const CRankSeries &series)
{
    Drawn drawn;
    drawn.extent = extentOf(series);
    const QList<CRankSeries::Point> &points = series.points();
    const QString domain = series.domain();
    for (const auto &[begin, end] : series.stretches()) {
        QList<QPointF> xy;
        const qsizetype count = end - begin + 1;
        auto place = [&](qsizetype i) {
            const CRankSeries::Point &point = points.at(i);
            xy.append(QPointF(xOf(point.date), std::log10(point.value)));
        };
        if (count <= MaxLinePoints) {
            xy.reserve(count);
            for (qsizetype i = begin; i <= end; ++i)
                place(i);
        } else {
            // More points than the chart is wide: each run of neighbours is
            // drawn as its best and its worst value, in date order, so every
            // peak stays while far fewer points are laid out and painted.
            const qsizetype buckets = MaxLinePoints / 2;
            xy.reserve(MaxLinePoints);
            for (qsizetype b = 0; b < buckets; ++b) {
                const qsizetype from = begin + count * b / buckets;
                const qsizetype to = begin + count * (b + 1) / buckets; // exclusive
                qsizetype low = from;
                qsizetype high = from;
                for (qsizetype i = from; i < to; ++i) {
                    if (points.at(i).value < points.at(low).value)
                        low = i;
                    if (points.at(i).value > points.at(high).value)
                        high = i;
                }
                place(std::min(low, high));
                if (low != high)
                    place(std::max(low, high));
            }
        }
        // A bucket holds for its whole month: a slope between two months
        // would show ranks no list gave.
        if (m_figure == CTrendFigure::UsRank)
            xy = stepped(xy);
        QXYSeries *part;
        if (begin == end) {
            auto *marker = new QScatterSeries; // the chart takes it over below
            marker->setMarkerSize(8);
            part = marker;
        } else {
            part = new QLineSeries;
        }
        part->setName(domain);
        part->replace(xy);
        m_chart->addSeries(part);
        part->attachAxis(m_dateAxis);
        part->attachAxis(m_rankAxis);
        // One legend entry per domain, whatever its number of stretches. The
        // legend lays its labels out as markup: the name is escaped there.
        const QList<QLegendMarker *> markers = m_chart->legend()->markers(part);
        for (QLegendMarker *legendMarker : markers) {
            legendMarker->setLabel(domain.toHtmlEscaped());
            if (!drawn.parts.isEmpty())
                legendMarker->setVisible(false);
        }
        drawn.parts.append(part);
        connect(part, &QXYSeries::hovered, this, [this, domain](const QPointF &point, bool state) {
            Q_EMIT hovered(state ? tipText(domain, point, m_figure) : QString());
        });
    }
    return drawn;
}
