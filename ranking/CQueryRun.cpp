#include "CQueryRun.h"

#include "CAlexaSocket.h"
#include "CDomainDateList.h"
#include "CDomainName.h"

CQueryRun::CQueryRun(CDomainDateList &dates, QObject *socketParent, QObject *parent)
    : QObject(parent)
    , m_dates(dates)
{
    for (int i = 0; i < SocketCount; ++i) {
        auto *socket = new CAlexaSocket(socketParent, i); // deleted by the destructor
        m_sockets.append(socket);
        m_busy.append(false);
        socket->start(QThread::InheritPriority);
        connect(socket, &CAlexaSocket::crawlComplete, this, &CQueryRun::complete);
        connect(socket, &CAlexaSocket::dataRetrieved, socket, &CAlexaSocket::processData);
        connect(socket, &CAlexaSocket::dataRetrievalError, socket, &CAlexaSocket::processError);
        connect(socket, &CAlexaSocket::rankProfile, this, [this](const CAlexaRankData &record, int socketId) {
            if (!m_socketsLent)
                takeResult(record, socketId);
        });
        connect(socket, &CAlexaSocket::fetchFailed, this, [this](const QString &domain, const CFetchFailure &failure, int socketId) {
            if (!m_socketsLent)
                takeFailure(domain, failure, socketId);
        });
    }
}

CQueryRun::~CQueryRun()
{
    for (CAlexaSocket *socket : std::as_const(m_sockets)) {
        if (socket->isRunning()) {
            socket->exit(0);
            if (!socket->wait(ThreadStopWaitMs)) {
                socket->terminate();
                socket->wait();
            }
        }
        delete socket;
    }
}

QString CQueryRun::summary(const Counts &counts)
{
    return tr("%1 stored, %2 already assessed, %3 failed").arg(counts.stored).arg(counts.refused).arg(counts.failed);
}

QString CQueryRun::unreachable(const CServiceAddress &service)
{
    return tr("The ranking service at %1:%2 could not be reached; no domain was fetched.\n\n"
              "Start the local service with scripts/run.sh, or run sorvane-rankd and set "
              "SORVANE_SERVICE=host:port to its address before starting Sorvane.")
        .arg(service.host())
        .arg(service.port());
}

QList<CAlexaSocket *> CQueryRun::lendSockets()
{
    m_socketsLent = true;
    return m_sockets;
}

void CQueryRun::takeSocketsBack()
{
    m_socketsLent = false;
    // A borrower may have set another day on them.
    setClock(m_clock);
}

void CQueryRun::setClock(const CRankClock &clock)
{
    m_clock = clock;
    for (CAlexaSocket *socket : std::as_const(m_sockets))
        socket->setClock(clock);
}

int CQueryRun::start(const QStringList &domains)
{
    return start([domains](int position) { return domains.value(position); });
}

int CQueryRun::start(DomainList domains)
{
    m_domains = std::move(domains);
    m_nextDomain = 0;
    m_listExhausted = false;
    m_finishReported = false;
    m_abandoned = false;
    m_started = true;
    m_counts = Counts();
    m_total = 0;
    for (QString entry = m_domains(0); !entry.isNull(); entry = m_domains(m_total))
        ++m_total;
    m_dates.reserve(m_dates.count() + m_total);
    int dispatched = 0;
    for (int i = 0; i < SocketCount; ++i) {
        // Entries that trim to nothing are passed over instead of idling a socket.
        const QString domain = nextName();
        if (domain.isEmpty())
            break;
        dispatch(domain, i);
        ++dispatched;
    }
    Q_EMIT started();
    if (dispatched == 0)
        complete();
    return dispatched;
}

QString CQueryRun::nextName()
{
    for (QString entry = m_domains ? m_domains(m_nextDomain) : QString(); !entry.isNull();
         entry = m_domains(m_nextDomain)) {
        ++m_nextDomain;
        const QString domain = CDomainName::nameOf(entry);
        if (!domain.isEmpty())
            return domain;
        --m_total; // a blank entry is no domain of the run
    }
    return QString();
}

void CQueryRun::dispatch(const QString &domain, int socketId)
{
    CAlexaSocket *socket = m_sockets.at(socketId);
    socket->aim(m_service, domain);
    socket->setRankMode(m_rankMode);
    m_busy[socketId] = true;
    // A list that grew during the run counts its new domains.
    m_total = qMax(m_total, m_counts.done() + int(m_busy.count(true)));
    socket->connectToHost();
}

void CQueryRun::handOutNext(int socketId)
{
    if (socketId < 0 || socketId >= m_sockets.size())
        return;
    const QString domain = nextName();
    if (!domain.isEmpty()) {
        dispatch(domain, socketId);
        return;
    }
    if (!m_listExhausted)
        complete();
}

void CQueryRun::complete()
{
    m_listExhausted = true;
    Q_EMIT listExhausted();
    finishIfIdle();
}

void CQueryRun::abandon()
{
    m_abandoned = true;
    m_domains = nullptr;
    m_listExhausted = true;
    m_finishReported = true;
}

void CQueryRun::markIdle(int socketId)
{
    if (socketId >= 0 && socketId < m_busy.size())
        m_busy[socketId] = false;
}

bool CQueryRun::anySocketBusy() const
{
    return m_busy.contains(true);
}

void CQueryRun::finishIfIdle()
{
    // The run ends with the last fetch still under way: a new run would
    // otherwise re-target a busy socket.
    if (!m_listExhausted || anySocketBusy() || m_finishReported)
        return;
    m_finishReported = true;
    Q_EMIT finished(m_counts);
}

void CQueryRun::takeResult(const CAlexaRankData &record, int socketId)
{
    markIdle(socketId);
    if (m_abandoned)
        return; // no one's: not even the date list learns of it
    if (m_dates.contains(record.domain(), record.date())) {
        ++m_counts.refused;
        Q_EMIT recordRefused(record, tr("%1 has already been assessed for this date...").arg(record.domain()));
    } else {
        m_dates.update(record.domain(), record.date());
        ++m_counts.stored;
        Q_EMIT recordAccepted(record);
    }
    Q_EMIT progressed(m_counts.done(), m_total);
    handOutNext(socketId);
    finishIfIdle();
}

void CQueryRun::takeFailure(const QString &domain, const CFetchFailure &failure, int socketId)
{
    markIdle(socketId);
    if (m_abandoned)
        return;
    ++m_counts.failed;
    if (!failure.reachedService())
        ++m_counts.unreached;
    Q_EMIT fetchFailed(domain, failure);
    Q_EMIT progressed(m_counts.done(), m_total);
    handOutNext(socketId);
    finishIfIdle();
}
