#include "CRunMoves.h"

#include "CAlexaRankData.h"
#include "CMoverRow.h"
#include "CPreviousRecords.h"
#include "CRecordDate.h"
#include "CTrendFigure.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

struct Move
{
    QString domain;
    double change;
    double percent;
};

} // namespace

QString CRunMoves::summary(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run)
{
    const CPreviousRecords previous(history, run);
    QList<Move> moves;
    for (const CAlexaRankData &record : run) {
        const CAlexaRankData *before = previous.of(record);
        if (!before)
            continue;
        const std::optional<double> was = CTrendFigure::value(before->globalRank());
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
