#include "headless/CHeadlessQuery.h"

#include "CAlexaRankData.h"
#include "CDataSession.h"
#include "CDomainDateList.h"
#include "CHistoryMerge.h"
#include "CQueryRun.h"
#include "CRecordDate.h"
#include "CRunReport.h"
#include "config/CQuitSignals.h"
#include "headless/CBackfillRun.h"
#include "watch/CDomainGroups.h"
#include "protocol/CServiceAddress.h"
#include "relay/CQueryRelayClient.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>
#include <QTimer>

#include <csignal>

namespace {

// A message for the window, as one line of a terminal.
QString oneLine(const QString &text)
{
    return QString(text).replace(u'\n', u' ').simplified();
}

QString signalName(int signal)
{
    switch (signal) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

// The days each domain already has, compared as days whatever their order.
QSet<QString> heldDays(const QList<CAlexaRankData> &history)
{
    QSet<QString> held;
    for (const CAlexaRankData &record : history) {
        const QDate day = CRecordDate::parse(record.date());
        if (day.isValid())
            held.insert(record.domain() + u' ' + day.toString(Qt::ISODate));
    }
    return held;
}

// Every day of the last days (today not counted) that a domain has no record of.
QList<CBackfillRun::Job> missingDays(const QStringList &domains, const QSet<QString> &held, const QDate &today, int days)
{
    QList<CBackfillRun::Job> jobs;
    for (const QString &domain : domains) {
        for (int back = days; back >= 1; --back) {
            const QDate day = today.addDays(-back);
            if (!held.contains(domain + u' ' + day.toString(Qt::ISODate)))
                jobs.append({domain, day});
        }
    }
    return jobs;
}

} // namespace

qint64 CHeadlessQuery::deadlineFor(qint64 fetches)
{
    return qMax<qint64>(MinimumSeconds, fetches * SecondsPerFetch) * 1000;
}

CHeadlessQuery::CHeadlessQuery(Options options, QTextStream &out, QTextStream &err)
    : m_options(std::move(options))
    , m_out(out)
    , m_err(err)
{
}

CHeadlessQuery::~CHeadlessQuery() = default;

CHeadlessQuery::ExitCode CHeadlessQuery::refuse(const QString &message)
{
    m_err << "sorvane: " << oneLine(message) << Qt::endl;
    return CannotStart;
}

CHeadlessQuery::ExitCode CHeadlessQuery::runInWindow(const CDataSession &session)
{
    const QString folder = QDir::toNativeSeparators(session.dataDirectory());
    // The window's run is the one that stores; a backfill has no run there.
    if (m_options.backfillDays > 0)
        return refuse(QStringLiteral("another process holds the data folder %1 (the window, if it is open); "
                                     "a backfill does not run in the window: close it and run the backfill again")
                          .arg(folder));
    // The window runs its whole list: a run of some groups would be another run.
    if (!m_options.groups.isEmpty())
        return refuse(QStringLiteral("another process holds the data folder %1 (the window, if it is open); "
                                     "a run of some groups does not run in the window: close it and run again")
                          .arg(folder));
    CQueryRelayClient client(folder, m_options.relayLimits);
    return ExitCode(client.relay(m_options.rankMode, m_out, m_err));
}

std::optional<CHeadlessQuery::ExitCode> CHeadlessQuery::openSession(CDataSession &session)
{
    const QString folder = QDir::toNativeSeparators(session.dataDirectory());
    if (session.establish() > 0 || !QFileInfo(session.dataDirectory()).isDir())
        return refuse(QStringLiteral("cannot create the data folder %1").arg(folder));
    if (!QFileInfo(session.dataDirectory()).isWritable())
        return refuse(QStringLiteral("cannot write to the data folder %1").arg(folder));
    switch (session.lock(CDataSession::LockMode::QueryRun)) {
    case CDataSession::LockState::Held:
        break;
    case CDataSession::LockState::QueryBusy:
        return refuse(QStringLiteral("another query run is using the data folder %1").arg(folder));
    case CDataSession::LockState::HeldByOther:
        return runInWindow(session);
    case CDataSession::LockState::Unlocked:
    case CDataSession::LockState::ReadOnly:
        return refuse(QStringLiteral("cannot lock the data folder %1: %2").arg(folder, session.lockReason()));
    }
    session.load();
    // Whatever the window would not save over, this run does not fetch for.
    if (const QString refusal = session.refusal(); !refusal.isEmpty())
        return refuse(refusal.section(u'\n', 0, 0));
    printNotes(session);
    return std::nullopt;
}

void CHeadlessQuery::printNotes(CDataSession &session)
{
    for (const CDataSession::Note &note : session.takeNotes())
        m_err << "sorvane: " << oneLine(note.text) << Qt::endl;
}

CHeadlessQuery::ExitCode CHeadlessQuery::run()
{
    // From the start, so that a signal during loading ends the run at its
    // first chance instead of killing it.
    m_quitSignals = std::make_unique<CQuitSignals>();
    QString problem;
    const CServiceAddress service = CServiceAddress::parse(m_options.service, &problem);
    if (!problem.isEmpty())
        return refuse(QStringLiteral("SORVANE_SERVICE=\"%1\" is not host or host:port").arg(m_options.service));

    CDataSession session(m_options.dataDirectory, m_options.availableMemory);
    if (const std::optional<ExitCode> ended = openSession(session))
        return *ended;
    QStringList domains = session.domainNames();
    if (domains.isEmpty())
        return refuse(QStringLiteral("no domains to query in %1").arg(session.filePath(CDataSession::domainListFileName())));
    if (!m_options.groups.isEmpty()) {
        QString problem;
        domains = domainsOfGroups(domains, &problem);
        if (domains.isEmpty())
            return refuse(problem);
    }

    bool changed = false;
    ExitCode code = m_options.backfillDays > 0 ? backfill(service, domains, session.history(), &changed)
                                               : query(service, domains, session.history(), session.dates(), &changed);
    if (changed) {
        const CResult<> saved = session.saveHistory();
        if (!saved) {
            m_err << "sorvane: " << oneLine(saved.message()) << Qt::endl;
            code = SomeFailed;
        } else if (m_options.backfillDays == 0) {
            fireAlerts(session.history());
        }
    }
    if (stopped())
        m_out << m_stopReason << Qt::endl;
    return code;
}

QStringList CHeadlessQuery::domainsOfGroups(const QStringList &domains, QString *problem)
{
    QStringList notes;
    const QString path = CDomainGroups::path(m_options.dataDirectory);
    const CResult<CDomainGroups> groups = CDomainGroups::read(path, notes);
    for (const QString &note : std::as_const(notes))
        m_err << "sorvane: " << note << Qt::endl;
    if (!groups) {
        *problem = groups.message();
        return {};
    }
    const QStringList members = groups.value().domainsOf(m_options.groups);
    QStringList chosen;
    for (const QString &domain : domains) {
        if (members.contains(domain))
            chosen.append(domain);
    }
    *problem = QStringLiteral("no domain of %1 is in both %2 and the domain list")
                   .arg(m_options.groups.join(QStringLiteral(", ")), path);
    return chosen;
}

void CHeadlessQuery::fireAlerts(const QList<CAlexaRankData> &history)
{
    const CAlertRun::Outcome outcome = CAlertRun::fire(m_options.dataDirectory, history, m_taken, m_options.alerts,
                                                       QDateTime::currentDateTime());
    for (const QString &alert : outcome.alerts)
        m_out << alert << Qt::endl;
    for (const QString &note : outcome.notes)
        m_err << "sorvane: " << oneLine(note) << Qt::endl;
}

void CHeadlessQuery::stopOnSignalOrDeadline(QEventLoop &loop, qint64 fetches)
{
    m_deadlineMs = m_options.deadlineMs > 0 ? m_options.deadlineMs : deadlineFor(fetches);
    auto *deadline = new QTimer(&loop);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, &loop, [this, &loop] {
        m_stopReason = QStringLiteral("the run's time of %1 s ran out").arg((m_deadlineMs + 999) / 1000);
        loop.quit();
    });
    deadline->start(std::chrono::milliseconds(m_deadlineMs));
    QObject::connect(m_quitSignals.get(), &CQuitSignals::received, &loop, [this, &loop](int signal) {
        m_stopReason = QStringLiteral("interrupted by %1").arg(signalName(signal));
        loop.quit();
    });
}

