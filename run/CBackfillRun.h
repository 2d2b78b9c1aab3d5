#pragma once

#include "CFetchFailure.h"
#include "protocol/CServiceAddress.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class CAlexaRankData;
class CAlexaSocket;
class CQueryRun;

// The fetches of a backfill over the query run's own five connections,
// borrowed for its life:
// each job is one domain on one past day, asked of the service by date.
// A page as of that day gives a record dated that day; a page as of another
// day, or a 404, means the service holds no list for the day; a page that
// says no day at all means the service cannot fill past days, and the run
// ends at once.
class CBackfillRun : public QObject
{
    Q_OBJECT

public:
    // No backfill reaches further back than this many days.
    static constexpr int MaxDays = 3650;

    struct Job
    {
        QString domain;
        QDate day;
    };

    // The pool must be idle and outlive this run.
    CBackfillRun(CQueryRun &pool, const CServiceAddress &service, bool rankMode, QObject *parent = nullptr);
    ~CBackfillRun() override;

    void start(QList<Job> jobs);
    // The jobs not reported yet: under way first, then those not started.
    QList<Job> left() const;

Q_SIGNALS:
    void filled(const CAlexaRankData &record);
    void noList(const QString &domain, const QDate &day);
    void failed(const QString &domain, const QDate &day, const CFetchFailure &failure);
    // The service's pages say no day: nothing it answers can be filed under a past day.
    void undated();
    void finished();

private:
    void dispatch(int socketId);
    void takeRecord(const CAlexaRankData &record, int socketId);
    void takeFailure(const CFetchFailure &failure, int socketId);
    void next(int socketId);

    CQueryRun &m_pool;
    QList<QMetaObject::Connection> m_connections;
    CServiceAddress m_service;
    bool m_rankMode;
    QList<CAlexaSocket *> m_sockets;
    QList<std::optional<Job>> m_current; // per socket
    QList<Job> m_queue;
    qsizetype m_nextJob = 0;
    bool m_stopped = false;
};
