#include "CPreviousRecords.h"

#include "CAlexaRankData.h"
#include "CRecordDate.h"

#include <QDate>

#include <algorithm>
#include <array>

namespace {

constexpr int DomainField = 0;

// Most of a long history is other domains than the run's: one bit per
// hashed key rules nearly all of them out before the lookup in a table.
class KeyFilter
{
public:
    void add(quint32 key) { m_bits[slot(key) / 64] |= quint64(1) << (slot(key) % 64); }
    bool mayHold(quint32 key) const { return m_bits[slot(key) / 64] & (quint64(1) << (slot(key) % 64)); }

private:
    static constexpr int Bits = 16;
    static quint32 slot(quint32 key) { return (key * 0x9E3779B1u) >> (32 - Bits); }

    std::array<quint64, (1u << Bits) / 64> m_bits = {};
};

} // namespace

CPreviousRecords::CPreviousRecords(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run)
    : m_history(history)
{
    // Per domain of the run, the earliest date the run brought. The history
    // is matched by domain key: it may hold millions of records.
    QHash<quint32, QDate> earliest;
    KeyFilter runDomains;
    for (const CAlexaRankData &record : run) {
        const QDate date = CRecordDate::parse(record.date());
        if (!date.isValid())
            continue;
        QDate &first = earliest[record.key(DomainField)];
        if (!first.isValid() || date < first)
            first = date;
        runDomains.add(record.key(DomainField));
    }
    QHash<quint32, QDate> latest;
    for (qsizetype i = 0; i < history.size(); ++i) {
        const CAlexaRankData &record = history.at(i);
        const quint32 key = record.key(DomainField);
        if (!runDomains.mayHold(key))
            continue;
        const auto runStart = earliest.constFind(key);
        if (runStart == earliest.constEnd())
            continue;
        const QDate date = CRecordDate::parse(record.date());
        if (!date.isValid() || date >= *runStart)
            continue;
        QDate &newest = latest[key];
        if (!newest.isValid() || date >= newest) {
            newest = date;
            m_previous.insert(key, i);
        }
    }
}

const CAlexaRankData *CPreviousRecords::of(const CAlexaRankData &runRecord) const
{
    const auto found = m_previous.constFind(runRecord.key(DomainField));
    return found == m_previous.constEnd() ? nullptr : &m_history.at(*found);
}
