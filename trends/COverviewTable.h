#pragma once

#include "COverviewRow.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class CAlexaRankData;

// The overview's rows, one per domain of the list, from two passes over the
// history. Records of a domain on one day count as one, the one taken in
// later, as in the chart; records whose date cannot be read are left out.
//
// The previous record is the domain's record of the latest day before its
// newest; "7 days" compares with its newest record on or before 7 days
// before the newest (30 alike); the 90 days run from 89 days before the
// newest record to it. A change is nothing when either rank is "NA".
class COverviewTable
{
public:
    static constexpr int RangeDays = 90;

    // domains: names, each once; groupsOf: the groups of each domain.
    static QList<COverviewRow> build(const QList<CAlexaRankData> &history, const QStringList &domains,
                                     const QHash<QString, QStringList> &groupsOf = {});

    // By newest global rank, best first; "NA" after the ranks, domains
    // without a record last; the order given otherwise.
    static void sortByGlobalRank(QList<COverviewRow> &rows);
};
