#include "rankservice/service/CListRefresher.h"

#include "rankservice/server/CRankRouter.h"
#include "rankservice/store/CSnapshotStore.h"

#include "rankservice/crux/CCruxMonths.h"

#include <QDateTime>

#include <memory>

CListRefresher::CListRefresher(const CListSource &source, const QString &dataFolder,
                               const CListUpdater::Settings &settings, CSnapshotStore &store, CRankRouter &router,
                               QObject *parent)
    : QObject(parent)
    , m_source(source)
    , m_dataFolder(dataFolder)
    , m_settings(settings)
    , m_store(store)
    , m_router(router)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        refresh();
        scheduleNext();
    });
}

void CListRefresher::refreshDailyAt(const QTime &time)
{
    m_time = time;
    scheduleNext();
}

void CListRefresher::setUsMonths(const CListSource &us, CCruxMonths *months)
{
    m_usSource = us;
    m_usMonths = months;
}

void CListRefresher::scheduleNext()
{
    if (!m_time.isValid())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime next(now.date(), m_time);
    if (next <= now)
        next = next.addDays(1);
    m_timer.start(std::chrono::milliseconds(now.msecsTo(next)));
}

CListRefresher::~CListRefresher()
{
    if (m_worker)
        m_worker->wait();
    if (m_release)
        m_release->wait();
}

void CListRefresher::refresh()
{
    if (m_busy)
        return;
    m_busy = true;
    CListUpdater::Settings settings = m_settings;
    settings.today = CListSource::today();
    auto summary = std::make_shared<CListUpdater::Summary>();
    auto grown = std::make_shared<CSnapshotStore>();
    auto added = std::make_shared<int>(0);
    auto usSummary = std::make_shared<CListUpdater::Summary>();
    auto usGrown = std::make_shared<CCruxMonths>();
    auto globalGrown = std::make_shared<CCruxMonths>();
    const std::optional<CListSource> us = m_usSource;
    // Everything that takes long is done on the worker: checking a download
    // reads the whole list, copying the store moves hundreds of MB for real
    // lists, and either would hold up requests here. Requests only read the
    // store meanwhile, and it changes only by the swap below.
    const CSnapshotStore *held = &m_store;
    const CListSource *source = &m_source;
    const QString dataFolder = m_dataFolder;
    m_worker = QThread::create([summary, grown, added, held, source, dataFolder, settings, us, usSummary, usGrown,
                                globalGrown] {
        CListUpdater updater(*source, dataFolder, settings);
        *summary = updater.run();
        // Months are read again whole when one is added: a month is small
        // beside the daily lists, and comes once a month.
        if (us) {
            CListUpdater usUpdater(*us, dataFolder, settings);
            *usSummary = usUpdater.run();
            if (usSummary->fetched > 0)
                usGrown->load(us->folder(dataFolder), settings.today, CSnapshotStore::WindowDays);
        }
        if (summary->fetched == 0)
            return;
        if (source->monthly()) {
            globalGrown->load(source->folder(dataFolder), settings.today, CSnapshotStore::WindowDays);
            return;
        }
        *grown = *held;
        *added = grown->addNewer(source->folder(dataFolder), CSnapshotStore::latestToday()).days;
    });
    m_worker->setParent(this);
    connect(m_worker, &QThread::finished, this, [this, summary, grown, added, usSummary, usGrown, globalGrown] {
        QString outcome = QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ')
            + summary->line(m_source.name());
        if (m_usSource)
            outcome += QStringLiteral("; ") + usSummary->line(m_usSource->name());
        const QStringList problems = summary->problems + usSummary->problems;
        if (!problems.isEmpty())
            outcome += QStringLiteral("; ") + problems.constFirst();
        m_worker->deleteLater();
        const bool usChanged = m_usMonths && usSummary->fetched > 0;
        if (usChanged)
            std::swap(*m_usMonths, *usGrown);
        if (summary->fetched == 0 && !usChanged) {
            finish(outcome);
            return;
        }
        if (summary->fetched > 0 && m_globalMonths)
            std::swap(*m_globalMonths, *globalGrown);
        else if (summary->fetched > 0)
            m_store.swap(*grown);
        // The store held until now goes on a thread of its own: freeing it
        // here would hold up requests too.
        if (m_release)
            m_release->wait();
        m_release = QThread::create([grown, usGrown, globalGrown] {
            *grown = CSnapshotStore();
            *usGrown = CCruxMonths();
            *globalGrown = CCruxMonths();
        });
        m_release->setParent(this);
        connect(m_release, &QThread::finished, m_release, &QObject::deleteLater);
        m_release->start();
        finish(summary->fetched > 0 && !m_globalMonths ? outcome + QStringLiteral("; %1 new days folded in").arg(*added)
                                                       : outcome);
    });
    m_worker->start();
}

void CListRefresher::finish(const QString &outcome)
{
    m_router.setLastUpdate(outcome);
    m_busy = false;
    emit refreshed(outcome);
}
