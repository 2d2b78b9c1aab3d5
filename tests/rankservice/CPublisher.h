#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>

class QTcpSocket;

// A loopback web server playing a list publisher: whole answers, and the
// ways a download goes wrong. Paths are matched with their query.
class CPublisher : public QTcpServer
{
public:
    // Trickle sends the head, then one byte of the body every 50 ms.
    enum class Mode { Whole, Stall, Reset, Trickle };
    struct Route
    {
        int status = 200;
        QByteArray body;
        Mode mode = Mode::Whole;
        QByteArray headers = {}; // more header lines, each ending in CRLF ("Location: ...")
    };

    CPublisher();

    QString base() const;

    QHash<QByteArray, Route> routes;
    QHash<QByteArray, int> hits;

private:
    void serve(QTcpSocket *socket);

    QHash<QTcpSocket *, QByteArray> m_heads;
};
