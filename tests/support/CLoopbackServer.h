#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

// A scriptable HTTP server on 127.0.0.1 for tests. It listens from
// construction on, records every request head it receives and answers each
// one as the test arranged: a page per path, a default reply for the other
// paths (an HTTP 404 followed by a close unless changed), or nothing at all
// in manual mode, where the test sends and closes by hand.
class CLoopbackServer : public QObject
{
    Q_OBJECT

public:
    struct Reply
    {
        QList<QByteArray> chunks; // written one after the other
        int pauseMs = 0;          // between two chunks
        bool close = true;        // false: the connection is left open
    };
    static Reply page(const QByteArray &body); // a 200 answer with body, then close
    static Reply notFound();                   // a 404 answer, then close

    explicit CLoopbackServer(QObject *parent = nullptr);
    ~CLoopbackServer() override;

    static QString host() { return QStringLiteral("127.0.0.1"); }
    quint16 port() const;

    void setPage(const QString &path, const QByteArray &body);
    void setReply(const QString &path, const Reply &reply);
    void setDefaultReply(const Reply &reply);
    void setCloseOnAccept(bool on) { m_closeOnAccept = on; } // dropped before reading
    void setManual(bool on) { m_manual = on; }

    QList<QByteArray> requests() const { return m_requests; }
    QStringList requestedPaths() const;
    int connectionCount() const { return m_connectionCount; }

    // Manual mode: act on the latest connection.
    void send(const QByteArray &bytes);
    void closeConnection();

    // A port on 127.0.0.1 that nothing listens on (a connection is refused).
    static quint16 closedPort();

Q_SIGNALS:
    void requestReceived(const QByteArray &request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void sendFrom(QPointer<QTcpSocket> socket, const Reply &reply, int chunk);

    QTcpServer *m_server = nullptr;
    QHash<QString, Reply> m_replies;
    Reply m_defaultReply;
    bool m_closeOnAccept = false;
    bool m_manual = false;
    QList<QByteArray> m_requests;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QPointer<QTcpSocket> m_latest;
    int m_connectionCount = 0;
};
