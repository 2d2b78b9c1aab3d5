#include "CFetchLoop.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <numeric>

double CFetchLoop::Result::meanLatencyMs() const
{
    if (latenciesNs.empty())
        return 0;
    const double total = std::accumulate(latenciesNs.cbegin(), latenciesNs.cend(), 0.0);
    return total / double(latenciesNs.size()) / 1e6;
}

CFetchLoop::CFetchLoop(quint16 port, QList<QByteArray> requests, int connections, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_requests(std::move(requests))
{
    m_slots.resize(connections);
    for (int i = 0; i < connections; ++i) {
        auto *socket = new QTcpSocket(this);
        m_slots[i].socket = socket;
        connect(socket, &QTcpSocket::connected, this, [this, i] {
            Slot &slot = m_slots[i];
            slot.socket->write(m_requests.at(slot.request));
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, i] {
            m_result.bytes += m_slots[i].socket->readAll().size();
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, i] {
            Slot &slot = m_slots[i];
            if (!slot.open)
                return;
            m_result.bytes += slot.socket->readAll().size();
            finish(i, false);
        });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, i](QAbstractSocket::SocketError error) {
            // A remote close is followed by disconnected(), which ends the request.
            if (error == QAbstractSocket::RemoteHostClosedError || !m_slots[i].open)
                return;
            finish(i, true);
        });
    }
}

QByteArray CFetchLoop::request(const QByteArray &path)
{
    return "GET " + path
           + " HTTP/1.0\r\nAccept: text/html, application/xhtml+xml, */*\r\nAccept-Language: en-US\r\n"
             "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
             "Host: 127.0.0.1\r\nReferer: http://127.0.0.1/search\r\nConnection: close\r\n\r\n";
}

CFetchLoop::Result CFetchLoop::run(int timeLimitMs)
{
    m_result = Result();
    m_result.latenciesNs.reserve(size_t(m_requests.size()));
    m_next = 0;
    m_done = 0;
    QEventLoop loop;
    m_loopQuit = &loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, [&] {
        m_result.timedOut = true;
        loop.quit();
    });
    limit.start(timeLimitMs);

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < m_slots.size(); ++i)
        startNext(i);
    if (m_done < m_requests.size())
        loop.exec();
    m_result.elapsedNs = clock.nsecsElapsed();
    m_loopQuit = nullptr;
    for (Slot &slot : m_slots) {
        slot.open = false;
        slot.socket->abort();
    }
    return m_result;
}

void CFetchLoop::startNext(int i)
{
    Slot &slot = m_slots[i];
    if (m_next >= m_requests.size())
        return;
    slot.request = m_next++;
    slot.open = true;
    slot.started.start();
    slot.socket->connectToHost(QHostAddress(QHostAddress::LocalHost), m_port);
}

void CFetchLoop::finish(int i, bool failed)
{
    Slot &slot = m_slots[i];
    slot.open = false;
    m_result.latenciesNs.push_back(slot.started.nsecsElapsed());
    if (failed) {
        ++m_result.failures;
        slot.socket->abort();
    } else if (slot.socket->isOpen()) {
        slot.socket->close();
    }
    if (++m_done == m_requests.size()) {
        if (m_loopQuit)
            QMetaObject::invokeMethod(m_loopQuit, "quit", Qt::QueuedConnection);
        return;
    }
    startNext(i);
}
