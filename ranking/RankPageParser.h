#pragma once

#include "CAlexaRankData.h"
#include "CRankClock.h"

class QString;

// Cuts a rank record out of a site-information page by fixed marker texts.
// rankMode on takes the four period figures from the traffic-rank section,
// off from the reach section. Never fails: what the page does not yield is "NA".
// The record is dated by the clock.
CAlexaRankData parseRankPage(const QString &page, const QString &domain, bool rankMode,
                             const CRankClock &clock = CRankClock());

// The record of a failed fetch: the domain, today's date and six "NA".
CAlexaRankData errorRecord(const QString &domain, const CRankClock &clock = CRankClock());
