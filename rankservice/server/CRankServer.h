#pragma once

#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <deque>
#include <vector>

class CRankConnection;
class CRankRouter;
class QHostAddress;

// Hears clients: takes in connections, reads each request with a deadline
// and a bounded buffer, has the router answer it, and closes. Connections
// are capped per client address and in all, and taken in a batch at a time,
// so that no client, nor a flood of connections, can hold up the others:
// admission is this class's part, what an answer says the router's. Each
// answer ends the connection: Sorvane's client reads until the server
// closes. Runs on one thread.
class CRankServer : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 512;
    static constexpr int MaxPerAddress = 128;
    static constexpr int AcceptBatch = 32;
    static constexpr int ListenBacklog = 4096;
    // Newcomers past a cap that have sent nothing yet wait up to ParkedFor
    // for their request as bare descriptors, looked at every ParkCheck; at
    // most MaxParked of them, the oldest let go first.
    static constexpr std::chrono::milliseconds ParkedFor{100};
    static constexpr std::chrono::milliseconds ParkCheck{1};
    static constexpr int MaxParked = 128;

    // router must outlive the server.
    explicit CRankServer(const CRankRouter &router, QObject *parent = nullptr);
    ~CRankServer() override;

    // Once listening: the system holds each new connection until its first
    // data comes, for up to the deadline as set by then. A flood's
    // connections, which send nothing, then never reach the server nor fill
    // the queue that a client's new connection waits in. False where the
    // system cannot.
    bool acceptOnlyWithData();

    // A connection that has not been answered and closed by then is dropped.
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }
    std::chrono::milliseconds deadline() const { return m_deadline; }

    int openConnections() const { return int(m_connections.size()); }
    // Connections closed, before their request was in, to make room for a newer client.
    qint64 droppedIdle() const { return m_droppedIdle; }
    // New connections closed at once: every place they could take was owed an answer.
    qint64 refused() const { return m_refused; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    using ParkClock = std::chrono::steady_clock;
    struct Parked
    {
        qintptr descriptor;
        ParkClock::time_point until;
    };

    // Whether a client on descriptor would pass a cap.
    bool wouldPushOut(qintptr descriptor) const;
    void takeParked();
    void scheduleAccept();
    void acceptPending();
    void connectionClosed(QObject *connection);
    // When a client of peer would pass a cap, drops the connection idle the
    // longest of those still without a request; false when there is none.
    bool makeRoom(const QHostAddress &peer);
    void answerConnection(CRankConnection *connection);

    const CRankRouter &m_router;
    std::chrono::milliseconds m_deadline{5000};
    std::vector<CRankConnection *> m_connections; // children, oldest first
    qint64 m_droppedIdle = 0;
    qint64 m_refused = 0;
    bool m_acceptScheduled = false;
    std::deque<Parked> m_parked; // oldest first
    QTimer m_parkTimer;
};
