#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>

#include <functional>

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
    // Answered once before the route of the same path ("429, then the list").
    QHash<QByteArray, Route> once;
    QHash<QByteArray, int> hits;
    // Told of every request's path as it comes.
    std::function<void(const QByteArray &path)> onRequest;

private:
    void serve(QTcpSocket *socket);

    QHash<QTcpSocket *, QByteArray> m_heads;
};
