#pragma once

#include "CRunReport.h"
#include "relay/CQueryRelay.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QEventLoop;
class QLocalSocket;
class QTextStream;
class QTimer;

// The command's side of a query run or backfill relayed to the open window:
// asks the window that holds the data folder for it and prints what it streams
// back, ending with the window's exit code. A window that does not answer,
// falls silent or takes longer than its domains can explain is given up on.
class CQueryRelayClient : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int answerMs = 15000;     // from connecting to the start of the run
        int idleMs = 120000;      // between two lines of a run
        int perDomainMs = 10000;  // the whole run: this per domain,
        int minimumRunMs = 120000; // but never less than this
    };

    // runtimeDirectory: where the window's socket is (see CQueryRelay::socketPath).
    CQueryRelayClient(QString dataDirectory, QString runtimeDirectory, QObject *parent = nullptr);
    CQueryRelayClient(QString dataDirectory, QString runtimeDirectory, Limits limits, QObject *parent = nullptr);
    ~CQueryRelayClient() override;

    // Runs until the window's exit code, or until it is given up on.
    CRunReport::ExitCode relay(const CQueryRelay::Request &request, QTextStream &out, QTextStream &err);
    // Ends relay() at once, as a signal ends a run: why goes to the output
    // as a run cut short says it, and the command exits as one (1); the
    // window's run goes on there.
    void interrupt(const QString &why);

    // The refusal when nothing that listens answers for the data folder.
    static QString noWindowMessage(const QString &dataDirectory);

private:
    void ask(const CQueryRelay::Request &request);
    void readLines();
    void take(const QByteArray &bytes);
    void takeRun(int domains);
    void end(CRunReport::ExitCode code, const QString &message = QString());
    void giveUp(const QString &why);
    bool peerIsThisUser() const;

    QString m_dataDirectory;
    QString m_runtimeDirectory;
    Limits m_limits;
    QLocalSocket *m_socket = nullptr;
    QTimer *m_idle = nullptr;
    QTimer *m_deadline = nullptr;
    QEventLoop *m_loop = nullptr;
    QTextStream *m_out = nullptr;
    QTextStream *m_err = nullptr;
    bool m_started = false;
    bool m_ended = false;
    CRunReport::ExitCode m_code = CRunReport::CannotStart;
};
