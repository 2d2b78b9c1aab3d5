#include "CPublisher.h"

#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

CPublisher::CPublisher()
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
    listen(QHostAddress::LocalHost, 0);
}

QString CPublisher::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort());
}

void CPublisher::serve(QTcpSocket *socket)
{
    QByteArray &head = m_heads[socket];
    if (head == "-") {
        socket->readAll();
        return;
    }
    head += socket->readAll();
    if (!head.contains("\r\n\r\n"))
        return;
    const QByteArray path = head.split(' ').value(1);
    head = "-"; // answered; anything more is dropped
    ++hits[path];
    if (onRequest)
        onRequest(path);
    const Route route = once.contains(path) ? once.take(path)
                                            : routes.value(path, Route{404, "<html>not here</html>", Mode::Whole});
    const QByteArray answer = "HTTP/1.1 " + QByteArray::number(route.status) + " X\r\nContent-Length: "
        + QByteArray::number(route.body.size()) + "\r\nConnection: close\r\n" + route.headers + "\r\n";
    if (route.mode == Mode::Whole) {
        socket->write(answer + route.body);
        socket->disconnectFromHost();
        return;
    }
    if (route.mode == Mode::Trickle) {
        socket->write(answer);
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket, body = route.body, sent = qsizetype(0)]() mutable {
            socket->write(body.mid(sent++, 1));
        });
        drip->start(50);
        return;
    }
    socket->write(answer + route.body.left(route.body.size() / 2));
    socket->flush();
    if (route.mode == Mode::Reset) {
        // A zero linger turns the close into a reset.
        const linger hard{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        socket->abort();
    }
}
