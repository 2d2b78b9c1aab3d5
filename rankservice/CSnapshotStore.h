#pragma once

#include "CDayRanks.h"
#include "CDomainIndex.h"
#include "CSiteFigures.h"
#include "CSnapshotParser.h"

#include "base/CResult.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// The figures of every domain found in a folder of daily ranking lists.
//
// One file per day, the date written YYYY-MM-DD somewhere in its name, plain
// or compressed (see CListReader); a name with "us" as a separate part
// (2024-05-01.us.csv) marks a United States list. Only running sums per
// domain are kept, so a request costs one hash look-up and a newer day is
// folded in without reading the other days again.
class CSnapshotStore
{
public:
    static constexpr int WindowDays = 90; // the longest period a figure covers
    // The parsed lists kept beside them, so that a restart need not read them again.
    static inline const QString CacheFileName = QStringLiteral(".sorvane-rankd.cache");

    struct Report
    {
        int filesRead = 0;     // lists that gave at least one row
        int days = 0;          // dates with a daily list
        int usLists = 0;       // United States lists read (only the newest is needed)
        qint64 rows = 0;
        qint64 malformedLines = 0;
        qint64 duplicateLines = 0;
        int filesSkipped = 0;  // unreadable, empty, garbage, or a second list for a day
        int filesNotNeeded = 0; // older than the window, or an older United States list
        int filesWithoutDate = 0;
        int filesInFuture = 0; // dated after today: a typo must not become the newest list
        int filesReread = 0;   // held days read again to take them out of a period
        QStringList problems;  // one line per skipped file or file with skipped lines

        qint64 skippedLines() const { return malformedLines + duplicateLines; }
        QString summary() const;
    };

    struct LoadOptions
    {
        QDate today = latestToday(); // lists dated after it are skipped and reported
        QDate asOf; // when valid, the figures as they were on that day: later lists are left out
        // Called after each list with the lists dealt with so far and in all.
        std::function<void(int done, int total)> progress;
    };

    // Replaces everything held before with the lists of folder.
    Report load(const QString &folder);
    Report load(const QString &folder, const LoadOptions &options);

    // Folds in the daily lists of folder newer than the newest one held.
    // Reads only those and the held days that leave a period on the way;
    // the other days stay as they are. Report::days counts the days added.
    Report addNewer(const QString &folder, const QDate &today = QDate::currentDate());

    // Exchanges the held lists with other's, without copying: a store grown
    // on another thread is swapped in between two requests.
    void swap(CSnapshotStore &other) noexcept;

    // By the name as a client asks for it: case and a leading "www." do not matter.
    CSiteFigures figures(QStringView domain) const;
    // The figures as they were on day, from the held lists alone: the newest
    // held list on or before day gives the ranks (its date in listDay), the
    // means count back from it over the held lists. The United States rank
    // is there only when the held United States list is not after day. A day
    // before the oldest held list gives no figures and an invalid listDay.
    CSiteFigures figuresAsOf(QStringView domain, const QDate &day, QDate *listDay) const;

    QDate newestDay() const { return m_newestDay; }
    QDate newestUsDay() const { return m_newestUsDay; }
    QDate oldestDay() const { return m_days.empty() ? QDate() : m_days.back().date; }
    int daysHeld() const { return int(m_days.size()); }
    qint64 rowsHeld() const { return m_rows; }
    qsizetype domainCount() const { return qsizetype(m_acc.size()); }
    // The folder last loaded, where the lists of past days are read again.
    QString folder() const { return m_folder; }

    // Lower case, a leading "www." dropped; the key under which lists and
    // requests meet.
    static QByteArray normalized(QByteArrayView domain);

    // Today as the lists may be dated: the publishers' UTC day or the local
    // one, whichever is later.
    static QDate latestToday();

    // The publisher's ID of the list held for a day (the newest), to cite
    // it by; empty when it has none.
    QString listIdOn(const QDate &day) const;
    QString newestListId() const { return listIdOn(m_newestDay); }

    // Checks the list at path as a load does (readable, a plausible ranking
    // with rows); its count of distinct domains.
    static CResult<qint64> checkList(const QString &path);

