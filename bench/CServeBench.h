#pragma once

#include "CBenchReport.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

class CRankdProcess;

// Measures the running service while other clients press on it: pages of
// past days, alone and while ten clients keep asking for past days, and a
// normal page while one local client floods it with connections (bounded in
// count and time, loopback only), with the service's memory before and
// after. The clients are plain blocking sockets on threads of their own.
class CServeBench
{
public:
    // report and service must outlive this; size names the lists served.
    CServeBench(CBenchReport &report, const CRankdProcess &service, const QString &size, int runs);

    // days: held days to ask for; domains: names the lists rank.
    void benchPastDays(const QList<QDate> &days, const QList<QByteArray> &domains, int seconds);
    // A flood of connections from one process, faster than 30,000 a second,
    // for seconds, while a normal client asks for pages: once of connections
    // that send nothing, once of connections that each send one byte.
    void benchFlood(const QByteArray &domain, int seconds);

private:
    struct FloodRun
    {
        double rate = 0;     // connections opened a second
        double longest = 0;  // the slowest normal page, ms (-1 none answered)
        double answered = 0; // share of normal pages answered 200
        double rssBefore = 0;
        double rssAfter = 0;
    };
    FloodRun flood(const QByteArray &page, int seconds, bool talking) const;

    // Fetches path once; the time from connect to close in ms, or -1 when
    // the answer is not a 200 page.
    double fetchMs(const QByteArray &path) const;

    CBenchReport &m_report;
    const CRankdProcess &m_service;
    QString m_size;
    int m_runs;
};
