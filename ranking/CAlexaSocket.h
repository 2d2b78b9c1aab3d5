#pragma once

#include "CWebSocket.h"

#include "CAlexaRankData.h"
#include "CFetchFailure.h"
#include "CRankClock.h"

class CServiceAddress;

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
    // Resets the socket and points it at the domain's page on the service,
    // as of today or of the given day; connectToHost() then fetches it.
    void aim(const CServiceAddress &service, const QString &domain, const QDate &day = QDate());

Q_SIGNALS:
    void crawlComplete();
    void rankProfile(CAlexaRankData record, int index);
    void fetchFailed(QString domain, CFetchFailure failure, int index);

public Q_SLOTS:
    void processData();
    void processError();

private:
    QString serviceText() const;

    bool m_rankMode = true;
    CRankClock m_clock;
};
