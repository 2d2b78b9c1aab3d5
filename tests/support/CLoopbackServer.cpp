#include "CLoopbackServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

CLoopbackServer::Reply CLoopbackServer::page(const QByteArray &body)
{
    return Reply{{QByteArrayLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n") + body}};
}

CLoopbackServer::Reply CLoopbackServer::notFound()
{
    return Reply{{QByteArrayLiteral("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n"
                                    "<html><body><h1>Not Found</h1></body></html>\n")}};
}

CLoopbackServer::CLoopbackServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_defaultReply(notFound())
{
    connect(m_server, &QTcpServer::newConnection, this, &CLoopbackServer::onNewConnection);
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("loopback server cannot listen: %s", qPrintable(m_server->errorString()));
}

CLoopbackServer::~CLoopbackServer() = default;

quint16 CLoopbackServer::port() const
{
    return m_server->serverPort();
}

void CLoopbackServer::setPage(const QString &path, const QByteArray &body)
{
    m_replies.insert(path, page(body));
}

void CLoopbackServer::setReply(const QString &path, const Reply &reply)
{
    m_replies.insert(path, reply);
}

void CLoopbackServer::setDefaultReply(const Reply &reply)
{
    m_defaultReply = reply;
}

QStringList CLoopbackServer::requestedPaths() const
{
    QStringList paths;
    for (const QByteArray &request : m_requests)
        paths << QString::fromLatin1(request.split(' ').value(1));
    return paths;
}

void CLoopbackServer::send(const QByteArray &bytes)
{
    if (m_latest)
        m_latest->write(bytes);
}

void CLoopbackServer::closeConnection()
{
    if (m_latest)
        m_latest->disconnectFromHost();
}

quint16 CLoopbackServer::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void CLoopbackServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connectionCount;
        m_latest = socket;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_pending.remove(socket); });
        if (m_closeOnAccept) {
            socket->close();
            continue;
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    }
}

void CLoopbackServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &received = m_pending[socket];
    received += socket->readAll();
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QByteArray request = received.left(headEnd + 4);
    received.remove(0, headEnd + 4);
    m_requests << request;
    Q_EMIT requestReceived(request);
    if (m_manual)
        return;
    const QString path = QString::fromLatin1(request.split(' ').value(1));
    sendFrom(socket, m_replies.value(path, m_defaultReply), 0);
}

void CLoopbackServer::sendFrom(QPointer<QTcpSocket> socket, const Reply &reply, int chunk)
{
    if (!socket)
        return;
    if (chunk < reply.chunks.size())
        socket->write(reply.chunks.at(chunk));
    if (chunk + 1 < reply.chunks.size()) {
        QTimer::singleShot(reply.pauseMs, socket, [this, socket, reply, chunk] {
            sendFrom(socket, reply, chunk + 1);
        });
    } else if (reply.close) {
        // Waits until the written bytes are out, then closes.
        socket->disconnectFromHost();
    }
}
