#include "headless/CHeadlessQuery.h"

#include "CAlexaRankData.h"
#include "CDataLock.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CDomainName.h"
#include "CQueryRun.h"
#include "config/CServiceAddress.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>

#include <memory>

namespace {

// The run's locks: the query lock first, so that a second run finding the
// data lock held can tell the window from another run.
struct Locks
{
    std::unique_ptr<CDataLock> query;
    std::unique_ptr<CDataLock> data;
};

QString takeLocks(const QString &dataDirectory, Locks &locks)
{
    locks.query = std::make_unique<CDataLock>(CDataLock::queryLockPath(dataDirectory));
    switch (locks.query->take()) {
    case CDataLock::State::Taken:
        break;
    case CDataLock::State::Held:
        return QStringLiteral("another query run is using the data folder %1").arg(dataDirectory);
    case CDataLock::State::Failed:
        return QStringLiteral("cannot lock the data folder %1").arg(dataDirectory);
    }
    locks.data = std::make_unique<CDataLock>(CDataLock::dataLockPath(dataDirectory));
    switch (locks.data->take()) {
    case CDataLock::State::Taken:
        return QString();
    case CDataLock::State::Held:
        return CHeadlessQuery::windowOpenMessage();
    case CDataLock::State::Failed:
        break;
    }
    return QStringLiteral("cannot lock the data folder %1").arg(dataDirectory);
}

QString figuresOf(const CAlexaRankData &record)
{
    return QStringList{record.globalRank(), record.usRank(), record.yesterday(), record.sevenDay(),
                       record.oneMonth(), record.threeMonth()}
        .join(u',');
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
        return refuse(held);

    QStringList domains;
    for (const QString &entry : CDataStore::loadDomainList(CDataStore::domainListPath(folder))) {
        const QString name = CDomainName::nameOf(entry);
        if (!name.isEmpty())
            domains.append(name);
    }
    if (domains.isEmpty())
        return refuse(QStringLiteral("no domains to query in %1").arg(CDataStore::domainListPath(folder)));

    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::loadHistory(CDataStore::historyPath(folder), history, dates);

    CQueryRun run(dates);
    run.setService(service.host(), service.port());
    run.setClock(m_options.clock);
    run.setRankMode(m_options.rankMode);
    QEventLoop loop;
    QObject::connect(&run, &CQueryRun::recordAccepted, &loop, [&](const CAlexaRankData &record) {
        history.append(record);
        m_out << record.domain() << ": stored " << figuresOf(record) << " for " << record.date() << Qt::endl;
    });
    QObject::connect(&run, &CQueryRun::recordRefused, &loop, [&](const CAlexaRankData &record, const QString &) {
        m_out << record.domain() << ": already assessed for " << record.date() << Qt::endl;
    });
    QObject::connect(&run, &CQueryRun::fetchFailed, &loop, [&](const QString &domain, const QString &reason) {
        m_out << domain << ": " << reason << Qt::endl;
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
    ExitCode code = counts.failed > 0 ? SomeFailed : AllStored;
    if (counts.stored > 0) {
        const CResult<> saved = CDataStore::saveHistory(CDataStore::historyPath(folder), history);
        if (!saved) {
            m_err << "sorvane: " << saved.message() << Qt::endl;
            code = SomeFailed;
        }
    }
    if (counts.failed > 0 && counts.failed == counts.done())
        m_err << "sorvane: " << CQueryRun::unreachable(service.host(), service.port()).replace(u'\n', u' ').simplified()
              << Qt::endl;
    return code;
}
