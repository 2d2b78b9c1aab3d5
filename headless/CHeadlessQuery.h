#pragma once

#include "CAlexaRankData.h"
#include "CRankClock.h"
#include "watch/CAlertRun.h"

#include <QList>
#include <QString>
#include <QStringList>

class CDomainDateList;
class CServiceAddress;
class QTextStream;

// One query run without a window, for a terminal or a timer: the domains of
// domains.dat are fetched and the new records added to db.dat under the
// same lock and the same atomic save as the window's. It prints one line per
// domain and a summary to out, and why it could not start to err. A
// backfill asks the service for past days instead and stores them under
// those dates.
class CHeadlessQuery
{
public:
    enum ExitCode {
        AllStored = 0,   // every domain stored or already assessed
        SomeFailed = 1,  // some fetch failed (or the history could not be saved)
        CannotStart = 2, // nothing was fetched
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
    };

    // The message when the window holds the data folder.
    static QString windowOpenMessage() { return QStringLiteral("Sorvane is open; the query will run there"); }

    CHeadlessQuery(Options options, QTextStream &out, QTextStream &err);

    // Runs the query to its end in an event loop of its own.
    ExitCode run();

private:
    ExitCode refuse(const QString &message);
    QStringList domainsOfGroups(const QStringList &domains, QString *problem);
    void fireAlerts(const QList<CAlexaRankData> &history);
    ExitCode query(const CServiceAddress &service, const QStringList &domains, QList<CAlexaRankData> &history,
                   CDomainDateList &dates, bool *changed);
    ExitCode backfill(const CServiceAddress &service, const QStringList &domains, QList<CAlexaRankData> &history,
                      bool *changed);

    Options m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    QList<CAlexaRankData> m_taken; // the records today's run took in
};