void CHeadlessQuery::reportStop(int left, int total, const QStringList &leftNames)
{
    constexpr int named = 10;
    QString line = QStringLiteral("%1 with %2 of %3 domains left").arg(m_stopReason).arg(left).arg(total);
    if (!leftNames.isEmpty()) {
        line += QStringLiteral(": ") + leftNames.mid(0, named).join(QStringLiteral(", "));
        if (leftNames.size() > named)
            line += QStringLiteral(" and %1 more").arg(leftNames.size() - named);
    }
    m_stopReason = line;
}

CHeadlessQuery::ExitCode CHeadlessQuery::query(const CServiceAddress &service, const QStringList &domains,
                                               QList<CAlexaRankData> &history, CDomainDateList &dates, bool *changed)
{
    CQueryRun run(dates);
    run.setService(service);
    run.setClock(m_options.clock);
    run.setRankMode(m_options.rankMode);
    QEventLoop loop;
    QStringList left = domains;
    QObject::connect(&run, &CQueryRun::recordAccepted, &loop, [&](const CAlexaRankData &record) {
        history.append(record);
        m_taken.append(record);
        left.removeOne(record.domain());
        m_out << CRunReport::stored(record) << Qt::endl;
    });
    QObject::connect(&run, &CQueryRun::recordRefused, &loop, [&](const CAlexaRankData &record, const QString &) {
        left.removeOne(record.domain());
        m_out << CRunReport::refused(record) << Qt::endl;
    });
    QObject::connect(&run, &CQueryRun::fetchFailed, &loop, [&](const QString &domain, const CFetchFailure &failure) {
        left.removeOne(domain);
        m_out << CRunReport::failed(domain, failure) << Qt::endl;
    });
    bool finished = false;
    QObject::connect(&run, &CQueryRun::finished, &loop, [&](const CQueryRun::Counts &) {
        finished = true;
        loop.quit();
    });
    stopOnSignalOrDeadline(loop, domains.size());
    run.start(domains);
    if (!finished)
        loop.exec();

    const CQueryRun::Counts counts = run.counts();
    m_out << CQueryRun::summary(counts) << Qt::endl;
    *changed = counts.stored > 0;
    if (!finished) {
        reportStop(int(left.size()), int(domains.size()), left);
        return SomeFailed;
    }
    if (counts.noneReached())
        m_err << "sorvane: " << CRunReport::unreachable(service) << Qt::endl;
    return ExitCode(CRunReport::exitCode(counts, true));
}

