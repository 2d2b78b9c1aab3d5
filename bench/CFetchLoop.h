#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <vector>

class QTcpSocket;

// Fetches pages from a local server over a fixed number of parallel
// connections, one request per connection as Sorvane does: connect, send,
// read until the server closes, go on with the next request at once. Nothing
// is done with the answers; this is the floor a client's own work adds to.
class CFetchLoop : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        qint64 elapsedNs = 0;
        std::vector<qint64> latenciesNs; // connect to close, per request
        int failures = 0;
        qint64 bytes = 0;
        bool timedOut = false;

        double meanLatencyMs() const;
    };

    CFetchLoop(quint16 port, QList<QByteArray> requests, int connections, QObject *parent = nullptr);

    // Runs every request once; gives up after timeLimitMs.
    Result run(int timeLimitMs);

    // The request Sorvane's fetch object sends for a page path.
    static QByteArray request(const QByteArray &path);

private:
    struct Slot
    {
        QTcpSocket *socket = nullptr;
        QElapsedTimer started;
        qsizetype request = -1;
        bool open = false;
    };

    void startNext(int slot);
    void finish(int slot, bool failed);

    quint16 m_port;
    QList<QByteArray> m_requests;
    QList<Slot> m_slots;
    qsizetype m_next = 0;
    qsizetype m_done = 0;
    Result m_result;
    QObject *m_loopQuit = nullptr;
};
