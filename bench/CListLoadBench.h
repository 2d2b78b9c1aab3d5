#pragma once

#include "CBenchReport.h"

#include <QList>
#include <QString>

// Measures the service on lists as they are published: daily top lists of
// a million rows, plain and compressed (zip and gzip, generated here). Prints
// the time and peak memory of sorvane-rankd loading the whole window, of its
// restart over lists it has cached, and the time of folding in one more day,
// which must not read the other days again, nor hold up the pages asked for
// meanwhile.
class CListLoadBench
{
public:
    struct Sizes
    {
        int days;
        int rows;
        int runs;
        bool cold; // drop the page cache before each start of the service, where allowed
    };

    static const Sizes FullSizes;
    static const Sizes QuickSizes;
    // A year of daily lists, held with --days 365; the quick pass's are small.
    static const Sizes YearSizes;
    static const Sizes YearQuickSizes;

    // report must outlive this; root is a folder to generate the lists in.
    CListLoadBench(CBenchReport &report, const QString &root, const QString &rankd, const Sizes &sizes);

    void run();
    // Only the pages of past days, over the plain lists.
    void runPastDays();
    // A year of lists served with --days: the service's memory once ready,
    // its start from the cache, and pages of days past the newest 90 (held
    // in rank files) alone and beside a normal page.
    void runYear();

private:
    enum class Packing { Plain, Packed }; // packed: zip on even days, gzip on odd ones

    // The text of the list of the day back days before the newest.
    QByteArray dayText(int back) const;
    QString listName(int back, const QString &suffix) const;
    // The name a list gives the place numbered id.
    static QByteArray nameOf(qint64 id);
    // Writes that list; returns its file name.
    QString writeDay(const QString &folder, int back, Packing packing) const;
    // The names in the union of the lists written, counted.
    qint64 distinctNames() const;
    // Empties the page cache where this process may; false when it cannot.
    static bool dropPageCache();
    // Starts sorvane-rankd on folder, times it until it is ready and takes
    // its peak memory; with waitForCache, lets it write its cache before it stops.
    bool startService(const QString &folder, bool waitForCache, double *ms, double *peak, QByteArray *output) const;
    // Starts the service runs times on folder, each time from the lists
    // alone (its cache removed, then written again) or from the cache.
    void timeStarts(const QString &folder, bool withoutCache, QList<double> &times, QList<double> &peaks) const;
    void benchServiceLoad(const QString &folder, const QString &figure, double goalMs);
    // The service started again over lists whose cache the last load left.
    void benchRestart(const QString &folder);
    void benchAddDay(const QString &folder);
    // Pages of past days from the service over those lists, alone and
    // while ten clients keep asking for past days.
    void benchPastDays(const QString &folder);
    // The real service's daily refresh over those lists: the next day is
    // downloaded from a loopback publisher, checked and folded in while a
    // client keeps asking for pages; prints the longest any page waited.
    void benchRefreshWait(const QString &folder);
    // A day put into the served folder and folded in: the service's peak
    // memory meanwhile over its memory before it.
    void benchFoldMemory(const QString &folder);
    // A fold's changes to the index of names made in place, as the serving
    // thread makes them between two requests: a day's names let go and as
    // many new ones, over as many names as the lists hold; and the pass that
    // takes in a block of the names built without those let go.
    void benchIndexInPlace();
    // The year's service started from its cache: the time until ready.
    void benchYearRestart(const QStringList &arguments, const QString &size);

    CBenchReport &m_report;
    QString m_root;
    QString m_rankd;
    Sizes m_sizes;
    int m_core;    // names on every day's list
    qint64 m_pool; // names the tails are drawn from
};
