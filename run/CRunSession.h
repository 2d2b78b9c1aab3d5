#pragma once

#include "CAlexaRankData.h"
#include "CQueryRun.h"
#include "CRunReport.h"
#include "base/CResult.h"
#include "run/CBackfillProgress.h"
#include "watch/CAlertRun.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CBackfillRun;
class CDataSession;

// One run of fetches from its start to its one result, the same whoever
// asked for it: the window's button, `sorvane --query` or `--backfill`, or
// a command relayed to the open window. It refuses before any fetch when
// what it fetches could not be saved; takes each record into the session's
// history; saves the history once the last fetch reported or the run was
// stopped, on the session's thread, so that a large history holds up no
// event loop; fires the alerts only when the save succeeded; and words every
// line and the summary, which says "stored" only for what is on disk. The
// run is under way until its save has ended, and only then finishes. Its
// owners present what it says: the window in its table and status text,
// the command line on its output, the relay to the command that asked.
class CRunSession : public QObject
{
    Q_OBJECT

public:
    // What a line is, so that each owner shows it its own way.
    enum class Kind {
        Domain,      // one domain's result
        Summary,     // the counts, after the save
        Alert,       // an alert the run fired
        Stopped,     // why the run ended early and what was left
        Note,        // something that went wrong beside the run (an alert outlet, a bad rule)
        SaveFailed,  // the history could not be saved; the text says why
        Unreachable, // no fetch reached the service
    };

    struct Line
    {
        Kind kind = Kind::Domain;
        QString text;
        // A line for standard error rather than standard output.
        bool isNote() const { return kind == Kind::Note || kind == Kind::SaveFailed || kind == Kind::Unreachable; }
    };

    struct Result
    {
        CRunReport::ExitCode code = CRunReport::CannotStart;
        CQueryRun::Counts counts;
        bool saved = true; // false: records were taken in but are not on disk
        bool stopped = false;
        QString saveProblem; // why the save failed
        bool backfill = false;
        qsizetype added = 0; // past days' records merged into the history
    };

    // The session and the run (its pool of connections) must outlive this.
    CRunSession(CDataSession &session, CQueryRun &run, QObject *parent = nullptr);
    ~CRunSession() override;
    CRunSession(const CRunSession &) = delete;
    CRunSession &operator=(const CRunSession &) = delete;

    // Where alerts go besides the lines; none unless set.
    void setOutlets(const CAlertOutlets &outlets) { m_outlets = outlets; }
    // The list a run without its own domains fetches, read at each
    // hand-over (the window's list may grow during its run).
    void setDomainList(CQueryRun::DomainList domains) { m_domainList = std::move(domains); }
    // Domain lines of the refused kind name the reason as the window shows it.
    CQueryRun &queryRun() const { return m_run; }

    // Why a run may not start now: a file the session could not save, a
    // run under way.
    CResult<> mayRun() const;
    // Starts a run of the domain list, or of these domains. Refused before
    // any fetch, with the reason, when mayRun() says so or there is no domain.
    CResult<> start(bool rankMode);
    CResult<> start(const QStringList &domains, bool rankMode);
    // Fills the days of the last days (today not counted) that the domains
    // have no record of, over the same pool; records go among the days
    // around them, and no alert is fired for past days.
    CResult<> startBackfill(const QStringList &domains, int days, bool rankMode);
    // The same for the domain list.
    CResult<> startBackfill(int days, bool rankMode);

    // From the start until finished(), the save included.
    bool isRunning() const { return m_active || m_saving; }
    bool isBackfill() const { return isRunning() && m_backfill; }
    // The fetches are over and the history is being saved.
    bool isSaving() const { return m_saving; }
    // Waits for the run's save, if it is under way: the run has finished
    // when this returns (a window that goes, a program that quits).
    void waitForSave();
    // The fetches the run under way announced when it started.
    int fetchCount() const { return m_fetches; }
    const CBackfillProgress &backfillProgress() const { return m_progress; }
    // Ends the run now (a signal, a deadline): what was taken in is saved
    // and a last line gives why, and what was left.
    void stop(const QString &why);

    // The records the current or last run took in.
    const QList<CAlexaRankData> &taken() const { return m_taken; }
    const Result &result() const { return m_result; }

Q_SIGNALS:
    // Before the first fetch goes out, so an owner can show the run first.
    void aboutToStart();
    // The run is under way with this many domains (or days).
    void started(int total);
    void said(const CRunSession::Line &line);
    // A backfill's page reported; see backfillProgress().
    void backfillProgressed();
    // A record taken into the history (not yet saved).
    void recordTaken(const CAlexaRankData &record);
    // The fetches are over; the save comes next.
    void fetchesEnded(const CQueryRun::Counts &counts);
    // A backfill's days went among the days around them: places in the
    // history moved. The save comes next.
    void pastDaysMerged();
    void finished(const CRunSession::Result &result);
    // The service's pages say no day, so nothing can be filed under a past
    // day: the backfill ended at once and stored nothing.
    void undated();

private:
    CResult<> mayStart(bool hasDomains) const;
    // The names of the domain list, and whether it had any entry at all.
    QStringList domainListNames(bool *hasEntries) const;
    void connectBackfill(CBackfillRun *run);
    void pageDone(const QDate &day);
    void prepare(const QStringList &domains);
    void connectRun();
    void say(Kind kind, const QString &text);
    void take(const CAlexaRankData &record);
    void finish(const CQueryRun::Counts &counts);
    void tellQueryEnd();
    void finishBackfill(bool undatedService);
    void tellBackfillEnd(int filled);
    // Saves the history when there is something to save, then goes on.
    void saveThen(bool needed, std::function<void()> then);
    void fireAlerts();

    CDataSession &m_session;
    CQueryRun &m_run;
    CQueryRun::DomainList m_domainList;
    CAlertOutlets m_outlets;
    bool m_active = false; // fetching
    bool m_saving = false; // the fetches are over, the save is under way
    bool m_abandoned = false; // stopped: late results are no one's
    QString m_stopReason;
    QStringList m_pending; // domains not reported yet, for a run cut short
    int m_total = 0;
    int m_fetches = 0;
    CBackfillProgress m_progress;
    QList<CAlexaRankData> m_taken;
    Result m_result;
    // A backfill under way, and its counts.
    std::unique_ptr<CBackfillRun> m_backfill;
    int m_withoutList = 0;
    int m_backfillFailed = 0;
};

Q_DECLARE_METATYPE(CRunSession::Line)
Q_DECLARE_METATYPE(CRunSession::Result)
