#pragma once

#include "CRankClock.h"
#include "CRunReport.h"
#include "base/CResult.h"
#include "relay/CQueryRelayClient.h"
#include "watch/CAlertRun.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class CDataSession;
class CQuitSignals;
class CRunSession;
class QTextStream;
class QTimer;

// One query run without a window, for a terminal or a timer: the domains of
// domains.dat are fetched and the new records added to db.dat through the
// same data session as the window's, so under the same lock, file rules and
// atomic save. It prints one line per domain and a summary to out, and why
// it could not start to err. While the window holds the data folder, the
// window runs the query and this relays it. A backfill asks the service
// for past days instead and stores them under those dates.
//
// A run ends early on SIGTERM, SIGINT or SIGHUP, or when its deadline
// (derived from its size) passes: what was taken in is saved, and a last
// line says why it ended and what was left.
class CHeadlessQuery
{
public:
    enum ExitCode {
        AllStored = CRunReport::AllStored,
        SomeFailed = CRunReport::SomeFailed, // also: the run was cut short
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
        // Bytes of memory the history may use; unset: what the system has.
        std::optional<qint64> availableMemory;
        // How long the whole run may take; 0: deadlineFor() its fetches.
        int deadlineMs = 0;
        // Not empty: only the domains of the list that are in these groups.
        QStringList groups;
        // Where the alerts of today's run go besides the output and alerts.log.
        CAlertOutlets alerts;
        // How long a window that holds the data folder may take to run the query.
        CQueryRelayClient::Limits relayLimits;
        // Where the open window's socket is ($XDG_RUNTIME_DIR); empty: a folder of the user's own.
        QString runtimeDirectory;
    };

    // A run of this many fetches may take a few seconds for each, and at
    // least a minute, however slowly the service answers.
    static constexpr int SecondsPerFetch = 10;
    static constexpr int MinimumSeconds = 60;
    static qint64 deadlineFor(qint64 fetches);

    CHeadlessQuery(Options options, QTextStream &out, QTextStream &err);
    ~CHeadlessQuery();
    CHeadlessQuery(const CHeadlessQuery &) = delete;
    CHeadlessQuery &operator=(const CHeadlessQuery &) = delete;

    // Runs the query to its end in an event loop of its own.
    ExitCode run();

private:
    ExitCode refuse(const QString &message);
    // Sets up, locks and reads the data folder. Nothing when this run may
    // go on; else how the command ends: CannotStart when it must not start
    // (the message is printed), or the exit code of the run the window made.
    std::optional<ExitCode> openSession(CDataSession &session);
    // Another process holds the data folder's lock: the window, if it
    // answers, runs the query; anything else is refused.
    ExitCode runInWindow(const CDataSession &session);
    void printNotes(CDataSession &session);
    // The domains of the groups asked for; a failure when none is left.
    CResult<QStringList> domainsOfGroups(CDataSession &session, const QStringList &domains);
    // Prints what the run says until its end; its result's exit code.
    ExitCode runToItsEnd(CRunSession &run, const QStringList &domains);
    // Stops the run when a quit signal comes or its deadline passes.
    void stopOnSignalOrDeadline(CRunSession &run, qint64 fetches);

    Options m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    std::unique_ptr<CQuitSignals> m_quitSignals;
    std::unique_ptr<QTimer> m_deadline;
};
