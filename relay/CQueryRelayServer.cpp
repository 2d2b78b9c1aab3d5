#include "relay/CQueryRelayServer.h"

#include "relay/CQueryRelay.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <algorithm>

namespace {

// How long a command that was answered has to read the rest before it is cut off.
constexpr int CloseWaitMs = 30000;

} // namespace

CQueryRelayServer::CQueryRelayServer(CRunSession &run, QString dataDirectory, QString runtimeDirectory, QObject *parent)
    : QObject(parent)
    , m_run(run)
    , m_dataDirectory(std::move(dataDirectory))
    , m_runtimeDirectory(std::move(runtimeDirectory))
{
    connect(&m_run, &CRunSession::started, this, &CQueryRelayServer::runStarted);
    connect(&m_run, &CRunSession::said, this, [this](const CRunSession::Line &line) {
        addLine(CQueryRelay::line(line.isNote() ? CQueryRelay::Kind::Err : CQueryRelay::Kind::Out, line.text));
    });
    connect(&m_run, &CRunSession::finished, this, &CQueryRelayServer::runEnded);
}

CQueryRelayServer::~CQueryRelayServer()
{
    // What the last run said goes out before the connections do.
    if (!m_server)
        return;
    const QList<QLocalSocket *> sockets = m_server->findChildren<QLocalSocket *>();
    for (QLocalSocket *socket : sockets)
        socket->flush();
}

CResult<> CQueryRelayServer::listen()
{
    if (m_server && m_server->isListening())
        return CResult<>::success();
    if (!m_server) {
        m_server = new QLocalServer(this);
        // Another user may not ask this window for anything.
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &CQueryRelayServer::takeConnection);
    }
    const CResult<QString> path = CQueryRelay::socketPath(m_runtimeDirectory, m_dataDirectory);
    if (!path)
        return CResult<>::failure(tr("A query run started from the command line cannot run in this window: %1.").arg(path.message()));
    const QString name = path.value();
    if (m_server->listen(name))
        return CResult<>::success();
    // The caller holds the data lock, so no other window listens here:
    // what is in the way was left by one that died.
    QLocalServer::removeServer(name);
    if (m_server->listen(name))
        return CResult<>::success();
    return CResult<>::failure(tr("A query run started from the command line cannot run in this window: "
                                 "its socket %1 cannot be opened (%2).")
                                  .arg(name, m_server->errorString()));
}

int CQueryRelayServer::relayingCount() const
{
    return int(std::count_if(m_clients.cbegin(), m_clients.cend(), [](const Client &client) { return client.relaying; }));
}

void CQueryRelayServer::takeConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
        if (m_clients.size() >= MaxClients) {
            refuse(socket, tr("the window is already answering %1 commands").arg(MaxClients));
            continue;
        }
        m_clients.insert(socket, Client());
        // A flood fills the system's buffer, not this window's memory.
        socket->setReadBufferSize(CQueryRelay::MaxRequestLength);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(RequestWaitMs, socket, [this, socket] {
            if (m_clients.contains(socket) && !m_clients.value(socket).asked)
                drop(socket);
        });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void CQueryRelayServer::readRequest(QLocalSocket *socket)
{
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    if (client->asked) {
        socket->readAll(); // one request per connection; the rest is ignored
        return;
    }
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= CQueryRelay::MaxRequestLength)
            drop(socket);
        return;
    }
    const QByteArray line = socket->readLine(CQueryRelay::MaxRequestLength + 1);
    client->asked = true;
    const std::optional<CQueryRelay::Request> request = CQueryRelay::parseRequest(line);
    if (!request) {
        refuse(socket, tr("the window did not understand the request"));
        return;
    }
    startOrJoin(socket, *request);
}

