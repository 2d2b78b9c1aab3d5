#include "headless/CBackfillRun.h"

#include "CAlexaRankData.h"
#include "CAlexaSocket.h"
#include "CQueryRun.h"
#include "protocol/CSiteInfoRequest.h"

#include <algorithm>

CBackfillRun::CBackfillRun(const CServiceAddress &service, bool rankMode, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_rankMode(rankMode)
{
    for (int i = 0; i < CQueryRun::SocketCount; ++i) {
        auto *socket = new CAlexaSocket(nullptr, i); // deleted by the destructor
        m_sockets.append(socket);
        m_current.append(std::nullopt);
        connect(socket, &CAlexaSocket::dataRetrieved, socket, &CAlexaSocket::processData);
        connect(socket, &CAlexaSocket::dataRetrievalError, socket, &CAlexaSocket::processError);
        connect(socket, &CAlexaSocket::rankProfile, this, &CBackfillRun::takeRecord);
        connect(socket, &CAlexaSocket::fetchFailed, this,
                [this](const QString &, const CFetchFailure &failure, int socketId) { takeFailure(failure, socketId); });
    }
}

CBackfillRun::~CBackfillRun()
{
    qDeleteAll(m_sockets);
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
