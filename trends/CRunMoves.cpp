#include "CRunMoves.h"

#include "CAlexaRankData.h"
#include "CMoverRow.h"
#include "CRecordDate.h"
#include "CTrendFigure.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int DomainField = 0;

struct Move
{
    QString domain;
    double change;
    double percent;
};

struct Latest
{
    QDate date;
    QString text;
};

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

QString CRunMoves::summary(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run)
{
    // Per domain of the run, the dates the run brought.
    QHash<QString, QList<QDate>> runDates;
    for (const CAlexaRankData &record : run) {
        const QDate date = CRecordDate::parse(record.date());
        if (date.isValid())
            runDates[record.domain()].append(date);
    }
    // Per domain, the newest record before the earliest date of the run.
    // The history is matched by domain key: it may hold millions of records.
    QHash<quint32, QDate> earliest;
    KeyFilter runDomains;
    for (const CAlexaRankData &record : run) {
        const auto dates = runDates.constFind(record.domain());
        if (dates != runDates.constEnd()) {
            earliest.insert(record.key(DomainField), *std::min_element(dates->cbegin(), dates->cend()));
            runDomains.add(record.key(DomainField));
        }
    }
    QHash<quint32, Latest> previous;
    for (const CAlexaRankData &record : history) {
        if (!runDomains.mayHold(record.key(DomainField)))
            continue;
        const auto runStart = earliest.constFind(record.key(DomainField));
        if (runStart == earliest.constEnd())
            continue;
        const QDate date = CRecordDate::parse(record.date());
        if (!date.isValid() || date >= *runStart)
            continue;
        Latest &latest = previous[record.key(DomainField)];
        if (!latest.date.isValid() || date >= latest.date)
            latest = {date, record.globalRank()};
    }

    QList<Move> moves;
    for (const CAlexaRankData &record : run) {
        const auto before = previous.constFind(record.key(DomainField));
        if (before == previous.constEnd())
            continue;
        const std::optional<double> was = CTrendFigure::value(before->text);
        const std::optional<double> now = CTrendFigure::value(record.globalRank());
        if (!was || !now || *was == *now)
            continue;
        const double change = *was - *now;
        moves.append({record.domain(), change, change / *was * 100.0});
    }
    std::stable_sort(moves.begin(), moves.end(), [](const Move &a, const Move &b) {
        return std::abs(a.percent) > std::abs(b.percent);
    });
    if (moves.isEmpty())
        return QCoreApplication::translate("CRunMoves", "Biggest moves: none against an earlier record");
    QStringList parts;
    for (qsizetype i = 0; i < std::min<qsizetype>(Shown, moves.size()); ++i)
        parts.append(moves.at(i).domain + u' ' + CMoverRow::describeChange(moves.at(i).change, moves.at(i).percent));
    return QCoreApplication::translate("CRunMoves", "Biggest moves: %1").arg(parts.join(QStringLiteral(", ")));
}
