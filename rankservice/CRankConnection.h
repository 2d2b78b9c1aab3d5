#pragma once

#include "CRequestReader.h"

#include <QObject>
#include <QTimer>

class CRankServer;
class QTcpSocket;

// One client of the server: gathers the request head, sends the answer and
// closes. Takes over the socket; deletes itself once the socket is closed.
class CRankConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 ReadBufferSize = 16 * 1024;

    CRankConnection(QTcpSocket *socket, CRankServer *server);

private:
    void readRequest();
    void finish();

    CRankServer *m_server;
    QTcpSocket *m_socket;
    QTimer m_deadline;
    CRequestReader m_request;
    bool m_answered = false;
};
