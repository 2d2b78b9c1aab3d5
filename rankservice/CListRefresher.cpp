#include "CListRefresher.h"

#include "CRankServer.h"
#include "CSnapshotStore.h"

#include <QDateTime>

#include <memory>

CListRefresher::CListRefresher(const CListSource &source, const QString &dataFolder,
                               const CListUpdater::Settings &settings, CSnapshotStore &store, CRankServer &server,
                               QObject *parent)
    : QObject(parent)
    , m_source(source)
    , m_dataFolder(dataFolder)
    , m_settings(settings)
    , m_store(store)
    , m_server(server)
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
}

void CListRefresher::refresh()
{
    if (m_busy)
        return;
    m_busy = true;
    CListUpdater::Settings settings = m_settings;
    settings.today = QDate::currentDate();
    CListUpdater updater(m_source, m_dataFolder, settings);
    const CListUpdater::Summary summary = updater.run();
    QString outcome = QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ')
        + summary.line(m_source.name());
    if (!summary.problems.isEmpty())
        outcome += QStringLiteral("; ") + summary.problems.constFirst();
    if (summary.fetched == 0) {
        finish(outcome);
        return;
    }
    auto grown = std::make_shared<CSnapshotStore>();
    auto added = std::make_shared<int>(0);
    const QString folder = m_source.folder(m_dataFolder);
    // Copied on the worker too: hundreds of MB for real lists, which would
    // hold up requests here. Requests only read the store meanwhile, and it
    // changes only by the swap below.
    const CSnapshotStore *held = &m_store;
    m_worker = QThread::create([grown, added, folder, held] {
        *grown = *held;
        *added = grown->addNewer(folder).days;
    });
    m_worker->setParent(this);
    connect(m_worker, &QThread::finished, this, [this, grown, added, outcome] {
        m_store.swap(*grown);
        m_worker->deleteLater();
        finish(outcome + QStringLiteral("; %1 new days folded in").arg(*added));
    });
    m_worker->start();
}

void CListRefresher::finish(const QString &outcome)
{
    m_server.setLastUpdate(outcome);
    m_busy = false;
    emit refreshed(outcome);
}
