#include "COverviewTable.h"

#include "CAlexaRankData.h"
#include "CRecordDate.h"
#include "CTrendFigure.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int DomainField = 0;
constexpr int DateField = 7;
constexpr int NoDay = std::numeric_limits<int>::min();

// Where each domain stands in the history; days are Julian day numbers.
struct Track
{
    int newest = NoDay;
    qsizetype newestIndex = -1;
    int previous = NoDay;
    qsizetype previousIndex = -1;
    int weekBack = NoDay;
    qsizetype weekBackIndex = -1;
    int monthBack = NoDay;
    qsizetype monthBackIndex = -1;
    QList<std::pair<int, qsizetype>> range; // day, index
};

// What each domain or date key stands for, asked once a record: keys of
// texts are small numbers (a pool's ids), held in a plain table; any other
// key (a number's own) in a hash.
class KeyCache
{
public:
    template<typename Compute>
    int find(quint32 key, Compute compute)
    {
        if (key < TableLimit) {
            if (key >= quint32(m_table.size()))
                m_table.resize(qsizetype(key) + 1, Unknown);
            int &value = m_table[qsizetype(key)];
            if (value == Unknown)
                value = compute();
            return value;
        }
        auto found = m_values.constFind(key);
        if (found == m_values.constEnd())
            found = m_values.insert(key, compute());
        return *found;
    }

private:
    static constexpr quint32 TableLimit = 1u << 20;
    static constexpr int Unknown = std::numeric_limits<int>::max();

    QList<int> m_table;
    QHash<quint32, int> m_values;
};

std::optional<double> figureOf(const CAlexaRankData &record, int figure)
{
    return CTrendFigure::value(CTrendFigure::text(record, figure));
}

void takeLatest(int day, qsizetype index, int &bestDay, qsizetype &bestIndex)
{
    // Records come in history order, so a later one of the same day wins.
    if (day >= bestDay) {
        bestDay = day;
        bestIndex = index;
    }
}

COverviewRow rowOf(const QList<CAlexaRankData> &history, const QString &domain, Track &track)
{
    COverviewRow row;
    row.domain = domain;
    if (track.newestIndex < 0)
        return row;
    const CAlexaRankData &newest = history.at(track.newestIndex);
    row.date = QDate::fromJulianDay(track.newest);
    row.global = figureOf(newest, CTrendFigure::GlobalRank);
    row.us = figureOf(newest, CTrendFigure::UsRank);
    auto against = [&](qsizetype index) -> std::optional<double> {
        if (index < 0 || !row.global)
            return std::nullopt;
        const std::optional<double> was = figureOf(history.at(index), CTrendFigure::GlobalRank);
        return was ? std::optional<double>(*was - *row.global) : std::nullopt;
    };
    row.change = against(track.previousIndex);
    if (row.change)
        row.percent = *row.change / (*row.global + *row.change) * 100.0; // relative to the previous rank
    row.change7 = against(track.weekBackIndex);
    row.change30 = against(track.monthBackIndex);

    std::sort(track.range.begin(), track.range.end());
    for (qsizetype i = 0; i < track.range.size(); ++i) {
        const auto [day, index] = track.range.at(i);
        if (i + 1 < track.range.size() && track.range.at(i + 1).first == day)
            continue; // a later record of the same day follows
        const std::optional<double> value = figureOf(history.at(index), CTrendFigure::GlobalRank);
        if (!value)
            continue;
        row.last90.append({QDate::fromJulianDay(day), *value});
        row.best90 = std::min(row.best90.value_or(*value), *value);
        row.worst90 = std::max(row.worst90.value_or(*value), *value);
    }
    return row;
}

} // namespace

QList<COverviewRow> COverviewTable::build(const QList<CAlexaRankData> &history, const QStringList &domains,
                                          const QHash<QString, QStringList> &groupsOf)
{
    QHash<QString, int> slotOfName;
    QStringList names;
    for (const QString &domain : domains) {
        if (!domain.isEmpty() && !slotOfName.contains(domain)) {
            slotOfName.insert(domain, int(names.size()));
            names.append(domain);
        }
    }
    QList<Track> tracks(names.size());
    KeyCache slotCache;
    KeyCache dayCache;
    auto slotOf = [&](const CAlexaRankData &record) {
        return slotCache.find(record.key(DomainField), [&] { return slotOfName.value(record.domain(), -1); });
    };
    auto dayOf = [&](const CAlexaRankData &record) {
        return dayCache.find(record.key(DateField), [&] {
            const QDate date = CRecordDate::parse(record.date());
            return date.isValid() ? int(date.toJulianDay()) : NoDay;
        });
    };

    for (qsizetype i = 0; i < history.size(); ++i) {
        const CAlexaRankData &record = history.at(i);
        const int slot = slotOf(record);
        const int day = slot < 0 ? NoDay : dayOf(record);
        if (day != NoDay)
            takeLatest(day, i, tracks[slot].newest, tracks[slot].newestIndex);
    }
    for (qsizetype i = 0; i < history.size(); ++i) {
        const CAlexaRankData &record = history.at(i);
        const int slot = slotOf(record);
        const int day = slot < 0 ? NoDay : dayOf(record);
        if (day == NoDay)
            continue;
        Track &track = tracks[slot];
        if (day < track.newest)
            takeLatest(day, i, track.previous, track.previousIndex);
        if (day <= track.newest - 7)
            takeLatest(day, i, track.weekBack, track.weekBackIndex);
        if (day <= track.newest - 30)
            takeLatest(day, i, track.monthBack, track.monthBackIndex);
        if (day > track.newest - RangeDays)
            track.range.append({day, i});
    }

    QList<COverviewRow> rows;
    rows.reserve(names.size());
    for (qsizetype slot = 0; slot < names.size(); ++slot) {
        rows.append(rowOf(history, names.at(slot), tracks[slot]));
        rows.last().groups = groupsOf.value(names.at(slot));
    }
    return rows;
}

void COverviewTable::sortByGlobalRank(QList<COverviewRow> &rows)
{
    auto rankOrder = [](const COverviewRow &row) { return row.global ? 0 : row.hasRecord() ? 1 : 2; };
    std::stable_sort(rows.begin(), rows.end(), [&](const COverviewRow &a, const COverviewRow &b) {
        if (rankOrder(a) != rankOrder(b))
            return rankOrder(a) < rankOrder(b);
        return a.global && *a.global < *b.global;
    });
}
