#include "headless/CHeadlessQuery.h"

#include "CAlexaRankData.h"
#include "CAlexaSocket.h"
#include "CDataLock.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CDomainName.h"
#include "CQueryRun.h"
#include "CRequestTarget.h"
#include "CRunReport.h"
#include "CSiteInfoAddress.h"
#include "config/CServiceAddress.h"
#include "pageformat/CSiteInfoFormat.h"
#include "watch/CDomainGroups.h"
#include "relay/CQueryRelayClient.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

#include <memory>
#include <optional>

namespace {

// The run's locks: the query lock first, so that a second run finding the
// data lock held can tell the window from another run.
struct Locks
{
    std::unique_ptr<CDataLock> query;
    std::unique_ptr<CDataLock> data;
    bool heldByOther = false; // the data lock: the window's, or another program's
};

QString takeLocks(const QString &dataDirectory, Locks &locks)
{
    locks.query = std::make_unique<CDataLock>(dataDirectory, QStringLiteral("query.lock"));
    const CDataLock::Result query = locks.query->acquire();
    switch (query.state) {
    case CDataLock::State::Held:
        break;
    case CDataLock::State::Busy:
        return QStringLiteral("another query run is using the data folder %1").arg(dataDirectory);
    case CDataLock::State::Unlocked:
    case CDataLock::State::Unusable:
        return QStringLiteral("cannot lock the data folder %1").arg(dataDirectory);
    }
    locks.data = std::make_unique<CDataLock>(dataDirectory);
    switch (locks.data->acquire().state) {
    case CDataLock::State::Held:
        return QString();
    case CDataLock::State::Busy:
        locks.heldByOther = true;
        return QStringLiteral("another process holds the data folder %1").arg(dataDirectory);
    case CDataLock::State::Unlocked:
    case CDataLock::State::Unusable:
        break;
    }
    return QStringLiteral("cannot lock the data folder %1").arg(dataDirectory);
}

} // namespace

CHeadlessQuery::CHeadlessQuery(Options options, QTextStream &out, QTextStream &err)
    : m_options(std::move(options))
    , m_out(out)
    , m_err(err)
{
}

CHeadlessQuery::ExitCode CHeadlessQuery::refuse(const QString &message)
{
    m_err << "sorvane: " << message << Qt::endl;
    return CannotStart;
}

CHeadlessQuery::ExitCode CHeadlessQuery::run()
{
    QString problem;
    const CServiceAddress service = CServiceAddress::parse(m_options.service, &problem);
    if (!problem.isEmpty())
        return refuse(QStringLiteral("SORVANE_SERVICE=\"%1\" is not host or host:port").arg(m_options.service));

    const QString folder = m_options.dataDirectory;
    if (CDataStore::establishDataDirectory(folder) > 0 || !QFileInfo(folder).isDir())
        return refuse(QStringLiteral("cannot create the data folder %1").arg(folder));
    if (!QFileInfo(folder).isWritable())
        return refuse(QStringLiteral("cannot write to the data folder %1").arg(folder));

    Locks locks;
    if (const QString held = takeLocks(folder, locks); !held.isEmpty())
        return locks.heldByOther ? runInWindow(folder) : refuse(held);

    QStringList domains;
    for (const QString &entry : CDataStore::loadDomainList(CDataStore::domainListPath(folder))) {
        const QString name = CDomainName::nameOf(entry);
        if (!name.isEmpty())
            domains.append(name);
    }
    if (domains.isEmpty())
        return refuse(QStringLiteral("no domains to query in %1").arg(CDataStore::domainListPath(folder)));
    if (!m_options.groups.isEmpty()) {
        QString problem;
        domains = domainsOfGroups(domains, &problem);
        if (domains.isEmpty())
            return refuse(problem);
    }

    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::loadHistory(CDataStore::historyPath(folder), history, dates);

    bool changed = false;
    ExitCode code = m_options.backfillDays > 0 ? backfill(service, domains, history, &changed)
                                               : query(service, domains, history, dates, &changed);
    if (changed) {
        const CResult<> saved = CDataStore::saveHistory(CDataStore::historyPath(folder), history);
        if (!saved) {
            m_err << "sorvane: " << saved.message() << Qt::endl;
            code = SomeFailed;
        } else {
            fireAlerts(history);
        }
    }
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
    *problem = QStringLiteral("no domain of %1 is in both %2 and %3")
                   .arg(m_options.groups.join(QStringLiteral(", ")), path, CDataStore::domainListPath(m_options.dataDirectory));
    return chosen;
}

void CHeadlessQuery::fireAlerts(const QList<CAlexaRankData> &history)
{
    const CAlertRun::Outcome outcome = CAlertRun::fire(m_options.dataDirectory, history, m_taken, m_options.alerts,
                                                       QDateTime::currentDateTime());
    for (const QString &alert : outcome.alerts)
        m_out << alert << Qt::endl;
    for (const QString &note : outcome.notes)
        m_err << "sorvane: " << note << Qt::endl;
}