void CQueryRelayServer::startOrJoin(QLocalSocket *socket, const CQueryRelay::Request &request)
{
    if (m_runActive && m_run.isBackfill() == (request.backfillDays > 0)) {
        join(socket, request);
        return;
    }
    // A run of the other kind under way refuses, as the window's button would.
    // Refused before any fetch when the window could not keep what it fetched.
    m_clients[socket].relaying = true;
    const CResult<> started = request.backfillDays > 0 ? m_run.startBackfill(request.backfillDays, request.rankMode)
                                                       : m_run.start(request.rankMode);
    if (!started && m_clients.contains(socket))
        refuse(socket, started.message());
}

void CQueryRelayServer::join(QLocalSocket *socket, const CQueryRelay::Request &request)
{
    m_clients[socket].relaying = true;
    m_clients[socket].sawRun = true;
    send(socket, CQueryRelay::line(CQueryRelay::Kind::Run, QString::number(m_run.fetchCount())));
    const bool rankMode = m_run.queryRun().rankMode();
    if (rankMode != request.rankMode)
        send(socket, CQueryRelay::line(CQueryRelay::Kind::Err, tr("joined the window's run under way, which takes the %1 figures")
                                                                   .arg(rankMode ? tr("rank") : tr("reach"))));
    if (m_linesLeftOut > 0)
        send(socket, CQueryRelay::line(CQueryRelay::Kind::Err,
                                       tr("%1 earlier lines of the window's run are not repeated").arg(m_linesLeftOut)));
    for (const QByteArray &line : std::as_const(m_runLines))
        send(socket, line);
}

void CQueryRelayServer::runStarted(int total)
{
    m_runActive = true;
    m_runLines.clear();
    m_linesLeftOut = 0;
    const QByteArray run = CQueryRelay::line(CQueryRelay::Kind::Run, QString::number(total));
    const QList<QLocalSocket *> sockets = m_clients.keys();
    for (QLocalSocket *socket : sockets) {
        const auto client = m_clients.find(socket);
        if (client == m_clients.end() || !client->relaying || client->sawRun)
            continue;
        client->sawRun = true;
        send(socket, run);
    }
}

void CQueryRelayServer::addLine(const QByteArray &line)
{
    if (m_runLines.size() < MaxReplayLines)
        m_runLines.append(line);
    else
        ++m_linesLeftOut;
    const QList<QLocalSocket *> sockets = m_clients.keys();
    for (QLocalSocket *socket : sockets) {
        if (m_clients.contains(socket) && m_clients.value(socket).sawRun)
            send(socket, line);
    }
}

void CQueryRelayServer::runEnded(const CRunSession::Result &result)
{
    // The run's lines, summary included, have gone out as it said them.
    const QByteArray end = CQueryRelay::line(CQueryRelay::Kind::Exit, QString::number(result.code));
    m_runActive = false;
    m_runLines.clear();
    m_linesLeftOut = 0;
    const QList<QLocalSocket *> sockets = m_clients.keys();
    for (QLocalSocket *socket : sockets) {
        if (!m_clients.contains(socket) || !m_clients.value(socket).sawRun)
            continue;
        send(socket, end);
        if (m_clients.remove(socket) > 0) {
            socket->disconnectFromServer();
            QTimer::singleShot(CloseWaitMs, socket, &QLocalSocket::abort);
        }
    }
}

void CQueryRelayServer::send(QLocalSocket *socket, const QByteArray &bytes)
{
    // A command that does not read is let go before its answers pile up here.
    if (socket->bytesToWrite() + bytes.size() > MaxUnsentBytes) {
        drop(socket);
        return;
    }
    socket->write(bytes);
}

void CQueryRelayServer::refuse(QLocalSocket *socket, const QString &message)
{
    m_clients.remove(socket);
    socket->write(CQueryRelay::line(CQueryRelay::Kind::Err, message)
                  + CQueryRelay::line(CQueryRelay::Kind::Exit, QString::number(CRunReport::CannotStart)));
    socket->disconnectFromServer();
    QTimer::singleShot(CloseWaitMs, socket, &QLocalSocket::abort);
}

void CQueryRelayServer::drop(QLocalSocket *socket)
{
    m_clients.remove(socket);
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
}
