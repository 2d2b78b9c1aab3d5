#include "rankservice/service/CListRefresher.h"

#include "rankservice/crux/CCruxMonths.h"
#include "rankservice/fetch/CProgressPace.h"
#include "rankservice/server/CRankRouter.h"
#include "rankservice/store/CSnapshotStore.h"
#include "rankservice/store/CStoreCache.h"

#include <memory>

// What a refresh or a take-in found, filled in on the worker.
struct CListRefresher::Job
{
    CListUpdater::Summary summary;
    CSnapshotStore::Report report;
    std::optional<CSnapshotStore> grown;
    QSet<QString> wanting;
    bool unsettled = false; // a list was too fresh to read: a look follows
    CListUpdater::Summary usSummary;
    // Months are read again whole when one is added: a month is small
    // beside the daily lists, and comes once a month.
    std::optional<CCruxMonths> usGrown;
    std::optional<CCruxMonths> globalGrown;
    // The folder as it was before the fold: a list that came meanwhile
    // makes the cache written from the fold stale, never wrong.
    QByteArray fingerprint;
};

void CListRefresher::setUsMonths(const CListSource &us, CCruxMonths *months)
{
    m_usSource = us;
    m_usMonths = months;
}

CListRefresher::CListRefresher(const std::optional<CListSource> &source, const QString &dataFolder,
                               const QString &listFolder, const CListUpdater::Settings &settings, CSnapshotStore &store,
                               CRankRouter &router, QObject *parent)
    : QObject(parent)
    , m_source(source)
    , m_dataFolder(dataFolder)
    , m_listFolder(listFolder)
    , m_settings(settings)
    , m_store(store)
    , m_router(router)
{
    // Precise: a coarse timer may fire a little early, and a refresh due at
    // 02:37 ran at 02:36:59 and then again at 02:37:00.
    m_daily.setSingleShot(true);
    m_daily.setTimerType(Qt::PreciseTimer);
    connect(&m_daily, &QTimer::timeout, this, &CListRefresher::dailyTimeout);
    m_look.setSingleShot(true);
    m_look.setInterval(Quiet);
    connect(&m_look, &QTimer::timeout, this, &CListRefresher::takeIn);
    m_every.setInterval(FolderCheck);
    connect(&m_every, &QTimer::timeout, this, &CListRefresher::takeIn);
    connect(&m_watch, &QFileSystemWatcher::directoryChanged, this, &CListRefresher::folderChanged);
}

CListRefresher::~CListRefresher()
{
    if (m_worker)
        m_worker->wait();
    if (m_release)
        m_release->wait();
    if (m_cacheWriter)
        m_cacheWriter->wait();
}

void CListRefresher::keepCache(const QString &path, const CSnapshotStore::Report &report, qint64 minRows)
{
    m_cachePath = path;
    m_cacheReport = report;
    m_cacheMinRows = minRows;
}

void CListRefresher::refreshDailyAt(const QTime &time)
{
    m_schedule = CDailySchedule(time);
    scheduleNext();
}

void CListRefresher::scheduleNext()
{
    if (!m_schedule.isSet() || !m_source)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    m_daily.start(std::chrono::milliseconds(qMax<qint64>(0, now.msecsTo(m_schedule.plan(now)))));
}

void CListRefresher::dailyTimeout()
{
    // Never early: a timer that fires before its time waits for the rest.
    const QDateTime now = QDateTime::currentDateTime();
    if (!m_schedule.take(now)) {
        m_daily.start(std::chrono::milliseconds(qMax<qint64>(0, now.msecsTo(m_schedule.due()))));
        return;
    }
    refresh();
    scheduleNext();
}

void CListRefresher::watchFolder(const QSet<QString> &wanting)
{
    m_wanting.unite(wanting);
    if (!m_watch.directories().contains(m_listFolder))
        m_watch.addPath(m_listFolder);
    m_every.start();
}

void CListRefresher::folderChanged()
{
    // A download is renamed into place whole; a copy by hand may take a
    // moment more, which the look waits for (see Settled).
    if (!m_watch.directories().contains(m_listFolder))
        m_watch.addPath(m_listFolder); // made anew
    m_look.start();
}

void CListRefresher::refresh()
{
    if (!m_source && !m_usSource) {
        takeIn();
        return;
    }
    if (m_busy) {
        m_refreshWaiting = true;
        return;
    }
    start(true);
}

void CListRefresher::takeIn()
{
    if (m_busy) {
        m_takeInWaiting = true;
        return;
    }
    start(false);
}

