#pragma once

#include "CWebSocket.h"

#include "CAlexaRankData.h"
#include "CRankClock.h"

namespace Korv::QtLib::Web {
class CRequestTarget;
}

// Fetches one domain's site-information page at a time and reports each
// fetch exactly once: the record parsed from a complete "200" page, or a
// failure with its reason when the service could not be reached or did not
// answer with a page. An empty domain silences both reports.
class CAlexaSocket : public Korv::QtLib::Web::CWebSocket
{
    Q_OBJECT

public:
    CAlexaSocket(QObject *parent, int index);

    bool rankMode() const { return m_rankMode; }
    void setRankMode(bool on) { m_rankMode = on; }
    // Dates the records; the system's local date unless one is set.
    void setClock(const CRankClock &clock) { m_clock = clock; }
    // Readies the socket for its next fetch: the domain's page at the
    // target's address on the port.
    void aim(const Korv::QtLib::Web::CRequestTarget &target, int port, const QString &domain, bool rankMode);

Q_SIGNALS:
    void crawlComplete();
    void rankProfile(CAlexaRankData record, int index);
    // The reason names the service ("no answer from the ranking service at
    // localhost:80 (connection refused)").
    void fetchFailed(QString domain, QString reason, int index);

public Q_SLOTS:
    void processData();
    void processError();

private:
    QString serviceText() const;
    QString noAnswer(const QString &why) const;

    bool m_rankMode = true;
    CRankClock m_clock;
};
