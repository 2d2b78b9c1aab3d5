#include "headless/CHeadlessQuery.h"

#include "CDataSession.h"
#include "CQueryRun.h"
#include "base/CQuitSignals.h"
#include "protocol/CServiceAddress.h"
#include "relay/CQueryRelayClient.h"
#include "run/CRunSession.h"
#include "watch/CDomainGroups.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
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
    CQueryRelayClient client(folder, m_options.runtimeDirectory, m_options.relayLimits);
    // A signal ends the command as it ends a run of its own; the window's run goes on.
    QObject::connect(m_quitSignals.get(), &CQuitSignals::received, &client,
                     [&client](int signal) { client.interrupt(QStringLiteral("interrupted by %1").arg(signalName(signal))); });
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
    if (const CResult<> savable = session.stillSavable(); !savable)
        return refuse(savable.message().section(u'\n', 0, 0));
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
    const CResult<CServiceAddress> parsed = CServiceAddress::parse(m_options.service);
    if (!parsed)
        return refuse(QStringLiteral("SORVANE_SERVICE=\"%1\" is not host or host:port").arg(m_options.service));
    const CServiceAddress &service = parsed.value();

    CDataSession session(m_options.dataDirectory, m_options.availableMemory);
    if (const std::optional<ExitCode> ended = openSession(session))
        return *ended;
    QStringList domains = session.domainNames();
    if (domains.isEmpty())
        return refuse(QStringLiteral("no domains to query in %1").arg(session.filePath(CDataSession::domainListFileName())));
    if (!m_options.groups.isEmpty()) {
        const CResult<QStringList> chosen = domainsOfGroups(session, domains);
        if (!chosen)
            return refuse(chosen.message());
        domains = chosen.value();
    }
    CQueryRun pool(session.dates());
    pool.setService(service);
    pool.setClock(m_options.clock);
    CRunSession run(session, pool);
    run.setOutlets(m_options.alerts);
    return runToItsEnd(run, domains);
}

CHeadlessQuery::ExitCode CHeadlessQuery::runToItsEnd(CRunSession &run, const QStringList &domains)
{
    QEventLoop loop;
    QObject::connect(&run, &CRunSession::said, &loop, [this](const CRunSession::Line &line) {
        if (line.isNote())
            m_err << "sorvane: " << oneLine(line.text) << Qt::endl;
        else
            m_out << line.text << Qt::endl;
    });
    bool finished = false;
    QObject::connect(&run, &CRunSession::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    // The deadline follows the fetches the run has to make.
    QObject::connect(&run, &CRunSession::started, &loop, [&](int fetches) { stopOnSignalOrDeadline(run, fetches); });
    const CResult<> started = m_options.backfillDays > 0 ? run.startBackfill(domains, m_options.backfillDays, m_options.rankMode)
                                                         : run.start(domains, m_options.rankMode);
    if (!started)
        return refuse(started.message());
    if (!finished)
        loop.exec();
    return ExitCode(run.result().code);
}

CResult<QStringList> CHeadlessQuery::domainsOfGroups(CDataSession &session, const QStringList &domains)
{
    QStringList notes;
    const QString path = session.filePath(CDataSession::groupsFileName());
    const CResult<CDomainGroups> groups = CDomainGroups::read(session, notes);
    for (const QString &note : std::as_const(notes))
        m_err << "sorvane: " << note << Qt::endl;
    if (!groups)
        return CResult<QStringList>::failure(groups.message());
    const QStringList members = groups.value().domainsOf(m_options.groups);
    QStringList chosen;
    for (const QString &domain : domains) {
        if (members.contains(domain))
            chosen.append(domain);
    }
    if (chosen.isEmpty())
        return CResult<QStringList>::failure(QStringLiteral("no domain of %1 is in both %2 and the domain list")
                                                 .arg(m_options.groups.join(QStringLiteral(", ")), path));
    return CResult<QStringList>::success(chosen);
}

void CHeadlessQuery::stopOnSignalOrDeadline(CRunSession &run, qint64 fetches)
{
    if (m_deadline)
        return;
    const qint64 deadlineMs = m_options.deadlineMs > 0 ? m_options.deadlineMs : deadlineFor(fetches);
    m_deadline = std::make_unique<QTimer>();
    m_deadline->setSingleShot(true);
    QObject::connect(m_deadline.get(), &QTimer::timeout, &run, [&run, deadlineMs] {
        run.stop(QStringLiteral("the run's time of %1 s ran out").arg((deadlineMs + 999) / 1000));
    });
    m_deadline->start(std::chrono::milliseconds(deadlineMs));
    QObject::connect(m_quitSignals.get(), &CQuitSignals::received, &run,
                     [&run](int signal) { run.stop(QStringLiteral("interrupted by %1").arg(signalName(signal))); });
}
