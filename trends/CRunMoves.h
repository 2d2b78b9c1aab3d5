#pragma once

#include <QList>
#include <QString>

class CAlexaRankData;

// The line that closes a query run's report: the three biggest moves of the
// run's records against each domain's previous record.
class CRunMoves
{
public:
    static constexpr int Shown = 3;

    // history holds every record, those of the run included; run holds the
    // run's records. A record's previous one is its domain's record of the
    // latest earlier date (the later one of a day). Moves are compared by
    // their size relative to the old rank, since ten places near the top
    // mean more than ten places far down; moves of the same size keep the
    // order of the run. The global rank is compared.
    static QString summary(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run);
};
