#pragma once

#include "CListSource.h"
#include "CListUpdater.h"

#include <QObject>
#include <QTime>
#include <QTimer>

class CRankServer;
class CSnapshotStore;

// Keeps a running service's lists current: once a day at a set time, and
// whenever asked, fetches what the source's folder lacks and folds the new
// days into the store the server answers from. Downloads run while the
// server goes on answering; the held days are not read again.
class CListRefresher : public QObject
{
    Q_OBJECT

public:
    // store and server must outlive the refresher.
    CListRefresher(const CListSource &source, const QString &dataFolder, const CListUpdater::Settings &settings,
                   CSnapshotStore &store, CRankServer &server, QObject *parent = nullptr);

    void refreshDailyAt(const QTime &time);
    // Fetches and folds in now; the outcome line is also handed to the server.
    QString refresh();

signals:
    void refreshed(const QString &outcome);

private:
    void scheduleNext();

    CListSource m_source;
    QString m_dataFolder;
    CListUpdater::Settings m_settings;
    CSnapshotStore &m_store;
    CRankServer &m_server;
    QTime m_time;
    QTimer m_timer;
    bool m_busy = false;
};
