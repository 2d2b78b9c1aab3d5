#pragma once

#include "rankservice/fetch/CListUpdater.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/service/CDailySchedule.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QTime>
#include <QTimer>

#include <chrono>
#include <optional>

class CCruxMonths;
class CRankRouter;

// Keeps a running service's lists what its folder holds: once a day at a
// set time (with a source), and whenever asked, fetches what the source's
// folder lacks; and whenever lists appear in the folder, by whatever means
// (a download, another --update, a copy by hand), folds them into the store
// the server answers from: newer days, days that fill a gap, a newer United
// States list. Downloads run while the server goes on answering; the lists
// are folded into a new store on a thread of its own (the held days are not
// read again), which is then swapped in between two requests.
class CListRefresher : public QObject
{
    Q_OBJECT

public:
    // The folder is looked at this often besides its watch (which a network
    // file system may not give), and a list written this recently waits for
    // the next look: it may still be being copied.
    static constexpr std::chrono::seconds FolderCheck{60};
    static constexpr std::chrono::seconds Settled{3};
    static constexpr std::chrono::milliseconds Quiet{500}; // after a change, before the look

    // store and router must outlive the refresher. Without a source it
    // fetches nothing and only takes in what appears in listFolder.
    CListRefresher(const std::optional<CListSource> &source, const QString &dataFolder, const QString &listFolder,
                   const CListUpdater::Settings &settings, CSnapshotStore &store, CRankRouter &router,
                   QObject *parent = nullptr);
    ~CListRefresher() override;

    // Refreshes once a day at time (local), never before it and never twice a day.
    void refreshDailyAt(const QTime &time);
    // Takes in lists as they appear in the folder, from now on; those
    // already found wanting (by their wantingKey) are not read again unchanged.
    void watchFolder(const QSet<QString> &wanting = {});
    // Each fetch also keeps the United States months current, and the
    // source's own months when it is published a month at a time; months
    // must outlive the refresher.
    void setUsMonths(const CListSource &us, CCruxMonths *months);
    void setGlobalMonths(CCruxMonths *months) { m_globalMonths = months; }
    // After each fold that leaves at least minRows rows held, writes the
    // store's cache to path (report being the load's), so that a restart
    // after a fold is as quick as one after a load. The store is written
    // once swapped in, while requests are served; the next fold waits.
    void keepCache(const QString &path, const CSnapshotStore::Report &report, qint64 minRows);

    // Fetches now (with a source), then folds in what the folder holds and
    // the store lacks; refreshed follows once that is served. The outcome
    // line is also handed to the router.
    void refresh();
    // Folds in what the folder holds and the store lacks; tookIn follows
    // when anything was.
    void takeIn();

    // When the daily refresh is due next; invalid without one.
    QDateTime nextRefresh() const { return m_schedule.due(); }

signals:
    // While a refresh fetches: what it is to fetch, then how far it is, at
    // most once a second. The router's status says the latest until the
    // refresh ends.
    void progressed(const QString &line);
    void refreshed(const QString &outcome);
    void tookIn(const QString &outcome);
    // After a fold's cache is written: empty, or why it was not.
    void cacheWritten(const QString &problem);

private:
    void scheduleNext();
    void dailyTimeout();
    void folderChanged();
    void start(bool fetch);
    // Hands updater's progress, made on the worker, to this object's thread.
    void followProgress(CListUpdater &updater);
    void showProgress(const QString &line);
    void finished(bool fetch);
    void writeCache(const QByteArray &fingerprint);
    // Ready for the next refresh or take-in, which may be waiting.
    void idle();

    std::optional<CListSource> m_source;
    QString m_dataFolder;
    QString m_listFolder;
    CListUpdater::Settings m_settings;
    CSnapshotStore &m_store;
    CRankRouter &m_router;
    std::optional<CListSource> m_usSource;
    CCruxMonths *m_usMonths = nullptr;
    CCruxMonths *m_globalMonths = nullptr;

    CDailySchedule m_schedule;
    QTimer m_daily;
    QFileSystemWatcher m_watch;
    QTimer m_look;  // a look at the folder, soon after a change
    QTimer m_every; // and once every FolderCheck

    bool m_busy = false;
    bool m_refreshWaiting = false;
    bool m_takeInWaiting = false;
    QSet<QString> m_wanting; // lists found wanting, by name, size and time: not read again
    struct Job;
    std::shared_ptr<Job> m_job;
    QPointer<QThread> m_worker;
    QPointer<QThread> m_release;
    QPointer<QThread> m_cacheWriter;

    QString m_cachePath; // empty: no cache kept
    CSnapshotStore::Report m_cacheReport;
    qint64 m_cacheMinRows = 0;
};
