#include "rankservice/server/CRankServer.h"

#include "rankservice/server/CRankConnection.h"
#include "rankservice/server/CRankRouter.h"

#include <QTcpSocket>

#include <algorithm>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool hasBytesWaiting(qintptr descriptor)
{
    char byte = 0;
    return ::recv(int(descriptor), &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}

} // namespace

CRankServer::CRankServer(const CRankRouter &router, QObject *parent)
    : QTcpServer(parent)
    , m_router(router)
{
    setMaxPendingConnections(AcceptBatch);
    // Room for a burst in the system's queue: past it, a connection waits a
    // second or more for the system to try again.
    setListenBacklogSize(ListenBacklog);
    connect(this, &QTcpServer::newConnection, this, &CRankServer::scheduleAccept);
    m_parkTimer.setInterval(ParkCheck);
    connect(&m_parkTimer, &QTimer::timeout, this, &CRankServer::takeParked);
}

CRankServer::~CRankServer()
{
    for (const Parked &parked : m_parked)
        ::close(int(parked.descriptor));
}

bool CRankServer::acceptOnlyWithData()
{
#ifdef TCP_DEFER_ACCEPT
    const int seconds = int(std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(m_deadline).count()));
    return ::setsockopt(int(socketDescriptor()), IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds) == 0;
#else
    return false;
#endif
}

void CRankServer::incomingConnection(qintptr descriptor)
{
    // A newcomer that could get in only by pushing out another and has sent
    // nothing yet waits a moment as a bare descriptor: a flood's connections
    // then cost no socket object each, and the server keeps up with them.
    if (!hasBytesWaiting(descriptor) && wouldPushOut(descriptor)) {
        if (m_parked.size() >= size_t(MaxParked)) {
            CRankConnection::closeWithReset(m_parked.front().descriptor);
            m_parked.pop_front();
            ++m_refused;
        }
        m_parked.push_back({descriptor, ParkClock::now() + ParkedFor});
        if (!m_parkTimer.isActive())
            m_parkTimer.start();
        return;
    }
    QTcpServer::incomingConnection(descriptor);
}

bool CRankServer::wouldPushOut(qintptr descriptor) const
{
    if (int(m_connections.size()) >= MaxConnections)
        return true;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(int(descriptor), reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return false;
    const QHostAddress peer(reinterpret_cast<const sockaddr *>(&address));
    const auto ofPeer = std::count_if(m_connections.begin(), m_connections.end(),
                                      [&peer](const CRankConnection *connection) { return connection->peer() == peer; });
    return ofPeer >= MaxPerAddress;
}

void CRankServer::takeParked()
{
    // One whose request has come meanwhile is taken in; one that sent
    // nothing for the whole wait is let go, as a flood's are.
    const auto now = ParkClock::now();
    std::deque<Parked> waiting;
    for (const Parked &parked : m_parked) {
        if (hasBytesWaiting(parked.descriptor)) {
            QTcpServer::incomingConnection(parked.descriptor);
        } else if (parked.until > now) {
            waiting.push_back(parked);
        } else {
            CRankConnection::closeWithReset(parked.descriptor);
            ++m_refused;
        }
    }
    m_parked.swap(waiting);
    if (m_parked.empty())
        m_parkTimer.stop();
    if (hasPendingConnections())
        scheduleAccept();
}

void CRankServer::scheduleAccept()
{
    if (m_acceptScheduled)
        return;
    m_acceptScheduled = true;
    QMetaObject::invokeMethod(this, &CRankServer::acceptPending, Qt::QueuedConnection);
}

void CRankServer::acceptPending()
{
    // At most AcceptBatch wait here (the server stops accepting meanwhile),
    // taken in a turn of the event loop of their own: between two batches
    // the requests of those taken in are read, so a flood of connections
    // cannot push out a client that sent its request before it is read.
    m_acceptScheduled = false;
    if (!m_parked.empty())
        takeParked();
    while (QTcpSocket *socket = nextPendingConnection()) {
        if (!makeRoom(socket->peerAddress())) {
            ++m_refused;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *connection = new CRankConnection(socket, m_deadline, this);
        m_connections.push_back(connection);
        connect(connection, &QObject::destroyed, this, &CRankServer::connectionClosed);
        connect(connection, &CRankConnection::requestRead, this, &CRankServer::answerConnection);
        connection->start();
    }
}

bool CRankServer::makeRoom(const QHostAddress &peer)
{
    // Only a connection still waiting for its request may give way, the one
    // idle the longest: one that sent its request is owed its answer.
    auto idlest = m_connections.end();
    auto idlestOfPeer = m_connections.end();
    int ofPeer = 0;
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        const bool ofThisPeer = (*it)->peer() == peer;
        ofPeer += ofThisPeer ? 1 : 0;
        if ((*it)->requestIn())
            continue;
        if (idlest == m_connections.end() || (*it)->lastActive() < (*idlest)->lastActive())
            idlest = it;
        if (ofThisPeer && (idlestOfPeer == m_connections.end() || (*it)->lastActive() < (*idlestOfPeer)->lastActive()))
            idlestOfPeer = it;
    }
    auto victim = m_connections.end();
    if (ofPeer >= MaxPerAddress)
        victim = idlestOfPeer;
    else if (int(m_connections.size()) >= MaxConnections)
        victim = idlest;
    else
        return true;
    if (victim == m_connections.end())
        return false;
    CRankConnection *dropped = *victim;
    m_connections.erase(victim);
    ++m_droppedIdle;
    dropped->drop();
    return true;
}

void CRankServer::connectionClosed(QObject *connection)
{
    const auto it = std::find(m_connections.begin(), m_connections.end(), connection);
    if (it != m_connections.end())
        m_connections.erase(it);
}

void CRankServer::answerConnection(CRankConnection *connection)
{
    connection->answer(m_router.answer(connection->request()));
}
