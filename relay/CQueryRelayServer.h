#pragma once

#include "base/CResult.h"
#include "relay/CQueryRelay.h"
#include "run/CRunSession.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// The window's side of `sorvane --query` and `--backfill` while the window
// holds the data folder: listens on the folder's local socket, starts a run
// or a backfill through the window's run session (or joins the one of that
// kind under way) and streams the run's
// lines, summary and exit code to each command that asked. The run session
// stores, refuses and words; this only relays. A client gets little room: a
// short request, a few seconds to send it, a bounded backlog of unread
// answers, and a bounded number of companions.
class CQueryRelayServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxClients = 8;
    static constexpr int RequestWaitMs = 10000;
    static constexpr qint64 MaxUnsentBytes = 1 << 20;
    // The lines of the run under way kept for a command that joins it late.
    static constexpr int MaxReplayLines = 100000;

    // The run must outlive the server. runtimeDirectory: where the socket
    // goes (see CQueryRelay::socketPath).
    CQueryRelayServer(CRunSession &run, QString dataDirectory, QString runtimeDirectory, QObject *parent = nullptr);
    ~CQueryRelayServer() override;
    CQueryRelayServer(const CQueryRelayServer &) = delete;
    CQueryRelayServer &operator=(const CQueryRelayServer &) = delete;

    // Only while this process holds the data folder's lock: a socket left
    // by a window that died is then ours to remove.
    CResult<> listen();
    int clientCount() const { return int(m_clients.size()); }
    // Commands waiting for the end of a run.
    int relayingCount() const;

private:
    struct Client
    {
        bool asked = false;   // its request has been read
        bool relaying = false; // it gets the run's lines
        bool sawRun = false;
    };

    void takeConnection();
    void readRequest(QLocalSocket *socket);
    void startOrJoin(QLocalSocket *socket, const CQueryRelay::Request &request);
    void join(QLocalSocket *socket, const CQueryRelay::Request &request);
    void runStarted(int total);
    void runEnded(const CRunSession::Result &result);
    void addLine(const QByteArray &line);
    void send(QLocalSocket *socket, const QByteArray &bytes);
    void refuse(QLocalSocket *socket, const QString &message);
    void drop(QLocalSocket *socket);

    CRunSession &m_run;
    QString m_dataDirectory;
    QString m_runtimeDirectory;
    QLocalServer *m_server = nullptr;
    QHash<QLocalSocket *, Client> m_clients;
    QList<QByteArray> m_runLines; // of the run under way, for a late joiner
    qsizetype m_linesLeftOut = 0;
    bool m_runActive = false;
};
