#pragma once

#include "rankservice/lists/CSnapshotParser.h"
#include "rankservice/store/CDayRanks.h"
#include "rankservice/store/CDomainIndex.h"
#include "rankservice/store/CIndexFold.h"
#include "rankservice/store/CSiteFigures.h"

#include "base/CResult.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The figures of every domain found in a folder of daily ranking lists.
//
// One file per day, the date written YYYY-MM-DD somewhere in its name, plain
// or compressed (see CListReader); a name with "us" as a separate part
// (2024-05-01.us.csv) marks a United States list. Each held list's ranks are
// kept packed (CDayRanks), and a page's figures are counted from them: a
// request costs one hash look-up and a look into each held day, and a newer
// day is folded in without reading the other days again.
class CSnapshotStore
{
public:
    static constexpr int WindowDays = 90; // the longest period a figure covers
    // Days held back from the newest list (--days): at least the longest
    // period, at most two years. Days older than WindowDays are kept in
    // rank files (CRankFile) rather than in memory.
    static constexpr int MaxHeldDays = 730;
    static int heldDaysFor(int days) { return qBound(WindowDays, days, MaxHeldDays); }
    // Rows read of one list at most (--max-rows): the publishers' lists hold
    // a million, and a longer one is read up to this and named.
    static constexpr qint64 DefaultMaxRows = 2000000;
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
        int filesNotNeeded = 0; // older than the days held, or an older United States list
        int filesWithoutDate = 0;
        int filesInFuture = 0; // dated after today: a typo must not become the newest list
        int listsWaiting = 0;  // left for the next fold (MaxFoldedAtOnce)
        QStringList problems;  // one line per skipped file or file with skipped lines
        QSet<QString> wanting; // the skipped files' keys (wantingKey), not to be read again unchanged

        qint64 skippedLines() const { return malformedLines + duplicateLines; }
        QString summary() const;
    };

    struct LoadOptions
    {
        QDate today = latestToday(); // lists dated after it are skipped and reported
        QDate asOf; // when valid, the figures as they were on that day: later lists are left out
        // Called after each list with the lists dealt with so far and in all.
        std::function<void(int done, int total)> progress;
        qint64 maxRows = DefaultMaxRows; // of each list; kept for the days folded in later
        int heldDays = WindowDays; // back from the newest list (heldDaysFor); kept likewise
    };

    // Replaces everything held before with the lists of folder.
    Report load(const QString &folder);
    Report load(const QString &folder, const LoadOptions &options);

    // Folds in the daily lists of folder newer than the newest one held.
    // Reads only those; a held day past every period as of the newest is let
    // go, the others stay as they are. Report::days counts the days added.
    Report addNewer(const QString &folder, const QDate &today = latestToday());

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
    // The newest held day on or before day; invalid when none is.
    QDate newestDayOnOrBefore(const QDate &day) const;
    QDate newestUsDay() const { return m_newestUsDay; }
    QDate oldestDay() const { return m_days.empty() ? QDate() : m_days.back().date; }
    int daysHeld() const { return int(m_days.size()); }
    // Of those, the days kept in rank files.
    int daysOnDisk() const;
    qint64 rowsHeld() const { return m_rows; }
    qsizetype domainCount() const { return idCount() - (m_fold ? m_fold->placeholders() : m_ids->placeholders()); }
    // The folder last loaded.
    QString folder() const { return m_folder; }
    // The most rows read of each list folded in from now on.
    void setMaxRows(qint64 rows) { m_maxRows = rows; }
    qint64 maxRows() const { return m_maxRows; }
    // How many days back from the newest are held from now on (heldDaysFor).
    void setHeldDays(int days) { m_heldDays = heldDaysFor(days); }
    int heldDays() const { return m_heldDays; }

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
    // with rows): its count of distinct domains among the rows read, and
    // whether it had more rows than maxRows, which were not read.
    struct Checked
    {
        qint64 distinct = 0;
        bool capped = false;
    };
    static CResult<Checked> checkList(const QString &path, qint64 maxRows = DefaultMaxRows);

    struct ListFile
    {
        QString path;
        QString name;
        QDate date;
        qint64 rows = 0; // once folded in
        QString listId = {}; // the publisher's, kept in the name
        // Its ranks once folded in; shared by the copies of a store, never changed.
        std::shared_ptr<const CDayRanks> ranks = {};
        // The rank file the ranks are read from, for a day past the
        // newest WindowDays; empty while they are held in memory.
        QString rankFile = {};
        quint64 rankLength = 0;
        quint64 rankStamp = 0;
    };

    // The lists of folder a fold would take in: daily lists of days not held
    // within the window of the newest (newer days, and days that fill a
    // gap), and a United States list newer than the one held. A file found
    // wanting before (its key in wanting, see wantingKey) is not offered
    // again until it changes, nor one modified after settledBefore (it may
    // still be being copied; unsettled says there was one).
    std::vector<ListFile> lacking(const QString &folder, const QDate &today, const QSet<QString> &wanting,
                                         const QDateTime &settledBefore, bool *unsettled = nullptr) const;
    // A new store holding this one's days and those lists, which alone are
    // read (at most MaxFoldedAtOnce of them; more says so in the report):
    // the days past the window are let go, and with them the names no held
    // list names any more, whose numbers the new names take. The held days'
    // ranks are shared, not copied, and so is the index of names where the
    // changes are small: they are kept beside it until takeFolded. Empty
    // when no list could be taken in; each one found wanting is named in the
    // report and its key added to wanting.
    static constexpr int MaxFoldedAtOnce = 8;
    std::optional<CSnapshotStore> foldedWith(const QString &folder, const QDate &today, const QDateTime &settledBefore,
                                             Report &report, QSet<QString> &wanting) const;
    static QString wantingKey(const QString &path);
    // Swaps in grown, which foldedWith made of this store, and makes the
    // fold's changes to the index of names in place, where no other thread
    // reads it any more: a few milliseconds for a day's changes. grown is
    // left holding the days of before, to be freed elsewhere. No one else
    // may read this store meanwhile, nor grown.
    void takeFolded(CSnapshotStore &grown);
    // Makes a fold's changes kept beside the index in place; in a copy
    // of the index if another store shares it.
    void settle() { settledFold(); }

