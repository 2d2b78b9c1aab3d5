#include "CHistoryMerge.h"

#include "CAlexaRankData.h"
#include "CRecordDate.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

constexpr qint32 NoDay = std::numeric_limits<qint32>::min();

// The day of a record as a number, looked up by its date text's key: a
// history of millions of records holds a few thousand dates. A date that
// is no day is later than nothing.
class DayOf
{
public:
    qint32 operator()(const CAlexaRankData &record)
    {
        const quint32 key = record.key(7);
        if (const auto found = m_days.find(key); found != m_days.end())
            return found->second;
        const QDate date = CRecordDate::parse(record.date());
        const qint32 day = date.isValid() ? qint32(date.toJulianDay()) : NoDay;
        m_days.emplace(key, day);
        return day;
    }

private:
    std::unordered_map<quint32, qint32> m_days;
};

quint64 domainDayKey(const CAlexaRankData &record)
{
    return quint64(record.key(7)) << 32 | record.key(0);
}

// Day and index in the batch of each record to add, in date order.
using Order = std::vector<std::pair<qint32, quint32>>;

Order newRecordsInOrder(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &records,
                        DayOf &dayOf, qsizetype *skipped)
{
    Order order;
    order.reserve(std::size_t(records.size()));
    for (qsizetype i = 0; i < records.size(); ++i)
        order.emplace_back(dayOf(records.at(i)), quint32(i));
    // An exported history is mostly in date order already.
    if (!std::is_sorted(order.begin(), order.end()))
        std::sort(order.begin(), order.end());

    std::vector<quint64> held;
    held.reserve(std::size_t(history.size()));
    for (const CAlexaRankData &record : history)
        held.push_back(domainDayKey(record));
    std::sort(held.begin(), held.end());

    // A domain and date seen twice share a day, so a set of one day at a
    // time finds repeats within the batch.
    std::unordered_set<quint64> sameDay;
    qint32 currentDay = NoDay;
    std::size_t kept = 0;
    for (const auto &entry : order) {
        if (entry.first != currentDay) {
            sameDay.clear();
            currentDay = entry.first;
        }
        const quint64 key = domainDayKey(records.at(entry.second));
        if (std::binary_search(held.begin(), held.end(), key) || !sameDay.insert(key).second) {
            ++*skipped;
            continue;
        }
        order[kept++] = entry;
    }
    order.resize(kept);
    return order;
}

// The records to add, in order, reusing the batch's memory when it allows.
QList<CAlexaRankData> arrange(QList<CAlexaRankData> records, const Order &order)
{
    const bool ascending = std::is_sorted(order.begin(), order.end(),
                                          [](const auto &a, const auto &b) { return a.second < b.second; });
    if (!ascending) {
        QList<CAlexaRankData> arranged;
        arranged.reserve(qsizetype(order.size()));
        for (const auto &entry : order)
            arranged.append(records.at(entry.second));
        return arranged;
    }
    // Each kept record moves down or stays, never over one still to be read.
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i].second != i)
            records[qsizetype(i)] = records.at(order[i].second);
    }
    records.resize(qsizetype(order.size()));
    return records;
}

} // namespace

QString CHistoryMerge::summary(const Counts &counts)
{
    return QCoreApplication::translate("CHistoryMerge", "%1 added, %2 skipped (domain and date already held)")
        .arg(counts.added)
        .arg(counts.skipped);
}

CHistoryMerge::Counts CHistoryMerge::count(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &records)
{
    DayOf dayOf;
    Counts counts;
    counts.added = qsizetype(newRecordsInOrder(history, records, dayOf, &counts.skipped).size());
    return counts;
}

CHistoryMerge::Counts CHistoryMerge::merge(QList<CAlexaRankData> &history, QList<CAlexaRankData> records)
{
    DayOf dayOf;
    Counts counts;
    const Order order = newRecordsInOrder(history, records, dayOf, &counts.skipped);
    counts.added = qsizetype(order.size());
    if (order.empty())
        return counts;
    QList<CAlexaRankData> added = arrange(std::move(records), order);
    if (history.isEmpty()) {
        history = std::move(added);
        return counts;
    }

    QList<CAlexaRankData> merged;
    merged.reserve(history.size() + added.size());
    // A record goes before the first held one with a later day, which is
    // where the latest day held so far first passes its own.
    qint32 latest = NoDay;
    std::size_t next = 0;
    for (const CAlexaRankData &held : std::as_const(history)) {
        latest = std::max(latest, dayOf(held));
        while (next < order.size() && order[next].first < latest)
            merged.append(added.at(qsizetype(next++)));
        merged.append(held);
    }
    while (next < order.size())
        merged.append(added.at(qsizetype(next++)));
    history = std::move(merged);
    return counts;
}
