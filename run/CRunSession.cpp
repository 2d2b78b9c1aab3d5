#include "run/CRunSession.h"

#include "CDataSession.h"
#include "CHistoryMerge.h"
#include "CRecordDate.h"
#include "run/CBackfillRun.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QSet>

namespace {

// The days from first to last that each domain already has, compared as
// days whatever their order. Read for every record of the history as a
// backfill starts, so no day is written out as text.
QHash<QString, QSet<qint64>> heldDays(const QList<CAlexaRankData> &history, const QDate &first, const QDate &last)
{
    QHash<QString, QSet<qint64>> held;
    for (const CAlexaRankData &record : history) {
        const QDate day = CRecordDate::parse(record.date());
        if (day.isValid() && day >= first && day <= last)
            held[record.domain()].insert(day.toJulianDay());
    }
    return held;
}

// Every day of the last days (today not counted) that a domain has no record
// of, a day's domains together and the latest day first: a backfill cut
// short has filled whole recent days.
QList<CBackfillRun::Job> missingDays(const QStringList &domains, const QList<CAlexaRankData> &history, const QDate &today,
                                     int days)
{
    const QHash<QString, QSet<qint64>> held = heldDays(history, today.addDays(-days), today.addDays(-1));
    QList<CBackfillRun::Job> jobs;
    for (int back = 1; back <= days; ++back) {
        const QDate day = today.addDays(-back);
        for (const QString &domain : domains) {
            if (!held.value(domain).contains(day.toJulianDay()))
                jobs.append({domain, day});
        }
    }
    return jobs;
}

// "interrupted by SIGTERM with 3 of 7 domains left: a.test, b.test, c.test"
QString stopLine(const QString &why, const QStringList &left, int total)
{
    constexpr int named = 10;
    QString line = QCoreApplication::translate("CRunSession", "%1 with %2 of %3 domains left").arg(why).arg(left.size()).arg(total);
    if (!left.isEmpty()) {
        line += QStringLiteral(": ") + left.mid(0, named).join(QStringLiteral(", "));
        if (left.size() > named)
            line += QCoreApplication::translate("CRunSession", " and %1 more").arg(left.size() - named);
    }
    return line;
}

} // namespace

