#pragma once

#include "CAlexaRankData.h"
#include "CFetchFailure.h"
#include "CRankClock.h"
#include "protocol/CServiceAddress.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class CAlexaSocket;
class CDomainDateList;

// One query run over a pool of ranking sockets, without any widget: hands
// the domains out one per socket, takes each result in against the
// per-domain date list and tells when the list is used up and when the last
// fetch has reported. What a result means for a window or a terminal is left
// to whoever listens to the signals.
class CQueryRun : public QObject
{
    Q_OBJECT

public:
    static constexpr int SocketCount = 5;
    // How long shutdown waits for each socket thread before terminating it.
    static constexpr int ThreadStopWaitMs = 3000;

    struct Counts
    {
        int stored = 0;
        int refused = 0; // already assessed for the date
        int failed = 0;
        int unreached = 0; // of the failed, those that got no connection at all
        int done() const { return stored + refused + failed; }
        // No fetch of the run reached the service (and there was one): a
        // service that accepted and then trickled or cut off was reached.
        bool noneReached() const { return unreached > 0 && unreached == done(); }
    };

    // "3 stored, 1 already assessed, 2 failed"
    static QString summary(const Counts &counts);
    // What to tell the user when no fetch of a run reached the service.
    static QString unreachable(const CServiceAddress &service);

    // The domain list as it stands at each hand-over: the entry at a
    // position (a name, or a name padded with blanks), a null text past the end.
    using DomainList = std::function<QString(int position)>;

    // The sockets are children of socketParent (the owner that shows them),
    // but the run starts, stops and deletes them. The date list must outlive the run.
    CQueryRun(CDomainDateList &dates, QObject *socketParent = nullptr, QObject *parent = nullptr);
    ~CQueryRun() override;
    CQueryRun(const CQueryRun &) = delete;
    CQueryRun &operator=(const CQueryRun &) = delete;

    // The ranking service; CServiceAddress's default unless set.
    void setService(const CServiceAddress &service) { m_service = service; }
    const CServiceAddress &service() const { return m_service; }
    void setClock(const CRankClock &clock);
    const CRankClock &clock() const { return m_clock; }
    // Takes effect at the next hand-over.
    void setRankMode(bool on) { m_rankMode = on; }
    bool rankMode() const { return m_rankMode; }

    CAlexaSocket *socket(int index) const { return m_sockets.value(index); }

    // The pool lent to another kind of fetch (a backfill), so that the
    // program never opens more than its five connections: while lent, what
    // the sockets report is not this run's. Only between runs.
    QList<CAlexaSocket *> lendSockets();
    void takeSocketsBack();

    // Hands out the first domains, one per socket; returns how many went out.
    int start(DomainList domains);
    int start(const QStringList &domains);

    // True from the first result that found no domain left until the next start.
    bool isListExhausted() const { return m_listExhausted; }
    // True while a fetch is under way or the list is not used up.
    bool isRunning() const { return m_started && (!m_listExhausted || anySocketBusy()); }
    Counts counts() const { return m_counts; }
    // Domains of this run known so far (grows when the list does).
    int total() const { return m_total; }

Q_SIGNALS:
    // After the first domains have been handed out.
    void started();
    void recordAccepted(const CAlexaRankData &record);
    void recordRefused(const CAlexaRankData &record, const QString &reason);
    void fetchFailed(const QString &domain, const CFetchFailure &failure);
    void progressed(int done, int total);
    // The first result that found no domain left to hand out.
    void listExhausted();
    // The last fetch of the run has reported.
    void finished(const CQueryRun::Counts &counts);

public Q_SLOTS:
    // One socket's result; the socket then gets the next domain.
    void takeResult(const CAlexaRankData &record, int socketId);
    void takeFailure(const QString &domain, const CFetchFailure &failure, int socketId);
    // Gives the socket the next domain of the list, or declares the list used up.
    void handOutNext(int socketId);
    // Declares the list used up (the first result finding no domain does so).
    void complete();
    // Ends the run where it stands: no domain is handed out any more and
    // no end is reported; fetches under way end on their own.
    void abandon();

private:
    void dispatch(const QString &domain, int socketId);
    QString nextName();
    void markIdle(int socketId);
    bool anySocketBusy() const;
    void finishIfIdle();

    CDomainDateList &m_dates;
    CServiceAddress m_service;
    CRankClock m_clock;
    QList<CAlexaSocket *> m_sockets;
    bool m_socketsLent = false;
    QList<bool> m_busy;
    DomainList m_domains;
    int m_nextDomain = 0;
    int m_total = 0;
    bool m_rankMode = true;
    bool m_started = false;
    bool m_listExhausted = false;
    bool m_finishReported = true;
    bool m_abandoned = false;
    Counts m_counts;
};
