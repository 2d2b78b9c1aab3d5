#include "rankservice/server/CRankConnection.h"

#include <QTcpSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace {
quint64 activity = 0; // one server thread

// Makes closing descriptor send a reset.
void resetOnClose(qintptr descriptor)
{
    const linger reset{1, 0};
    ::setsockopt(int(descriptor), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}
} // namespace

CRankConnection::CRankConnection(QTcpSocket *socket, std::chrono::milliseconds deadline, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_peer(socket->peerAddress())
{
    touch();
    m_socket->setParent(this);
    m_socket->setReadBufferSize(ReadBufferSize);

    connect(m_socket, &QTcpSocket::readyRead, this, &CRankConnection::readRequest);
    connect(m_socket, &QTcpSocket::disconnected, this, &CRankConnection::finish);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &CRankConnection::written);

    // Idle, slow or non-reading clients are dropped, not waited for.
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &CRankConnection::drop);
    m_deadline.start(deadline);
}

void CRankConnection::start()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        finish();
    else if (m_socket->bytesAvailable() > 0)
        readRequest();
}

void CRankConnection::readRequest()
{
    touch();
    char chunk[4096];
    while (m_socket->bytesAvailable() > 0) {
        const qint64 got = m_socket->read(chunk, sizeof chunk);
        if (got <= 0)
            break;
        // After the head anything more is read only to be dropped.
        if (!m_announced)
            m_request.feed(QByteArrayView(chunk, got));
    }
    if (m_announced || m_request.status() == CRequestReader::Status::Incomplete)
        return;
    m_announced = true;
    emit requestRead(this);
}

void CRankConnection::answer(const QByteArray &response)
{
    if (m_answered)
        return;
    m_answered = true;
    m_socket->write(response);
    if (m_request.status() == CRequestReader::Status::Complete) {
        m_socket->disconnectFromHost();
        return;
    }
    m_draining = true;
    written();
}

void CRankConnection::written()
{
    touch();
    if (m_draining && m_socket->bytesToWrite() == 0 && m_socket->socketDescriptor() >= 0)
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
}

void CRankConnection::closeWithReset(qintptr descriptor)
{
    resetOnClose(descriptor);
    ::close(int(descriptor));
}

void CRankConnection::drop()
{
    if (const qintptr descriptor = m_socket->socketDescriptor(); descriptor >= 0)
        resetOnClose(descriptor);
    m_socket->abort();
    finish();
}

void CRankConnection::touch()
{
    m_lastActive = ++activity;
}

void CRankConnection::finish()
{
    m_deadline.stop();
    deleteLater();
}