private:
    friend class CStoreCache; // writes and reads the held state as it is

    static constexpr int Periods = 3;
    static constexpr int PeriodDays[Periods] = {7, 30, WindowDays};

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
        QByteArray keys; // each row's key, lowered, one after the other
        std::vector<Row> rows;
        qint64 malformed = 0;
        bool capped = false; // rows past the most read were left out
        QString problem; // empty when the list gave rows

        QByteArrayView key(const Row &row) const { return QByteArrayView(keys.constData() + row.offset, row.length); }
    };
    static ParsedList parseList(const ListFile &file, qint64 maxRows);
    // parsed's rows, or false with the reason reported when it gives none.
    static bool usable(const ListFile &file, const ParsedList &parsed, Report &report);
    // The periods a list of that age belongs to, one bit each.
    static int periodsAt(int age);
    // Ids of the list's domains into m_rowIds, unseen names numbered.
    void numberRows(const ParsedList &list);
    // The list's ranks, each domain's first; duplicates counts the lines
    // that named a domain again.
    std::shared_ptr<const CDayRanks> ranksOf(const ParsedList &list, qint64 *duplicates);
    void addDaily(ListFile &file, const ParsedList &list, Report &report);
    void addUs(const ListFile &file, const ParsedList &list, Report &report);
    // A list read for a fold: each row its name's number (a name this
    // store does not hold is -1 - its number in the fold's own index) and rank.
    struct TakenList
    {
        ListFile file;
        std::vector<std::pair<qint32, qint32>> rows;
        qint64 malformed = 0;
        bool capped = false;
    };
    // The numbers of a fold: which of this store's names a kept list still
    // names, and the number each new name takes (a freed one first).
    struct Numbering
    {
        std::vector<quint64> alive;
        std::vector<qint32> freshIds;
        int total = 0;

        bool isAlive(int id) const { return CDomainIndex::holds(alive, id); }
    };
    std::vector<TakenList> takeLists(const std::vector<ListFile> &files, CDomainIndex &fresh, Report &report,
                                     QSet<QString> &wanting) const;
    CSnapshotStore grownBy(const std::vector<TakenList> &taken) const;
    // A day past the newest WindowDays moves its ranks to a rank
    // file; where no file can be written they stay in memory, the reason
    // named once.
    void keepOnDisk(ListFile &file, Report &report);
    bool pastWindow(const ListFile &file) const { return file.date.daysTo(m_newestDay) >= WindowDays; }
    bool held(const QDate &day) const { return day.daysTo(m_newestDay) < m_heldDays; }
    Numbering numberingOf(const CSnapshotStore &grown, const std::vector<TakenList> &taken, int freshCount) const;
    // The names in the order of their numbers, as setNames and the cache take
    // them: a held name, a new one in a freed number, or a placeholder.
    static QByteArray namesInOrder(const CIndexFold &fold, const CDomainIndex &base);
    void addTaken(CSnapshotStore &grown, const std::vector<TakenList> &taken, const Numbering &numbers,
                  Report &report) const;
    // The figures of the domain numbered id, from held, a day of m_days,
    // counting back over the days after it in m_days.
    CSiteFigures figuresFrom(int id, std::vector<ListFile>::const_iterator held, bool withUs) const;

    int idOf(QByteArrayView key) const;
    int idCount() const { return m_fold ? m_fold->size() : m_ids->size(); }
    // The index, settled and no other store's, to change.
    CDomainIndex &ownIds();
    // Settles the index; the fold made, which holds what it replaced.
    std::shared_ptr<CIndexFold> settledFold();

    QString m_folder;
    // Shared by a store and the one a fold grows of it (see CIndexFold).
    std::shared_ptr<CDomainIndex> m_ids = std::make_shared<CDomainIndex>();
    std::shared_ptr<CIndexFold> m_fold;
    std::shared_ptr<CIndexFold> m_spent; // a fold made here, freed with this store
    std::vector<ListFile> m_days;   // the daily lists folded in, newest first
    qint64 m_rows = 0;
    QDate m_newestDay;
    QDate m_newestUsDay;
    std::shared_ptr<const CDayRanks> m_usRanks; // the newest United States list's
    qint64 m_maxRows = DefaultMaxRows;
    int m_heldDays = WindowDays;
    bool m_inMemoryOnly = false; // no rank file could be written: said once

    std::vector<int> m_rowIds; // reused between lists
};
