#include "headless/CBackfillRun.h"

#include "CAlexaRankData.h"
#include "CAlexaSocket.h"
#include "CQueryRun.h"
#include "CRequestTarget.h"
#include "CSiteInfoAddress.h"
#include "pageformat/CSiteInfoFormat.h"

#include <algorithm>

CBackfillRun::CBackfillRun(const QString &host, int port, bool rankMode, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_port(port)
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
                [this](const QString &, const QString &reason, int socketId) { takeFailure(reason, socketId); });
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
    Korv::QtLib::Web::CRequestTarget target;
    target.setUrl(CSiteInfoAddress::page(m_host, job.domain) + QStringLiteral("?date=") + job.day.toString(Qt::ISODate), 0,
                  CSiteInfoAddress::referer(m_host, job.domain));
    CAlexaSocket *socket = m_sockets.at(socketId);
    socket->aim(target, m_port, job.domain, m_rankMode);
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

QDate CBackfillRun::asOfDay(const QString &page)
{
    const QLatin1StringView opening(CSiteInfoFormat::AsOfOpening.data(), CSiteInfoFormat::AsOfOpening.size());
    const qsizetype marker = page.indexOf(opening);
    if (marker < 0)
        return QDate();
    return QDate::fromString(page.mid(marker + opening.size(), CSiteInfoFormat::AsOfFormat.size()), CSiteInfoFormat::AsOfFormat);
}

void CBackfillRun::takeRecord(const CAlexaRankData &record, int socketId)
{
    if (socketId < 0 || socketId >= m_sockets.size() || !m_current.at(socketId))
        return;
    const Job job = *m_current.at(socketId);
    const QDate asOf = asOfDay(m_sockets.at(socketId)->response());
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

void CBackfillRun::takeFailure(const QString &reason, int socketId)
{
    if (socketId < 0 || socketId >= m_sockets.size() || !m_current.at(socketId))
        return;
    const Job job = *m_current.at(socketId);
    // A dated page is refused only when no list is held on that day or close
    // enough before it; a domain it does not rank is a page.
    if (reason.contains(QStringLiteral(" answered 404 Not Found")))
        Q_EMIT noList(job.domain, job.day);
    else
        Q_EMIT failed(job.domain, job.day, reason);
    next(socketId);
}
