#pragma once

#include "CQueryRun.h"

#include <QString>

class CAlexaRankData;

// What a query run says on a terminal, one line per domain and a summary,
// and the exit code it ends with. The windowless run and a run relayed
// from the window both print these, so a timer sees the same either way.
class CRunReport
{
public:
    enum ExitCode {
        AllStored = 0,   // every domain stored or already assessed
        SomeFailed = 1,  // some fetch failed (or the history could not be saved)
        CannotStart = 2, // nothing was fetched
    };

    static QString stored(const CAlexaRankData &record);
    static QString refused(const CAlexaRankData &record);
    // A past day's record taken in by a backfill.
    static QString filled(const CAlexaRankData &record);
    static QString failed(const QString &domain, const CFetchFailure &failure);
    // The advice when no fetch reached the service, on one line.
    static QString unreachable(const CServiceAddress &service);
    static ExitCode exitCode(const CQueryRun::Counts &counts, bool saved);
};
