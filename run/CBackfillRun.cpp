#include "run/CBackfillRun.h"

#include "CAlexaRankData.h"
#include "CAlexaSocket.h"
#include "CQueryRun.h"
#include "protocol/CSiteInfoRequest.h"

#include <algorithm>

CBackfillRun::CBackfillRun(CQueryRun &pool, const CServiceAddress &service, bool rankMode, QObject *parent)
    : QObject(parent)
    , m_pool(pool)
    , m_service(service)
    , m_rankMode(rankMode)
{
    m_sockets = m_pool.lendSockets();
    for (CAlexaSocket *socket : std::as_const(m_sockets)) {
        m_current.append(std::nullopt);
        m_connections.append(connect(socket, &CAlexaSocket::rankProfile, this, &CBackfillRun::takeRecord));
        m_connections.append(connect(socket, &CAlexaSocket::fetchFailed, this,
                                     [this](const QString &, const CFetchFailure &failure, int socketId) {
                                         takeFailure(failure, socketId);
                                     }));
    }
}

CBackfillRun::~CBackfillRun()
{
    // A fetch still under way reports to no one: its socket is aimed anew
    // by whoever uses the pool next.
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_pool.takeSocketsBack();
}

void CBackfillRun::start(QList<Job> jobs)
{
    m_queue = std::move(jobs);
    m_nextJob = 0;
    m_stopped = false;
    for (int i = 0; i < m_sockets.size(); ++i)
        dispatch(i);
    if (m_queue.isEmpty())
        Q_EMIT finished();
}

QList<CBackfillRun::Job> CBackfillRun::left() const
{
    QList<Job> jobs;
    for (const std::optional<Job> &current : m_current) {
        if (current)
            jobs.append(*current);
    }
    if (!m_stopped)
        jobs.append(m_queue.mid(m_nextJob));
    return jobs;
}

void CBackfillRun::dispatch(int socketId)
{
    if (m_stopped || m_nextJob >= m_queue.size())
        return;
    const Job job = m_queue.at(m_nextJob++);
    m_current[socketId] = job;
    CAlexaSocket *socket = m_sockets.at(socketId);
    socket->aim(m_service, job.domain, job.day);
    socket->setRankMode(m_rankMode);
    socket->setClock(CRankClock(job.day));
    socket->connectToHost();
}

void CBackfillRun::next(int socketId)
{
    m_current[socketId].reset();
    dispatch(socketId);
    if (!m_current.at(socketId) && std::none_of(m_current.begin(), m_current.end(), [](const auto &job) { return job.has_value(); }))
        Q_EMIT finished();
}

void CBackfillRun::takeRecord(const CAlexaRankData &record, int socketId)
{
    if (socketId < 0 || socketId >= m_sockets.size() || !m_current.at(socketId))
        return;
    const Job job = *m_current.at(socketId);
    const QDate asOf = CSiteInfoRequest::asOf(m_sockets.at(socketId)->response());
    if (!asOf.isValid()) {
        // Today's figures filed under a past day would be wrong data.
        m_stopped = true;
        Q_EMIT undated();
        return;
    }
    if (asOf != job.day)
        Q_EMIT noList(job.domain, job.day);
    else
        Q_EMIT filled(record);
    next(socketId);
}

void CBackfillRun::takeFailure(const CFetchFailure &failure, int socketId)
{
    if (socketId < 0 || socketId >= m_sockets.size() || !m_current.at(socketId))
        return;
    const Job job = *m_current.at(socketId);
    // A dated page is refused only when no list is held on that day or close
    // enough before it; a domain it does not rank is a page.
    if (failure.isStatus(404))
        Q_EMIT noList(job.domain, job.day);
    else
        Q_EMIT failed(job.domain, job.day, failure);
    next(socketId);
}
