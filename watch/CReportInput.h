#pragma once

#include "CAlexaRankData.h"
#include "base/CResult.h"
#include "watch/CDomainGroups.h"

#include <QList>
#include <QStringList>

#include <optional>

// What a report without a window reads from the data folder (the digest,
// the overview, a chart's picture): the names of the domain list, the
// groups and the history, by the data files' own rules. What the files
// had to say goes to notes. A groups.dat that cannot be read fails only a
// report that asks for groups.
class CReportInput
{
public:
    // The history may use availableMemory bytes; unset: what the system has.
    static CResult<CReportInput> read(const QString &dataDirectory, QStringList &notes,
                                      std::optional<qint64> availableMemory = std::nullopt);

    // The domains of the groups asked for, or every listed one when none is
    // asked for; a failure when groups are asked for and groups.dat could not be read.
    CResult<QStringList> domainsOf(const QStringList &askedGroups) const;

    QStringList listed; // the names of domains.dat, in file order
    CDomainGroups groups;
    QString groupsProblem; // why groups.dat could not be read (groups is then empty); also a note
    QList<CAlexaRankData> history;
};
