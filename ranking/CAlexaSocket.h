#pragma once

#include "CWebSocket.h"

#include "CAlexaRankData.h"
#include "CRankClock.h"

// Fetches one domain's site-information page at a time and reports exactly
// one rank record per fetch: the parsed page, or all "NA" when the fetch
// failed. An empty domain silences both reports.
class CAlexaSocket : public Korv::QtLib::Web::CWebSocket
{
    Q_OBJECT

public:
    CAlexaSocket(QObject *parent, int index);

    bool rankMode() const { return m_rankMode; }
    void setRankMode(bool on) { m_rankMode = on; }
    // Dates the records; the system's local date unless one is set.
    void setClock(const CRankClock &clock) { m_clock = clock; }

Q_SIGNALS:
    void crawlComplete();
    void rankProfile(CAlexaRankData record, int index);

public Q_SLOTS:
    void processData();
    void processError();

private:
    bool m_rankMode = true;
    CRankClock m_clock;
};
