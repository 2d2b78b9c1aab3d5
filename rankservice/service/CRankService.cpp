#include "rankservice/service/CRankService.h"

#include "rankservice/service/CListRefresher.h"

#include <QDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <future>
#include <system_error>

CRankService::CRankService(const CRankdOptions &options, QTextStream &out, QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_out(out)
    , m_err(err)
    , m_notifier(options.notifySocket)
    , m_cachePath(QDir(options.listFolder()).filePath(CSnapshotStore::CacheFileName))
    , m_router(m_store)
    , m_server(m_router)
    , m_loading(std::make_unique<Loading>())
{
    m_router.setMaxAgeDays(options.maxAgeDays);
    m_router.setKeptEvery(options.settings.every);
    m_router.setLoading(QStringLiteral("lists not yet counted"));
}

CRankService::~CRankService()
{
    m_refresher.reset();
    if (m_loader)
        m_loader->wait();
    if (m_cacheWriter)
        m_cacheWriter->wait();
}

CResult<void> CRankService::start()
{
    // Listen at once and load the lists on a thread of their own: a client
    // learns that the service is loading instead of finding nothing there.
    if (!m_server.listen(m_options.address, m_options.port))
        return CResult<void>::failure(QStringLiteral("cannot listen on %1:%2: %3")
                                          .arg(m_options.address.toString())
                                          .arg(m_options.port)
                                          .arg(m_server.errorString()));
    m_server.acceptOnlyWithData();
    m_out << "listening on " << m_server.serverAddress().toString() << ':' << m_server.serverPort() << Qt::endl;
    std::fflush(stdout);
    m_loader.reset(QThread::create([this] { load(); }));
    connect(m_loader.get(), &QThread::finished, this, &CRankService::loaded);
    m_loader->start();
    return CResult<void>::success();
}

void CRankService::load()
{
    // A restart over lists seen before reads the cache kept beside them;
    // otherwise the lists are read, and the cache written once the service
    // is ready.
    Loading &loading = *m_loading;
    // The months are read beside the daily lists, neither needing the
    // other; the future waits for them when this returns.
    const auto readMonths = [this, &loading] {
        if (m_options.usSource)
            loading.usReport = loadMonths(*m_options.usSource, loading.usMonths);
        if (m_options.source && m_options.source->monthly())
            loading.globalReport = loadMonths(*m_options.source, loading.globalMonths);
    };
    std::future<void> months;
    try {
        months = std::async(std::launch::async, readMonths);
    } catch (const std::system_error &) {
        readMonths(); // no thread to be had
    }
    CSnapshotStore::LoadOptions options;
    options.maxRows = m_options.settings.maxRows;
    options.heldDays = m_options.settings.days;
    loading.fingerprint = CStoreCache::fingerprint(m_options.listFolder(), options);
    loading.cache = CStoreCache::read(m_cachePath, loading.fingerprint, loading.store, loading.report);
    if (loading.cache.outcome == CStoreCache::Outcome::Used) {
        loading.store.setMaxRows(options.maxRows);
        return;
    }
    options.progress = [this](int done, int total) {
        QMetaObject::invokeMethod(this, [this, done, total] { showProgress(done, total); }, Qt::QueuedConnection);
    };
    loading.report = loading.store.load(m_options.listFolder(), options);
}

CCruxMonths::Report CRankService::loadMonths(const CListSource &source, CCruxMonths &months) const
{
    return months.load(source.folder(m_options.data), CListSource::today(),
                       CSnapshotStore::heldDaysFor(m_options.settings.days));
}

void CRankService::showProgress(int done, int total)
{
    const QString progress = QStringLiteral("%1 of %2 lists read").arg(done).arg(total);
    m_router.setLoading(progress);
    m_notifier.notify("STATUS=loading: " + progress.toUtf8());
    // A line at every tenth, so that a long load shows it moves.
    if (const int tenth = done * 10 / qMax(total, 1); tenth != m_shownTenth) {
        m_shownTenth = tenth;
        m_out << "loading: " << progress << Qt::endl;
    }
}

void CRankService::loaded()
{
    m_store.swap(m_loading->store);
    std::swap(m_usMonths, m_loading->usMonths);
    std::swap(m_globalMonths, m_loading->globalMonths);
    const bool fromCache = m_loading->cache.outcome == CStoreCache::Outcome::Used;
    reportLoad(fromCache);
    announceReady();
    if (fromCache || m_loading->report.days == 0 || m_loading->report.rows < m_options.cacheMinRows)
        startRefresher();
    else
        writeCache();
}

void CRankService::reportLoad(bool fromCache)
{
    const CSnapshotStore::Report &report = m_loading->report;
    if (m_loading->cache.outcome == CStoreCache::Outcome::Damaged)
        m_err << "sorvane-rankd: ignoring the cache " << m_cachePath << ": " << m_loading->cache.why << Qt::endl;
    else if (m_loading->cache.outcome == CStoreCache::Outcome::Stale)
        m_out << "cache: not used, " << m_loading->cache.why << Qt::endl;
    for (const QString &problem : report.problems)
        m_err << problem << '\n';
    m_err.flush();
    m_out << report.summary() << (fromCache ? QStringLiteral(" (from the cache)") : QString()) << Qt::endl;
    const auto reportMonths = [this](const std::optional<CListSource> &source, const CCruxMonths::Report &months) {
        if (!source || !source->monthly())
            return;
        for (const QString &problem : months.problems)
            m_err << source->name() << ": " << problem << '\n';
        m_err.flush();
        m_out << months.summary(source->name()) << Qt::endl;
    };
    reportMonths(m_options.usSource, m_loading->usReport);
    reportMonths(m_options.source, m_loading->globalReport);
    if (report.days == 0 && !(m_options.source && m_options.source->monthly()))
        m_err << "sorvane-rankd: no daily list in " << m_options.listFolder() << "; every page will read NA"
              << Qt::endl;
}

void CRankService::announceReady()
{
    if (m_options.source) {
        const CListSource &source = *m_options.source;
        m_router.setSource({source.name(), source.title(), source.licence(), {}});
        if (source.monthly())
            m_router.setGlobalMonths(&m_globalMonths);
        m_out << sourceLine({}) << Qt::endl;
    }
    if (m_options.usSource) {
        const CListSource &us = *m_options.usSource;
        m_router.setUsMonths(&m_usMonths, {us.name(), us.title(), us.licence(), {}});
    }
    if (const QString stale = m_router.staleReason(QDate::currentDate()); !stale.isEmpty())
        m_err << "sorvane-rankd: pages are refused while " << stale << " (--max-age " << m_options.maxAgeDays << ')'
              << Qt::endl;
    m_router.setLoaded();
    m_out << "ready: " << m_store.daysHeld() << " days held" << Qt::endl;
    m_notifier.notify(QByteArrayLiteral("READY=1\nSTATUS=ready: ") + QByteArray::number(m_store.daysHeld())
                      + " days held");
}

void CRankService::cacheWritten(const QString &problem)
{
    if (problem.isEmpty())
        m_out << "cache: written to " << m_cachePath << Qt::endl;
    else
        m_out << "cache: not written to " << m_cachePath << ": " << problem << Qt::endl;
}

void CRankService::writeCache()
{
    // Requests only read the store, so the cache is written from it while they are served.
    m_cacheWriter.reset(QThread::create([this] {
        const CResult<void> written =
            CStoreCache::write(m_cachePath, m_store, m_loading->report, m_loading->fingerprint);
        m_cacheError = written.message();
    }));
    connect(m_cacheWriter.get(), &QThread::finished, this, [this] {
        cacheWritten(m_cacheError);
        startRefresher();
    });
    m_cacheWriter->start();
}

void CRankService::startRefresher()
{
    // The refresh changes the store, so it starts once the cache is written
    // from it. Lists that appear in the folder are taken in from then on,
    // with a source or without.
    CListUpdater::Settings settings = m_options.settings;
    settings.runDeadline = m_options.refreshDeadline;
    m_refresher = std::make_unique<CListRefresher>(m_options.source, m_options.data, m_options.listFolder(), settings,
                                                   m_store, m_router);
    if (m_options.source && m_options.source->monthly())
        m_refresher->setGlobalMonths(&m_globalMonths);
    if (m_options.usSource)
        m_refresher->setUsMonths(*m_options.usSource, &m_usMonths);
    connect(m_refresher.get(), &CListRefresher::progressed, this, [this](const QString &line) { m_out << line << Qt::endl; });
    connect(m_refresher.get(), &CListRefresher::refreshed, this, &CRankService::refreshed);
    connect(m_refresher.get(), &CListRefresher::tookIn, this, &CRankService::tookIn);
    m_refresher->keepCache(m_cachePath, m_loading->report, m_options.cacheMinRows);
    connect(m_refresher.get(), &CListRefresher::cacheWritten, this, &CRankService::cacheWritten);
    m_refresher->watchFolder(m_loading->report.wanting);
    if (!m_options.source && !m_options.usSource) {
        // Whatever came while the lists were read.
        QTimer::singleShot(0, m_refresher.get(), &CListRefresher::takeIn);
        return;
    }
    m_refresher->refreshDailyAt(m_options.refreshAt);
    // Serve what is held at once; fetch the missing newest list meanwhile.
    // Likewise a United States month missing while the month before is surely out.
    const QDate today = CListSource::today();
    const bool usMissing = m_options.usSource && m_usMonths.newestMonth().addMonths(2) <= today;
    if ((m_options.source && m_store.newestDay() < today) || usMissing)
        QTimer::singleShot(0, m_refresher.get(), &CListRefresher::refresh);
    else
        QTimer::singleShot(0, m_refresher.get(), &CListRefresher::takeIn);
}

void CRankService::refreshed(const QString &outcome)
{
    m_out << outcome << Qt::endl;
    if (m_options.source)
        m_out << sourceLine(outcome) << Qt::endl;
}

void CRankService::tookIn(const QString &outcome)
{
    m_out << outcome << Qt::endl;
    if (m_options.source)
        m_out << sourceLine(outcome) << Qt::endl;
}

QString CRankService::sourceLine(const QString &lastUpdate) const
{
    QString line = QStringLiteral("%1: newest list %2, %3 days held, %4 rows, last update: %5")
        .arg(m_options.source->name(),
             m_store.newestDay().isValid() ? m_store.newestDay().toString(Qt::ISODate) : QStringLiteral("none"))
        .arg(m_store.daysHeld())
        .arg(m_store.rowsHeld())
        .arg(lastUpdate.isEmpty() ? QStringLiteral("none") : lastUpdate);
    const auto monthsLine = [](const CListSource &source, const CCruxMonths &months) {
        const QDate newest = months.newestMonth();
        return QStringLiteral("\n%1: newest month %2, %3 months held, %4 origins in it")
            .arg(source.name(), newest.isValid() ? newest.toString(QStringLiteral("yyyy-MM")) : QStringLiteral("none"))
            .arg(months.monthsHeld())
            .arg(months.originsOf(newest));
    };
    if (m_options.source->monthly())
        line += monthsLine(*m_options.source, m_globalMonths);
    if (m_options.usSource)
        line += monthsLine(*m_options.usSource, m_usMonths);
    return line;
}
