#pragma once

#include "CSiteInfoPage.h"

#include <QByteArray>
#include <QJsonObject>
#include <QDate>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <deque>
#include <vector>

class CRankConnection;
class QHostAddress;
struct CSiteFigures;
class CRequestReader;
class CSnapshotStore;
class CCruxMonths;

// Answers "GET /siteinfo/<domain>" with the site-information page of that
// domain as of today, "GET /siteinfo/<domain>?date=YYYY-MM-DD" with the page
// as of that day (from the newest held list on or before it, the period
// means counted back from that list; the page says the day), "GET /status"
// with what the service holds, HEAD as GET without the body, every other
// path with 404 and a broken request or query with 400. Each answer ends the
// connection: Sorvane's client reads until the server closes. Runs on one
// thread; no client can hold it up, since every connection has a deadline
// and a bounded buffer, and every answer comes from memory.
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

    // What the status answer and the pages say about the lists served.
    struct Source
    {
        QString name;        // empty for a folder of lists put there by hand
        QString title;       // the list's name as its publisher gives it
        QString licence;
        QString lastUpdate;  // outcome of the last update, one line
    };

    // store must outlive the server.
    explicit CRankServer(const CSnapshotStore &store, QObject *parent = nullptr);
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

    // Pages are refused while the newest list is older than this many days
    // before today; 0 serves lists of any age.
    void setMaxAgeDays(int days) { m_maxAgeDays = days; }
    void setSource(const Source &source) { m_source = source; }
    // The US rank from the months of a list that ranks in buckets, in place
    // of any daily United States list; months must outlive the server.
    void setUsMonths(const CCruxMonths *months, const Source &source)
    {
        m_usMonths = months;
        m_usSource = source;
    }
    // The global rank from such months, for a source without daily lists.
    void setGlobalMonths(const CCruxMonths *months) { m_globalMonths = months; }
    void setLastUpdate(const QString &outcome) { m_source.lastUpdate = outcome; }

    // While the lists load, pages are refused with 503 and the progress
    // ("loading: 3 of 90 lists read"); the status answer says the same.
    void setLoading(const QString &progress)
    {
        m_loading = true;
        m_progress = progress;
    }
    void setLoaded() { m_loading = false; }
    bool loading() const { return m_loading; }

    int openConnections() const { return int(m_connections.size()); }
    // Connections closed, before their request was in, to make room for a newer client.
    qint64 droppedIdle() const { return m_droppedIdle; }
    // New connections closed at once: every place they could take was owed an answer.
    qint64 refused() const { return m_refused; }

    // The full response (status line, headers, body) to a finished head.
    QByteArray answer(const CRequestReader &request) const;

    // Why pages are refused today, or empty when the lists are fresh enough.
    QString staleReason(const QDate &today) const;
    QByteArray statusJson() const;

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
    // A request target split into its path and its one allowed key.
    struct Query
    {
        QByteArrayView path;
        bool dated = false;
        QDate day;
        QByteArray error; // why the query is refused, empty when it is not
    };
    static Query parseQuery(QByteArrayView target);
    QByteArray answerGet(const CRequestReader &request) const;
    QByteArray pageAsOf(const QString &domain, const QDate &day) const;
    // The page of a source published a month at a time.
    QByteArray monthlyPage(const QString &domain, const QDate &day) const;
    // Sets the US rank of day from the United States months, when they are served.
    void takeUsBucket(const QString &domain, const QDate &day, CSiteFigures &figures,
                      CSiteInfoPage::Attribution &from) const;
    QJsonObject usStatus() const;

    const CSnapshotStore &m_store;
    std::chrono::milliseconds m_deadline{5000};
    int m_maxAgeDays = 0;
    Source m_source;
    const CCruxMonths *m_usMonths = nullptr;
    Source m_usSource;
    const CCruxMonths *m_globalMonths = nullptr;
    bool m_loading = false;
    QString m_progress;
    std::vector<CRankConnection *> m_connections; // children, oldest first
    qint64 m_droppedIdle = 0;
    qint64 m_refused = 0;
    bool m_acceptScheduled = false;
    std::deque<Parked> m_parked; // oldest first
    QTimer m_parkTimer;
};
