#pragma once

#include "rankservice/server/CRequestReader.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <chrono>

class QTcpSocket;

// One client of the server: gathers the request head, announces it once it
// is complete (or broken), sends the answer it is handed and closes. Takes
// over the socket; deletes itself once the socket is closed or the deadline
// passes.
class CRankConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 ReadBufferSize = 16 * 1024;

    CRankConnection(QTcpSocket *socket, std::chrono::milliseconds deadline, QObject *parent);

    // Call once requestRead is connected.
    void start();

    // Closes descriptor with a reset: nothing of the connection is left in
    // the system to wind down, which matters when a flood's connections are
    // closed by the thousand.
    static void closeWithReset(qintptr descriptor);

    const CRequestReader &request() const { return m_request; }
    // The full response; sent once, then the connection closes. After a
    // request not read whole (too long, or broken) the rest may still be
    // coming: closing then would have the system answer it with a reset,
    // which can reach the client before it reads the answer. Such a
    // connection's sending side is shut once the answer is out, and what
    // still comes is read and dropped until the client closes or the
    // deadline passes.
    void answer(const QByteArray &response);
    // Closes at once, without an answer, with a reset: nothing of the
    // connection is left in the system to wind down.
    void drop();

    const QHostAddress &peer() const { return m_peer; }
    // Once the whole request head (or a broken one) is in, the connection is
    // owed its answer and is never dropped to make room for another.
    bool requestIn() const { return m_announced; }
    // Grows with every read or write of any connection: the smallest is the
    // connection idle the longest.
    quint64 lastActive() const { return m_lastActive; }

signals:
    void requestRead(CRankConnection *connection);

private:
    void readRequest();
    void written();
    void finish();
    void touch();

    QTcpSocket *m_socket;
    QTimer m_deadline;
    QHostAddress m_peer;
    quint64 m_lastActive = 0;
    CRequestReader m_request;
    bool m_announced = false;
    bool m_answered = false;
    bool m_draining = false; // answered; the client's side is read until it closes
};
