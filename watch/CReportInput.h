#pragma once

#include "CAlexaRankData.h"
#include "base/CResult.h"
#include "watch/CDomainGroups.h"

#include <QList>
#include <QStringList>

// What a report without a window reads from the data folder (the digest,
// the overview, a chart's picture): the names of the domain list, the
// groups and the history, by the data files' own rules. What the files
// had to say goes to notes.
class CReportInput
{
public:
    static CResult<CReportInput> read(const QString &dataDirectory, QStringList &notes);

    QStringList listed; // the names of domains.dat, in file order
    CDomainGroups groups;
    QList<CAlexaRankData> history;
};
