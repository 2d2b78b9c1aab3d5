#pragma once

#include "rankservice/lists/CListSource.h"

#include "base/CResult.h"

#include <QDate>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class CFetchPacer;
class QIODevice;
class QNetworkReply;

// Fetches the daily lists of one source that its folder lacks, newest
// first (so that a run cut short has the most useful days), the days counted
// in UTC as publishers date them, older days thinned out by CFetchPlan; of a monthly
// source, the months that pages of those days may take their bucket from. Each download
// streams to a hidden temporary file in the folder and is renamed into place
// only once it reads as a complete, plausible ranking of enough distinct
// domains for the day it claims, so the service never sees half a file.
// Every download has a deadline and a bounded buffer; one update runs at a
// time per folder. Runs one request at a time in a local event loop: a
// running service goes on answering meanwhile.
class CListUpdater : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        int days = 90;                                // the last days wanted, today included
        int every = 1;                                // past the newest 90 days, one list every this many
        QDate today = CListSource::today();
        std::chrono::milliseconds timeout{30000};     // without a byte arriving
        // Past this, a download must have kept up minRate bytes a second on
        // average since: a trickle ends, a large list on a slow line does not.
        std::chrono::milliseconds deadline{60000};
        qint64 minRate = 16 * 1024;
        int attempts = 3;                             // per address, for errors that may pass
        std::chrono::milliseconds backOff{2000};      // before the second attempt, doubled after
        qint64 minRows = 10000;                       // fewer distinct domains is no real list
        qint64 maxBytes = qint64(512) * 1024 * 1024;  // of one download
        std::chrono::milliseconds lockWait{600000};   // for another update of the folder
        qint64 maxRows = 2000000;                     // read of a list to check it
        // The whole run ends by then, whatever is left (0: no end); the
        // daily refresh has one, so that a slow publisher cannot keep it busy.
        std::chrono::milliseconds runDeadline{0};
        // A publisher that failed this many days (a stall, a trickle, an
        // error) is given up for the rest of the run.
        int failedDaysToGiveUp = 3;
        // Tranco's list-ID questions are spaced out by this at least.
        std::chrono::milliseconds idSpacing{1000};
        // A 429 asking to wait longer gives the day up for this run.
        std::chrono::seconds mostRetryAfter{300};
    };

    struct Summary
    {
        int fetched = 0;
        int present = 0;
        int unavailable = 0; // the source does not offer the day (yet)
        int failed = 0;
        int left = 0;         // days not tried: the run was given up, or ran out of time
        QString leftWhy;      // why, in words
        QStringList problems; // one line per failed day
        QStringList notes;    // lists kept with a remark (read up to the most rows)
        QString line(const QString &source) const;
    };

    CListUpdater(const CListSource &source, const QString &dataFolder, const Settings &settings,
                 QObject *parent = nullptr);
    ~CListUpdater() override;

    // pacer takes the updater's waits from now on; it must outlive the updater.
    void setPacer(CFetchPacer *pacer);
    // Ends the run soon: the download under way is dropped (nothing is kept
    // of it), the days left are counted and left to the next update.
    void cancel();

    Summary run();
    bool running() const { return m_running; }

    static QString userAgent();

    // Whether a redirect from one address to another may be followed: to
    // the same host or the configured one, on the same port and scheme, or
    // from http up to https on its own port; never down to http.
    static bool redirectAllowed(const QUrl &from, const QUrl &to, const QUrl &configured);

signals:
    // What is being fetched now, for a progress line.
    void progress(const QString &line);
    // Before the first download: the days to fetch and what they cost.
    void planned(const QString &line);
    // After each day tried: days done of days to do, bytes downloaded.
    void advanced(const QString &line);

private:
    enum class Fetched { Stored, Unavailable };
    // A list-ID question is spaced out and takes any answer but 200 and 429
    // as the day not published; a list's server errors are tried again.
    enum class Ask { ListId, List };
    // A whole answer: its status, and its body in the sink.
    struct Answer
    {
        int status = 0;
        QDateTime lastModified;
        QUrl location; // where a redirect points
        QByteArray retryAfter;
    };

    // Follows the redirects that redirectAllowed() allows, up to five.
    CResult<Answer> get(const QUrl &url, QIODevice &sink, qint64 maxBytes, const QString &label, Ask ask);
    CResult<Answer> getRetrying(const QUrl &url, QIODevice &sink, qint64 maxBytes, const QString &label, Ask ask);
    // How long to wait before the next attempt after got; a failure when a
    // 429 asks for longer than mostRetryAfter.
    CResult<std::chrono::milliseconds> waitBefore(const CResult<Answer> &got, const QUrl &url,
                                                  std::chrono::milliseconds backOff) const;
    CResult<Answer> getOnce(const QUrl &url, QIODevice &sink, qint64 maxBytes, const QString &label,
                            bool &mayRetry);
    // The answer of a reply that ended: its status and the rest of its body.
    CResult<Answer> answerOf(QNetworkReply &reply, const QUrl &url, QIODevice &sink, qint64 maxBytes,
                                    qint64 received, bool &mayRetry);
    // What is left of the run's deadline; max() when it has none.
    std::chrono::milliseconds runLeft() const;
    void runDays(Summary &summary);
    // Why the days left are not tried, or empty while they are.
    QString stopReason(const Summary &summary) const;
    void runMonths(Summary &summary);
    void count(Summary &summary, const QString &label, const CResult<Fetched> &fetched);
    CResult<Fetched> fetchMonth(const QDate &month, const QString &label);
    // Checks a month's download and renames it into place.
    CResult<Fetched> keepMonth(const QString &temporary, const QDate &month);
    CResult<Fetched> fetchDay(const QDate &day);
    // Tranco's ID of the day's list; empty when the day is not published.
    CResult<QString> listId(const QDate &day, const QString &label);
    CResult<Fetched> download(const QDate &day, const QString &id, const QString &label);
    // Checks the download and renames it into place.
    CResult<Fetched> keep(const QString &temporary, const QDate &day, const QString &id, const QDateTime &claimed);

    CListSource m_source;
    QString m_folder;
    Settings m_settings;
    QNetworkAccessManager m_network;
    bool m_running = false;
    QDeadlineTimer m_runEnd;
    bool m_outOfTime = false; // the run's deadline cut a download short
    QStringList m_notes;
    std::unique_ptr<CFetchPacer> m_ownPacer;
    CFetchPacer *m_pacer = nullptr;
    bool m_cancelled = false;
    std::function<void()> m_stopCurrent; // drops the request under way
    qint64 m_downloaded = 0;             // bytes of this run
};