    struct ListFile
    {
        QString path;
        QString name;
        QDate date;
        qint64 rows = 0; // once folded in
        QString listId = {}; // the publisher's, kept in the name
        // Its ranks once folded in; shared by the copies of a store, never changed.
        std::shared_ptr<const CDayRanks> ranks = {};
    };

private:
    friend class CStoreCache; // writes and reads the held state as it is

    // Running sums while lists are folded in; three periods of 7, 30 and 90
    // days. Forty bytes: 5.7M of them are most of a loaded service's memory.
    // The cache keeps them byte for byte: a change here needs a new
    // CStoreCache::Version.
    struct Accumulator
    {
        static constexpr int Periods = 3;

        qint64 sum[Periods] = {};
        qint32 newest = 0; // rank in the newest daily list, 0 when not in it
        qint32 us = 0;
        quint8 count[Periods] = {}; // at most WindowDays
        quint8 spare = 0;
        quint16 seenInList = 0; // the stamp of the last list naming it: catches a domain listed twice
    };
    static_assert(WindowDays <= 255);
    static constexpr int PeriodDays[Accumulator::Periods] = {7, 30, WindowDays};

    // The accumulators by id in one block grown with realloc: a big block
    // grows in place (the kernel moves its pages), where a vector would hold
    // the old and the new copy at once at the peak of a load.
    class Accumulators
    {
    public:
        Accumulators() = default;
        Accumulators(const Accumulators &other);
        Accumulators &operator=(const Accumulators &other);
        Accumulators(Accumulators &&other) noexcept;
        Accumulators &operator=(Accumulators &&other) noexcept;
        ~Accumulators();

        size_t size() const { return m_size; }
        Accumulator &operator[](size_t i) { return m_data[i]; }
        const Accumulator &operator[](size_t i) const { return m_data[i]; }
        Accumulator *data() { return m_data; }
        const Accumulator *data() const { return m_data; }
        // New ones zeroed.
        void resize(size_t size);

    private:
        Accumulator *m_data = nullptr;
        size_t m_size = 0;
        size_t m_capacity = 0;
    };

    static std::vector<ListFile> findLists(const QString &folder, Report &report,
                                           std::vector<ListFile> *usLists, const QDate &today,
                                           const QDate &asOf = {});
    // One list read, parsed and keyed: everything that needs no held state,
    // so that it can run on a worker while the previous list is folded in.
    struct ParsedList
    {
        // Sixteen bytes a row, where a row and a view into the text was 28.
        struct Row
        {
            quint32 hash;   // CDomainIndex::hashOf the key
            quint32 offset; // of the key in text, lowered there
            qint32 rank;
            quint32 length;
        };
        QByteArray text;
        std::vector<Row> rows;
        qint64 malformed = 0;
        QString problem; // empty when the list gave rows

        QByteArrayView key(const Row &row) const { return QByteArrayView(text.constData() + row.offset, row.length); }
    };
    static ParsedList parseList(const ListFile &file);
    // parsed's rows, or false with the reason reported when it gives none.
    static bool usable(const ListFile &file, const ParsedList &parsed, Report &report);
    // The periods a list of that age belongs to, one bit each.
    static int periodsAt(int age);
    // Ids of the list's domains into m_rowIds; unseen names are numbered when adding.
    void numberRows(bool adding, const ParsedList &list);
    void addDaily(ListFile &file, const ParsedList &list, Report &report);
    // Takes a held list out of the given periods.
    void removeDaily(const ParsedList &list, int periods);
    // The same from the ranks held of the day: as it was added, whatever its file holds now.
    void removeHeld(const CDayRanks &ranks, int periods);
    // Takes a held day out of the periods it leaves.
    void leavePeriods(const ListFile &held, int periods, Report &report);
    void addUs(const ListFile &file, const ParsedList &list, Report &report);
    // A new stamp for the list about to be folded in.
    quint16 nextListStamp();

    QString m_folder;
    CDomainIndex m_ids;
    Accumulators m_acc; // by id
    quint16 m_listStamp = 0;
    std::vector<ListFile> m_days;   // the daily lists folded in, newest first
    qint64 m_rows = 0;
    QDate m_newestDay;
    QDate m_newestUsDay;

    std::vector<int> m_rowIds; // reused between lists
};
