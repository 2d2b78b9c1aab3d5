#pragma once

#include "rankservice/fetch/CListUpdater.h"
#include "rankservice/lists/CListSource.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTime>
#include <QTimer>

#include <optional>

class CCruxMonths;
class CRankRouter;
class CSnapshotStore;

// Keeps a running service's lists current: once a day at a set time, and
// whenever asked, fetches what the source's folder lacks and folds the new
// days into the store the server answers from. Downloads run while the
// server goes on answering; the new days are folded into a copy of the store
// on a thread of its own (the held days are not read again), which is then
// swapped in between two requests.
class CListRefresher : public QObject
{
    Q_OBJECT

public:
    // store and router must outlive the refresher.
    CListRefresher(const CListSource &source, const QString &dataFolder, const CListUpdater::Settings &settings,
                   CSnapshotStore &store, CRankRouter &router, QObject *parent = nullptr);

    void refreshDailyAt(const QTime &time);
    // Also keeps the United States months current, and the source's own
    // months when it is published a month at a time; months must outlive
    // the refresher.
    void setUsMonths(const CListSource &us, CCruxMonths *months);
    void setGlobalMonths(CCruxMonths *months) { m_globalMonths = months; }
    ~CListRefresher() override;

    // Fetches now; refreshed follows once the new days are served. The
    // outcome line is also handed to the router.
    void refresh();

signals:
    void refreshed(const QString &outcome);

private:
    void scheduleNext();
    void finish(const QString &outcome);

    CListSource m_source;
    QString m_dataFolder;
    CListUpdater::Settings m_settings;
    CSnapshotStore &m_store;
    CRankRouter &m_router;
    std::optional<CListSource> m_usSource;
    CCruxMonths *m_usMonths = nullptr;
    CCruxMonths *m_globalMonths = nullptr;
    QTime m_time;
    QTimer m_timer;
    bool m_busy = false;
    QPointer<QThread> m_worker;
    QPointer<QThread> m_release;
};