CHeadlessQuery::ExitCode CHeadlessQuery::runInWindow(const QString &folder)
{
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

CHeadlessQuery::ExitCode CHeadlessQuery::query(const CServiceAddress &service, const QStringList &domains,
                                               QList<CAlexaRankData> &history, CDomainDateList &dates, bool *changed)
{
    CQueryRun run(dates);
    run.setService(service.host(), service.port());
    run.setClock(m_options.clock);
    run.setRankMode(m_options.rankMode);
    QEventLoop loop;
    QObject::connect(&run, &CQueryRun::recordAccepted, &loop, [&](const CAlexaRankData &record) {
        history.append(record);
        m_taken.append(record);
        m_out << CRunReport::stored(record) << Qt::endl;
    });
    QObject::connect(&run, &CQueryRun::recordRefused, &loop, [&](const CAlexaRankData &record, const QString &) {
        m_out << CRunReport::refused(record) << Qt::endl;
    });
    QObject::connect(&run, &CQueryRun::fetchFailed, &loop, [&](const QString &domain, const QString &reason) {
        m_out << CRunReport::failed(domain, reason) << Qt::endl;
    });
    CQueryRun::Counts counts;
    bool finished = false;
    QObject::connect(&run, &CQueryRun::finished, &loop, [&](const CQueryRun::Counts &end) {
        counts = end;
        finished = true;
        loop.quit();
    });
    run.start(domains);
    if (!finished)
        loop.exec();

    m_out << CQueryRun::summary(counts) << Qt::endl;
    *changed = counts.stored > 0;
    if (CRunReport::noneReached(counts))
        m_err << "sorvane: " << CRunReport::unreachable(service.host(), service.port()) << Qt::endl;
    return ExitCode(CRunReport::exitCode(counts, true));
}

CHeadlessQuery::ExitCode CHeadlessQuery::backfill(const CServiceAddress &service, const QStringList &domains,
                                                  QList<CAlexaRankData> &history, bool *changed)
{
    // The days each domain already has, compared as days whatever their order.
    QSet<QString> held;
    for (const CAlexaRankData &record : std::as_const(history)) {
        const QDate day = QDate::fromString(record.date(), QStringLiteral("dd/MM/yyyy"));
        if (day.isValid())
            held.insert(record.domain() + u' ' + day.toString(Qt::ISODate));
    }
    const QDate today = m_options.clock.today();

    CAlexaSocket socket(nullptr, 0);
    QObject::connect(&socket, &CAlexaSocket::dataRetrieved, &socket, &CAlexaSocket::processData);
    QObject::connect(&socket, &CAlexaSocket::dataRetrievalError, &socket, &CAlexaSocket::processError);
    QEventLoop loop;
    std::optional<CAlexaRankData> record;
    QString failure;
    QObject::connect(&socket, &CAlexaSocket::rankProfile, &loop, [&](const CAlexaRankData &taken, int) {
        record = taken;
        loop.quit();
    });
    QObject::connect(&socket, &CAlexaSocket::fetchFailed, &loop, [&](const QString &, const QString &reason, int) {
        failure = reason;
        loop.quit();
    });

    QList<CAlexaRankData> filled;
    int missing = 0;
    int failed = 0;
    for (const QString &domain : domains) {
        for (int back = m_options.backfillDays; back >= 1; --back) {
            const QDate day = today.addDays(-back);
            const QString iso = day.toString(Qt::ISODate);
            if (held.contains(domain + u' ' + iso))
                continue;
            Korv::QtLib::Web::CRequestTarget target;
            target.setUrl(CSiteInfoAddress::page(service.host(), domain) + QStringLiteral("?date=") + iso, 0,
                          CSiteInfoAddress::referer(service.host(), domain));
            socket.reset();
            socket.setRankMode(m_options.rankMode);
            socket.setPath(target.path());
            socket.setHost(target.host());
            socket.setReferer(target.referer());
            socket.setPort(service.port());
            socket.setDomain(domain);
            socket.setClock(CRankClock(day));
            record.reset();
            failure.clear();
            socket.connectToHost();
            if (!record && failure.isEmpty())
                loop.exec();
            if (!record && failure.contains(QStringLiteral(" answered 404 Not Found"))) {
                // A dated page is refused only when no list is held on that day
                // or close enough before it; a domain it does not rank is a page.
                m_out << domain << ' ' << iso << ": no list for that day" << Qt::endl;
                ++missing;
                continue;
            }
            if (!record) {
                m_out << domain << ' ' << iso << ": " << failure << Qt::endl;
                ++failed;
                continue;
            }
            const QString page = socket.response();
            const QLatin1StringView opening(CSiteInfoFormat::AsOfOpening.data(), CSiteInfoFormat::AsOfOpening.size());
            const qsizetype marker = page.indexOf(opening);
            const QDate asOf = marker < 0 ? QDate()
                                          : QDate::fromString(page.mid(marker + opening.size(), CSiteInfoFormat::AsOfFormat.size()),
                                                              CSiteInfoFormat::AsOfFormat);
            if (!asOf.isValid()) {
                // Today's figures filed under a past day would be wrong data.
                m_err << "sorvane: the ranking service at " << service.host() << ':' << service.port()
                      << " does not say which day its figures are as of, so it cannot fill past days; "
                         "nothing was stored"
                      << Qt::endl;
                return CannotStart;
            }
            if (asOf != day) {
                m_out << domain << ' ' << iso << ": no list for that day" << Qt::endl;
                ++missing;
                continue;
            }
            filled.append(*record);
            m_out << CRunReport::filled(*record) << Qt::endl;
        }
    }
    m_out << QStringLiteral("%1 filled, %2 without a list, %3 failed").arg(filled.size()).arg(missing).arg(failed)
          << Qt::endl;
    history.append(filled);
    *changed = !filled.isEmpty();
    return failed > 0 ? SomeFailed : AllStored;
}
