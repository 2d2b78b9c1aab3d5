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

    // A record taken in, before the history is saved: "fetched", never
    // "stored", which only the summary says once the save succeeded.
    static QString fetched(const CAlexaRankData &record);
    static QString refused(const CAlexaRankData &record);
    // "3 stored, 1 already assessed, 2 failed" once saved; else "3 fetched
    // but not stored, ...".
    static QString summary(const CQueryRun::Counts &counts, bool saved);
    // "12 filled, 3 without a list, 0 failed", or "12 fetched but not stored, ...".
    static QString backfillSummary(int filled, int withoutList, int failed, bool saved);
    static QString failed(const QString &domain, const CFetchFailure &failure);
    // The advice when no fetch reached the service, on one line.
    static QString unreachable(const CServiceAddress &service);
    // stopped: the run was cut short by a signal or its deadline.
    static ExitCode exitCode(const CQueryRun::Counts &counts, bool saved, bool stopped = false);
};
