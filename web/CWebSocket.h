#pragma once

#include <QAbstractSocket>
#include <QString>
#include <QThread>
#include <QTimer>

class QTcpSocket;

namespace Korv::QtLib::Web {

// A reusable client for one plain HTTP/1.0 GET at a time. The owner fills in
// the request fields, calls connectToHost() and waits for exactly one of
// dataRetrieved() or dataRetrievalError() before the next fetch.
//
// The object is a QThread whose run() only spins an event loop: the object,
// its socket and its timer stay on the thread that created them, so every
// signal is delivered there as a direct call.
class CWebSocket : public QThread
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeoutMs = 25000;
    // Past this many characters a response is abandoned as an error.
    static constexpr qsizetype DefaultResponseLimit = 16 * 1024 * 1024;

    CWebSocket(QObject *parent, int index);
    ~CWebSocket() override;

    QString host() const { return m_host; }
    QString path() const { return m_path; }
    QString cookie() const { return m_cookie; }
    QString referer() const { return m_referer; }
    QString domain() const { return m_domain; }
    int port() const { return m_port; }
    int index() const { return m_index; }
    int receivedTotal() const { return m_receivedTotal; }
    QString response() const { return m_response; }

    void setHost(const QString &host) { m_host = host; }
    void setPath(const QString &path) { m_path = path; }
    void setCookie(const QString &cookie) { m_cookie = cookie; }
    void setReferer(const QString &referer) { m_referer = referer; }
    void setDomain(const QString &domain) { m_domain = domain; }
    void setPort(int port) { m_port = port; }
    void setIndex(int index) { m_index = index; }

    // The time-out and the size cap; the program keeps the defaults, tests
    // shorten them.
    void setTimeoutInterval(int ms) { m_timeoutMs = ms; }
    int timeoutInterval() const { return m_timeoutMs; }
    void setResponseLimit(qsizetype chars) { m_responseLimit = chars; }

    // Request fields become empty (not null), buffer and response empty,
    // receivedTotal 0, port 80; domain and index stay.
    void reset();
    void connectToHost();

    // Why the last fetch reported dataRetrievalError(), in plain words
    // ("connection refused"); empty after a fetch that did not fail.
    QString failure() const { return m_failure; }
    // Whether the last fetch got a connection: a service that accepted and
    // then trickled was reached, one that refused was not.
    bool reached() const { return m_reached; }

    // The request text exactly as onConnect() sends it (before encoding).
    QString requestText() const;

Q_SIGNALS:
    void dataRetrieved();
    void dataRetrievalError();

protected:
    void run() override;

private Q_SLOTS:
    void onConnect();
    void onDisconnect();
    void onDataArrival();
    void onError(QAbstractSocket::SocketError error);
    void onTimeout();

private:
    bool takeChunk(); // false when the chunk ended the fetch
    void finishWithError(const QString &failure);

    QString m_host;
    QString m_path;
    QString m_cookie;
    QString m_referer;
    QString m_domain;
    int m_port = 80;
    int m_receivedTotal = 0;
    QTimer m_timer;
    QTcpSocket *m_socket = nullptr;
    QString m_response;
    QString m_buffer;
    QString m_failure;
    int m_index = 0;
    int m_timeoutMs = DefaultTimeoutMs;
    qsizetype m_responseLimit = DefaultResponseLimit;
    // True from connectToHost() until the fetch has been reported once:
    // closing a live connection raises disconnected() as well.
    bool m_fetchOpen = false;
    bool m_reached = false;
};

} // namespace Korv::QtLib::Web