CHeadlessQuery::ExitCode CHeadlessQuery::backfill(const CServiceAddress &service, const QStringList &domains,
                                                  QList<CAlexaRankData> &history, bool *changed)
{
    const QList<CBackfillRun::Job> jobs =
        missingDays(domains, heldDays(history), m_options.clock.today(), m_options.backfillDays);
    CBackfillRun run(service, m_options.rankMode);
    QEventLoop loop;
    QList<CAlexaRankData> filled;
    int missing = 0;
    int failed = 0;
    bool undated = false;
    bool finished = false;
    QObject::connect(&run, &CBackfillRun::filled, &loop, [&](const CAlexaRankData &record) {
        filled.append(record);
        m_out << CRunReport::filled(record) << Qt::endl;
    });
    QObject::connect(&run, &CBackfillRun::noList, &loop, [&](const QString &domain, const QDate &day) {
        ++missing;
        m_out << domain << ' ' << day.toString(Qt::ISODate) << ": no list for that day" << Qt::endl;
    });
    QObject::connect(&run, &CBackfillRun::failed, &loop, [&](const QString &domain, const QDate &day, const CFetchFailure &failure) {
        ++failed;
        m_out << domain << ' ' << day.toString(Qt::ISODate) << ": " << failure.text() << Qt::endl;
    });
    QObject::connect(&run, &CBackfillRun::undated, &loop, [&] {
        undated = true;
        loop.quit();
    });
    QObject::connect(&run, &CBackfillRun::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    stopOnSignalOrDeadline(loop, jobs.size());
    run.start(jobs);
    if (!finished && !undated)
        loop.exec();

    if (undated) {
        m_err << "sorvane: the ranking service at " << service.host() << ':' << service.port()
              << " does not say which day its figures are as of, so it cannot fill past days; nothing was stored"
              << Qt::endl;
        m_stopReason.clear();
        return CannotStart;
    }
    m_out << QStringLiteral("%1 filled, %2 without a list, %3 failed").arg(filled.size()).arg(missing).arg(failed)
          << Qt::endl;
    // Past days go among the days around them, not after today's records.
    *changed = CHistoryMerge::merge(history, filled).added > 0;
    if (!finished) {
        QSet<QString> unfinished;
        for (const CBackfillRun::Job &job : run.left())
            unfinished.insert(job.domain);
        QStringList left;
        for (const QString &domain : domains) {
            if (unfinished.contains(domain))
                left.append(domain);
        }
        reportStop(int(left.size()), int(domains.size()), left);
        return SomeFailed;
    }
    return failed > 0 ? SomeFailed : AllStored;
}
