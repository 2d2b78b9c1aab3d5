#pragma once

#include "CAlexaRankData.h"
#include "CRankClock.h"
#include "watch/CAlertRun.h"
#include "CRunReport.h"
#include "relay/CQueryRelayClient.h"

#include <QList>
#include <QString>
#include <QStringList>

class CDomainDateList;
class CServiceAddress;
class QTextStream;

// One query run without a window, for a terminal or a timer: the domains of
// domains.dat are fetched and the new records added to db.dat under the
// same lock and the same atomic save as the window's. It prints one line per
// domain and a summary to out, and why it could not start to err. While the
// window holds the data folder, the window runs the query and this relays it. A
// backfill asks the service for past days instead and stores them under
// those dates.
class CHeadlessQuery
{
public:
    enum ExitCode {
        AllStored = CRunReport::AllStored,
        SomeFailed = CRunReport::SomeFailed,
        CannotStart = CRunReport::CannotStart,
    };

    struct Options
    {
        QString dataDirectory;
        QString service; // "host" or "host:port"; empty: localhost on port 80
        bool rankMode = true;
        CRankClock clock;
        // More than 0: instead of today's run, fill the days of the last
        // this many (today not counted) that have no record.
        int backfillDays = 0;
        // Not empty: only the domains of the list that are in these groups.
        QStringList groups;
        // Where the alerts of today's run go besides the output and alerts.log.
        CAlertOutlets alerts;
        // How long a window that holds the data folder may take to run the query.
        CQueryRelayClient::Limits relayLimits;
    };

    CHeadlessQuery(Options options, QTextStream &out, QTextStream &err);

    // Runs the query to its end in an event loop of its own.
    ExitCode run();

private:
    ExitCode refuse(const QString &message);
    QStringList domainsOfGroups(const QStringList &domains, QString *problem);
    void fireAlerts(const QList<CAlexaRankData> &history);
    // The data folder is held by another process: the window, if it answers, runs the query.
    ExitCode runInWindow(const QString &folder);
    ExitCode query(const CServiceAddress &service, const QStringList &domains, QList<CAlexaRankData> &history,
                   CDomainDateList &dates, bool *changed);
    ExitCode backfill(const CServiceAddress &service, const QStringList &domains, QList<CAlexaRankData> &history,
                      bool *changed);

    Options m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    QList<CAlexaRankData> m_taken; // the records today's run took in
};