CRunSession::CRunSession(CDataSession &session, CQueryRun &run, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_run(run)
{
    qRegisterMetaType<CRunSession::Line>();
    qRegisterMetaType<CRunSession::Result>();
    connectRun();
}

CRunSession::~CRunSession() = default;

void CRunSession::connectRun()
{
    connect(&m_run, &CQueryRun::started, this, [this] {
        if (!m_active) // started without this session's start(), as a test may
            prepare(QStringList());
        m_fetches = m_run.total();
        Q_EMIT started(m_run.total());
    });
    connect(&m_run, &CQueryRun::recordAccepted, this, [this](const CAlexaRankData &record) {
        if (m_abandoned)
            return;
        m_pending.removeOne(record.domain());
        take(record);
        say(Kind::Domain, CRunReport::fetched(record));
    });
    connect(&m_run, &CQueryRun::recordRefused, this, [this](const CAlexaRankData &record, const QString &) {
        if (m_abandoned)
            return;
        m_pending.removeOne(record.domain());
        say(Kind::Domain, CRunReport::refused(record));
    });
    connect(&m_run, &CQueryRun::fetchFailed, this, [this](const QString &domain, const CFetchFailure &failure) {
        if (m_abandoned)
            return;
        m_pending.removeOne(domain);
        say(Kind::Domain, CRunReport::failed(domain, failure));
    });
    connect(&m_run, &CQueryRun::finished, this, [this](const CQueryRun::Counts &counts) {
        if (m_active && !m_abandoned && !m_backfill)
            finish(counts);
    });
}

CResult<> CRunSession::mayRun() const
{
    if (isRunning() || m_run.isRunning())
        return CResult<>::failure(tr("a query run is already under way"));
    return m_session.stillSavable();
}

CResult<> CRunSession::mayStart(bool hasDomains) const
{
    if (CResult<> runnable = mayRun(); !runnable)
        return runnable;
    if (!hasDomains)
        return CResult<>::failure(tr("no domains to query in %1").arg(m_session.filePath(CDataSession::domainListFileName())));
    return CResult<>::success();
}

QStringList CRunSession::domainListNames(bool *hasEntries) const
{
    QStringList names;
    for (QString entry = m_domainList ? m_domainList(0) : QString(); !entry.isNull(); entry = m_domainList(int(names.size())))
        names.append(entry);
    *hasEntries = !names.isEmpty();
    QStringList domains;
    for (const QString &entry : std::as_const(names)) {
        if (!entry.trimmed().isEmpty())
            domains.append(entry.trimmed());
    }
    return domains;
}

CResult<> CRunSession::start(bool rankMode)
{
    bool hasEntries = false;
    const QStringList domains = domainListNames(&hasEntries);
    // A list of blank entries runs to an empty end; no list is no run.
    if (const CResult<> may = mayStart(hasEntries); !may)
        return may;
    prepare(domains);
    m_run.setRankMode(rankMode);
    Q_EMIT aboutToStart();
    m_run.start(m_domainList);
    return CResult<>::success();
}

CResult<> CRunSession::start(const QStringList &domains, bool rankMode)
{
    setDomainList([domains](int position) { return domains.value(position); });
    return start(rankMode);
}

void CRunSession::prepare(const QStringList &domains)
{
    m_pending = domains;
    m_total = int(domains.size());
    m_taken.clear();
    m_stopReason.clear();
    m_result = Result();
    m_withoutList = 0;
    m_backfillFailed = 0;
    m_fetches = 0;
    m_progress = CBackfillProgress();
    m_backfill.reset();
    m_abandoned = false;
    m_active = true;
}

void CRunSession::take(const CAlexaRankData &record)
{
    m_session.history().append(record);
    m_taken.append(record);
    Q_EMIT recordTaken(record);
}

void CRunSession::say(Kind kind, const QString &text)
{
    Q_EMIT said(Line{kind, text});
}

void CRunSession::stop(const QString &why)
{
    if (!m_active)
        return;
    m_stopReason = why;
    // What is still under way reports to no one: the run is over.
    m_abandoned = true;
    if (m_backfill) {
        QSet<QString> unfinished;
        for (const CBackfillRun::Job &job : m_backfill->left())
            unfinished.insert(job.domain);
        QStringList left;
        for (const QString &domain : std::as_const(m_pending)) {
            if (unfinished.contains(domain))
                left.append(domain);
        }
        m_pending = left;
        finishBackfill(false);
        return;
    }
    m_run.abandon();
    finish(m_run.counts());
}

void CRunSession::finish(const CQueryRun::Counts &counts)
{
    m_active = false;
    m_result.counts = counts;
    m_result.stopped = !m_stopReason.isEmpty();
    Q_EMIT fetchesEnded(counts);
    saveThen(!m_taken.isEmpty(), [this] { tellQueryEnd(); });
}

void CRunSession::tellQueryEnd()
{
    const CQueryRun::Counts &counts = m_result.counts;
    say(Kind::Summary, CRunReport::summary(counts, m_result.saved));
    if (!m_result.saved)
        say(Kind::SaveFailed, m_result.saveProblem);
    if (!m_result.stopped && counts.noneReached())
        say(Kind::Unreachable, CRunReport::unreachable(m_run.service()));
    if (m_result.saved)
        fireAlerts();
    if (m_result.stopped)
        say(Kind::Stopped, stopLine(m_stopReason, m_pending, m_total));
    m_result.code = CRunReport::exitCode(counts, m_result.saved, m_result.stopped);
    Q_EMIT finished(m_result);
}

void CRunSession::saveThen(bool needed, std::function<void()> then)
{
    m_result.saved = true;
    if (!needed) {
        then();
        return;
    }
    m_saving = true;
    m_session.saveHistoryInBackground(this, [this, then = std::move(then)](const CResult<> &saved) {
        m_saving = false;
        m_result.saved = saved.ok();
        m_result.saveProblem = saved.message();
        then();
    });
}

void CRunSession::waitForSave()
{
    if (m_saving)
        m_session.finishHistorySaves();
}

void CRunSession::fireAlerts()
{
    const CAlertRun::Outcome outcome =
        CAlertRun::fire(m_session, m_session.history(), m_taken, m_outlets, QDateTime::currentDateTime());
    for (const QString &alert : outcome.alerts)
        say(Kind::Alert, alert);
    for (const QString &note : outcome.notes)
        say(Kind::Note, note);
}

CResult<> CRunSession::startBackfill(int days, bool rankMode)
{
    bool hasEntries = false;
    const QStringList domains = domainListNames(&hasEntries);
    return startBackfill(domains, days, rankMode);
}

CResult<> CRunSession::startBackfill(const QStringList &domains, int days, bool rankMode)
{
    if (const CResult<> may = mayStart(!domains.isEmpty()); !may)
        return may;
    if (days < 1 || days > CBackfillRun::MaxDays)
        return CResult<>::failure(tr("a backfill takes from 1 to %1 days").arg(CBackfillRun::MaxDays));
    const QList<CBackfillRun::Job> jobs = missingDays(domains, m_session.history(), m_run.clock().today(), days);
    prepare(domains);
    QList<QDate> pageDays;
    pageDays.reserve(jobs.size());
    for (const CBackfillRun::Job &job : jobs)
        pageDays.append(job.day);
    m_progress = CBackfillProgress(pageDays);
    m_fetches = int(jobs.size());
    m_result.backfill = true;
    // The window shows the figures the backfill takes.
    m_run.setRankMode(rankMode);
    m_backfill = std::make_unique<CBackfillRun>(m_run, m_run.service(), rankMode);
    connectBackfill(m_backfill.get());
    Q_EMIT aboutToStart();
    Q_EMIT started(m_fetches);
    m_backfill->start(jobs);
    return CResult<>::success();
}

void CRunSession::connectBackfill(CBackfillRun *run)
{
    connect(run, &CBackfillRun::filled, this, [this](const CAlexaRankData &record) {
        if (!m_active)
            return;
        m_taken.append(record);
        say(Kind::Domain, CRunReport::fetched(record));
        pageDone(CRecordDate::parse(record.date()));
    });
    connect(run, &CBackfillRun::noList, this, [this](const QString &domain, const QDate &day) {
        if (!m_active)
            return;
        ++m_withoutList;
        say(Kind::Domain, tr("%1 %2: no list for that day").arg(domain, day.toString(Qt::ISODate)));
        pageDone(day);
    });
    connect(run, &CBackfillRun::failed, this, [this](const QString &domain, const QDate &day, const CFetchFailure &failure) {
        if (!m_active)
            return;
        ++m_backfillFailed;
        say(Kind::Domain, domain + u' ' + day.toString(Qt::ISODate) + QStringLiteral(": ") + failure.text());
        pageDone(day);
    });
    connect(run, &CBackfillRun::undated, this, [this] {
        if (m_active)
            finishBackfill(true);
    });
    connect(run, &CBackfillRun::finished, this, [this] {
        if (m_active)
            finishBackfill(false);
    });
}

void CRunSession::pageDone(const QDate &day)
{
    m_progress.pageDone(day);
    Q_EMIT backfillProgressed();
}

void CRunSession::finishBackfill(bool undatedService)
{
    m_active = false;
    if (undatedService) {
        m_result.code = CRunReport::CannotStart;
        m_result.saved = true;
        Q_EMIT undated();
        say(Kind::Note, tr("the ranking service at %1:%2 does not say which day its figures are as of, so it cannot fill "
                           "past days; nothing was stored")
                            .arg(m_run.service().host())
                            .arg(m_run.service().port()));
        Q_EMIT finished(m_result);
        return;
    }
    m_result.stopped = !m_stopReason.isEmpty();
    const int filled = int(m_taken.size());
    // Past days go among the days around them, not after today's records.
    m_result.added = CHistoryMerge::merge(m_session.history(), m_taken).added;
    if (m_result.added > 0)
        Q_EMIT pastDaysMerged();
    saveThen(m_result.added > 0, [this, filled] { tellBackfillEnd(filled); });
}

void CRunSession::tellBackfillEnd(int filled)
{
    say(Kind::Summary, CRunReport::backfillSummary(filled, m_withoutList, m_backfillFailed, m_result.saved));
    if (!m_result.saved)
        say(Kind::SaveFailed, m_result.saveProblem);
    if (m_result.stopped)
        say(Kind::Stopped, stopLine(m_stopReason, m_pending, m_total));
    m_result.code = m_backfillFailed > 0 || !m_result.saved || m_result.stopped ? CRunReport::SomeFailed
                                                                                : CRunReport::AllStored;
    Q_EMIT finished(m_result);
}
