#pragma once

#include "CFetchLoop.h"

#include <QByteArray>
#include <QList>

// Loads a local server from plain non-blocking sockets, one request per
// connection as Sorvane asks (connect, send, read until the server closes),
// over a fixed number of connections. It keeps out of Qt's event loop so that
// what it measures is the server's answer and not the client's own wake-ups.
class CLoadClient
{
public:
    CLoadClient(quint16 port, QList<QByteArray> requests, int connections);

    // A steady total rate, spread evenly over the connections; 0 (the
    // default) asks again on each connection as soon as it is answered.
    void setRate(double pagesPerSecond) { m_rate = pagesPerSecond; }

    // Runs every request once; gives up after timeLimitMs. A request's time
    // runs from when it was due, so a client that falls behind its rate
    // counts the delay instead of hiding it.
    CFetchLoop::Result run(int timeLimitMs) const;

private:
    quint16 m_port;
    QList<QByteArray> m_requests;
    int m_connections;
    double m_rate = 0;
};
