#pragma once

#include "rankservice/server/CSiteInfoPage.h"

#include <QByteArray>
#include <QJsonObject>
#include <QByteArrayView>
#include <QDate>
#include <QString>

class CRequestReader;
struct CSiteFigures;
class CSnapshotStore;
class CCruxMonths;

// What the service answers to a request, once it is read: "GET
// /siteinfo/<domain>" with the site-information page of that domain as of
// today, "GET /siteinfo/<domain>?date=YYYY-MM-DD" with the page as of that
// day (from the newest held list on or before it, the period means counted
// back from that list; the page says the day), "GET /status" with what the
// service holds, HEAD as GET without the body, every other path with 404
// and a broken request or query with 400. Every answer comes from memory;
// which connections are heard, and when, is CRankServer's part.
class CRankRouter
{
public:
    // What the status answer and the pages say about the lists served.
    struct Source
    {
        QString name;        // empty for a folder of lists put there by hand
        QString title;       // the list's name as its publisher gives it
        QString licence;
        QString lastUpdate;  // outcome of the last update, one line
    };

    // store must outlive the router.
    explicit CRankRouter(const CSnapshotStore &store) : m_store(store) {}

    // Pages are refused while the newest list is older than this many days
    // before today; 0 serves lists of any age.
    void setMaxAgeDays(int days) { m_maxAgeDays = days; }
    // Past the newest 90 days one list in every is kept on purpose (--every):
    // a past day there may take its figures from a list up to every - 1
    // days before it, whatever the age allowed otherwise.
    void setKeptEvery(int every) { m_keptEvery = every; }
    void setSource(const Source &source) { m_source = source; }
    // The US rank from the months of a list that ranks in buckets, in place
    // of any daily United States list; months must outlive the server.
    void setUsMonths(const CCruxMonths *months, const Source &source)
    {
        m_usMonths = months;
        m_usSource = source;
    }
    // The global rank from such months, for a source without daily lists.
    void setGlobalMonths(const CCruxMonths *months) { m_globalMonths = months; }
    void setLastUpdate(const QString &outcome) { m_source.lastUpdate = outcome; }
    // How far a running update is, said by the status answer; empty when none runs.
    void setUpdating(const QString &progress) { m_updating = progress; }

    // While the lists load, pages are refused with 503 and the progress
    // ("loading: 3 of 90 lists read"); the status answer says the same.
    void setLoading(const QString &progress)
    {
        m_loading = true;
        m_progress = progress;
    }
    void setLoaded() { m_loading = false; }
    bool loading() const { return m_loading; }

    // The full response (status line, headers, body) to a finished head.
    QByteArray answer(const CRequestReader &request) const;

    // Why pages are refused today, or empty when the lists are fresh enough.
    QString staleReason(const QDate &today) const;
    QByteArray statusJson() const;

private:
    // A request target split into its path and its one allowed key.
    struct Query
    {
        QByteArrayView path;
        bool dated = false;
        QDate day;
        QByteArray error; // why the query is refused, empty when it is not
    };
    static Query parseQuery(QByteArrayView target);
    QByteArray answerGet(const CRequestReader &request) const;
    QByteArray pageAsOf(const QString &domain, const QDate &day) const;
    // The page of a source published a month at a time.
    QByteArray monthlyPage(const QString &domain, const QDate &day) const;
    // Sets the US rank of day from the United States months, when they are served.
    void takeUsBucket(const QString &domain, const QDate &day, CSiteFigures &figures,
                      CSiteInfoPage::Attribution &from) const;
    QJsonObject usStatus() const;

    const CSnapshotStore &m_store;
    int m_maxAgeDays = 0;
    int m_keptEvery = 1;
    Source m_source;
    const CCruxMonths *m_usMonths = nullptr;
    Source m_usSource;
    const CCruxMonths *m_globalMonths = nullptr;
    bool m_loading = false;
    QString m_progress;
    QString m_updating;
};
