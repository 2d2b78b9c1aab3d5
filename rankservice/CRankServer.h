#pragma once

#include <QByteArray>
#include <QTcpServer>

#include <chrono>

class CRequestReader;
class CSnapshotStore;

// Answers "GET /siteinfo/<domain>" with the site-information page of that
// domain, every other path with 404 and a broken request with 400. Each
// answer ends the connection: Sorvane's client reads until the server closes.
// Runs on one thread; no client can hold it up, since every connection has a
// deadline and a bounded buffer.
class CRankServer : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 512;

    // store must outlive the server.
    explicit CRankServer(const CSnapshotStore &store, QObject *parent = nullptr);

    // A connection that has not been answered and closed by then is dropped.
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }
    std::chrono::milliseconds deadline() const { return m_deadline; }

    int openConnections() const { return m_open; }

    // The full response (status line, headers, body) to a finished head.
    QByteArray answer(const CRequestReader &request) const;

private:
    void acceptPending();
    void connectionClosed();

    const CSnapshotStore &m_store;
    std::chrono::milliseconds m_deadline{5000};
    int m_open = 0;
};