void CListRefresher::start(bool fetch)
{
    m_busy = true;
    CListUpdater::Settings settings = m_settings;
    settings.today = CListSource::today();
    auto job = std::make_shared<Job>();
    job->wanting = m_wanting;
    m_job = job;
    // Everything that takes long is done on the worker: a download, reading
    // a list, building the new store. Requests only read the store
    // meanwhile, and it changes only by the swap in finished().
    const CSnapshotStore *held = &m_store;
    const std::optional<CListSource> source = fetch ? m_source : std::nullopt;
    const QString dataFolder = m_dataFolder;
    const QString listFolder = m_listFolder;
    const std::optional<CListSource> us = fetch ? m_usSource : std::nullopt;
    CSnapshotStore::LoadOptions cacheOptions;
    cacheOptions.maxRows = m_store.maxRows();
    cacheOptions.heldDays = m_store.heldDays();
    const bool cached = !m_cachePath.isEmpty();
    // The months of every day the store holds, as at start.
    const int monthDays = CSnapshotStore::heldDaysFor(settings.days);
    m_worker = QThread::create([this, job, held, source, dataFolder, listFolder, settings, us, cacheOptions, cached,
                                monthDays] {
        if (source) {
            CListUpdater updater(*source, dataFolder, settings);
            followProgress(updater);
            job->summary = updater.run();
            if (source->monthly() && job->summary.fetched > 0)
                job->globalGrown.emplace().load(listFolder, settings.today, monthDays);
        }
        if (us) {
            CListUpdater usUpdater(*us, dataFolder, settings);
            followProgress(usUpdater);
            job->usSummary = usUpdater.run();
            if (job->usSummary.fetched > 0)
                job->usGrown.emplace().load(us->folder(dataFolder), settings.today, monthDays);
        }
        const QDate today = CSnapshotStore::latestToday();
        // A download is renamed into place whole, so after a fetch every
        // list there counts as settled; otherwise a list written a moment
        // ago may still be being copied.
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime settled = source ? now : now.addSecs(-qint64(Settled.count()));
        if (cached)
            job->fingerprint = CStoreCache::fingerprint(listFolder, cacheOptions);
        if (!held->lacking(listFolder, today, job->wanting, settled, &job->unsettled).empty())
            job->grown = held->foldedWith(listFolder, today, settled, job->report, job->wanting);
    });
    m_worker->setParent(this);
    connect(m_worker, &QThread::finished, this, [this, fetch] { finished(fetch); });
    m_worker->start();
}

void CListRefresher::followProgress(CListUpdater &updater)
{
    // The destructor waits for the worker, and a call queued to an object
    // gone is dropped: this outlives every line posted.
    const auto post = [this](const QString &line) {
        QMetaObject::invokeMethod(this, [this, line] { showProgress(line); }, Qt::QueuedConnection);
    };
    connect(&updater, &CListUpdater::planned, &updater, post);
    auto pace = std::make_shared<CProgressPace>();
    connect(&updater, &CListUpdater::advanced, &updater, [post, pace](const QString &line) {
        if (pace->due())
            post(line);
    });
}

void CListRefresher::showProgress(const QString &line)
{
    m_router.setUpdating(line);
    emit progressed(line);
}

void CListRefresher::finished(bool fetch)
{
    m_router.setUpdating({});
    const std::shared_ptr<Job> job = std::move(m_job);
    m_worker->deleteLater();
    m_wanting = job->wanting;
    const int added = job->report.days + job->report.usLists;
    QString outcome = QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ');
    if (fetch) {
        // Either may be missing: the United States months are fetched for a
        // folder of lists copied by hand too.
        QStringList lines;
        if (m_source)
            lines.append(job->summary.line(m_source->name()));
        if (m_usSource)
            lines.append(job->usSummary.line(m_usSource->name()));
        outcome += lines.join(QStringLiteral("; "));
        const QStringList problems = job->summary.problems + job->usSummary.problems;
        if (!problems.isEmpty())
            outcome += QStringLiteral("; ") + problems.constFirst();
    } else {
        outcome += QStringLiteral("%1: lists found in the folder").arg(m_source ? m_source->name() : QStringLiteral("lists"));
    }
    if (job->usGrown && m_usMonths)
        std::swap(*m_usMonths, *job->usGrown);
    if (job->globalGrown && m_globalMonths)
        std::swap(*m_globalMonths, *job->globalGrown);
    // No cache is being written now (the next fold waits for it), so the
    // index is read by no other thread while its changes are made.
    if (job->grown)
        m_store.takeFolded(*job->grown);
    if (job->grown || job->usGrown || job->globalGrown) {
        // The store held until now goes on a thread of its own: freeing it
        // here would hold up requests too.
        if (m_release)
            m_release->wait();
        m_release = QThread::create([job] {
            job->grown.reset();
            job->usGrown.reset();
            job->globalGrown.reset();
        });
        m_release->setParent(this);
        connect(m_release, &QThread::finished, m_release, &QObject::deleteLater);
        m_release->start();
    }
    outcome += QStringLiteral("; %1 new days folded in").arg(added);
    for (const QString &problem : job->report.problems)
        outcome += QStringLiteral("; ") + problem;
    if (job->unsettled)
        m_look.start(std::chrono::milliseconds(Settled) + Quiet);
    if (job->report.listsWaiting > 0)
        m_takeInWaiting = true;
    if (fetch || added > 0 || !job->report.problems.isEmpty())
        m_router.setLastUpdate(outcome);
    if (fetch)
        emit refreshed(outcome);
    else if (added > 0 || !job->report.problems.isEmpty())
        emit tookIn(outcome);
    if (job->grown && !m_cachePath.isEmpty() && m_store.rowsHeld() >= m_cacheMinRows)
        writeCache(job->fingerprint);
    else
        idle();
}

void CListRefresher::writeCache(const QByteArray &fingerprint)
{
    // The store only changes by a fold's swap, and none comes until this
    // is written: requests read it meanwhile, as this does.
    CSnapshotStore::Report report = m_cacheReport;
    report.days = m_store.daysHeld();
    report.rows = m_store.rowsHeld();
    const QString path = m_cachePath;
    const CSnapshotStore *store = &m_store;
    auto problem = std::make_shared<QString>();
    m_cacheWriter = QThread::create([store, path, report, fingerprint, problem] {
        if (const CResult<void> written = CStoreCache::write(path, *store, report, fingerprint); !written)
            *problem = written.message();
    });
    m_cacheWriter->setParent(this);
    connect(m_cacheWriter, &QThread::finished, this, [this, problem] {
        m_cacheWriter->deleteLater();
        emit cacheWritten(*problem);
        idle();
    });
    m_cacheWriter->start();
}

void CListRefresher::idle()
{
    m_busy = false;
    if (std::exchange(m_refreshWaiting, false))
        refresh();
    else if (std::exchange(m_takeInWaiting, false))
        takeIn();
}
