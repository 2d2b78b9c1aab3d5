#include "CRankSeries.h"

#include "CAlexaRankData.h"
#include "CRecordDate.h"
#include "CTrendFigure.h"

#include <QHash>

#include <algorithm>

CRankSeries::CRankSeries(const QString &domain)
    : m_domain(domain)
{
}

QList<CRankSeries> CRankSeries::buildEach(const QList<CAlexaRankData> &history, const QStringList &domains,
                                      int figure, const CTrendPeriod &period)
{
    QList<CRankSeries> result;
    result.reserve(domains.size());
    QHash<QString, qsizetype> index;
    for (const QString &domain : domains) {
        if (!index.contains(domain)) {
            index.insert(domain, result.size());
            result.append(CRankSeries(domain));
        }
    }
    for (qsizetype i = 0; i < history.size(); ++i) {
        const CAlexaRankData &record = history.at(i);
        const auto found = index.constFind(record.domain());
        if (found == index.constEnd())
            continue;
        const QDate date = CRecordDate::parse(record.date());
        if (period.contains(date))
            result[*found].add(date, CTrendFigure::text(record, figure), i);
    }
    for (CRankSeries &series : result)
        series.finish();
    return result;
}

CRankSeries CRankSeries::build(const QList<CAlexaRankData> &history, const QString &domain, int figure,
                               const CTrendPeriod &period)
{
    // One domain: a plain comparison per record is cheaper than a lookup.
    CRankSeries series(domain);
    for (qsizetype i = 0; i < history.size(); ++i) {
        const CAlexaRankData &record = history.at(i);
        if (record.domain() != domain)
            continue;
        const QDate date = CRecordDate::parse(record.date());
        if (period.contains(date))
            series.add(date, CTrendFigure::text(record, figure), i);
    }
    series.finish();
    return series;
}

void CRankSeries::add(QDate date, const QString &text, qsizetype order)
{
    m_readings.append({date, order, text});
}

void CRankSeries::finish()
{
    std::sort(m_readings.begin(), m_readings.end(), [](const Reading &a, const Reading &b) {
        return a.date != b.date ? a.date < b.date : a.order < b.order;
    });
    m_points.clear();
    m_points.reserve(m_readings.size());
    for (const Reading &reading : std::as_const(m_readings)) {
        const std::optional<double> value = CTrendFigure::value(reading.text);
        Point point{reading.date, value.value_or(0), !value.has_value()};
        if (!m_points.isEmpty() && m_points.last().date == reading.date)
            m_points.last() = point; // the later record of the day wins
        else
            m_points.append(point);
    }
    m_readings.clear();
    m_readings.squeeze();
}

bool CRankSeries::hasValues() const
{
    return std::any_of(m_points.cbegin(), m_points.cend(), [](const Point &p) { return !p.gap; });
}

QList<std::pair<qsizetype, qsizetype>> CRankSeries::stretches() const
{
    QList<std::pair<qsizetype, qsizetype>> result;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= m_points.size(); ++i) {
        const bool gap = i == m_points.size() || m_points.at(i).gap;
        if (!gap && start < 0)
            start = i;
        else if (gap && start >= 0) {
            result.append({start, i - 1});
            start = -1;
        }
    }
    return result;
}
