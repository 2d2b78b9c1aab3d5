#pragma once

#include "rankservice/server/CRankRouter.h"
#include "rankservice/server/CRankServer.h"
#include "rankservice/service/CRankdOptions.h"
#include "rankservice/service/CServiceNotifier.h"
#include "rankservice/store/CSnapshotStore.h"
#include "rankservice/store/CStoreCache.h"
#include "rankservice/crux/CCruxMonths.h"

#include "base/CResult.h"

#include <QObject>
#include <QString>

#include <memory>

class CListRefresher;
class QTextStream;
class QThread;

// The running service: listens at once, loads the lists (or their cache) on
// a thread of its own, says when it is ready (on stdout and to systemd),
// writes the cache once it serves, and then keeps a public source's lists
// current.
class CRankService : public QObject
{
    Q_OBJECT

public:
    CRankService(const CRankdOptions &options, QTextStream &out, QTextStream &err, QObject *parent = nullptr);
    ~CRankService() override;

    // Listens and starts loading; a failure says why nothing listens.
    CResult<void> start();

    const CRankServer &server() const { return m_server; }
    const CRankRouter &router() const { return m_router; }

private:
    // What the loading thread fills in, read here once it has finished.
    struct Loading
    {
        CSnapshotStore store;
        CSnapshotStore::Report report;
        QByteArray fingerprint;
        CStoreCache::Read cache;
        CCruxMonths usMonths;
        CCruxMonths::Report usReport;
        CCruxMonths globalMonths; // of a source published a month at a time
        CCruxMonths::Report globalReport;
    };

    void load(); // on the loading thread
    void showProgress(int done, int total);
    void loaded();
    void reportLoad(bool fromCache);
    void announceReady();
    void writeCache();
    void startRefresher();
    void refreshed(const QString &outcome);
    void tookIn(const QString &outcome);
    void cacheWritten(const QString &problem);
    QString sourceLine(const QString &lastUpdate) const;
    // The months a page may take its bucket from, as of today.
    CCruxMonths::Report loadMonths(const CListSource &source, CCruxMonths &months) const;

    CRankdOptions m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    CServiceNotifier m_notifier;
    QString m_cachePath;
    CSnapshotStore m_store;
    CCruxMonths m_usMonths;
    CCruxMonths m_globalMonths;
    CRankRouter m_router;
    CRankServer m_server;
    std::unique_ptr<Loading> m_loading;
    int m_shownTenth = -1;
    QString m_cacheError;
    std::unique_ptr<QThread> m_loader;
    std::unique_ptr<QThread> m_cacheWriter;
    std::unique_ptr<CListRefresher> m_refresher; // goes first: it holds the store and the router
};
