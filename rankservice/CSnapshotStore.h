#pragma once

#include "CDomainIndex.h"
#include "CSiteFigures.h"
#include "CSnapshotParser.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
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
        QDate today = QDate::currentDate(); // lists dated after it are skipped and reported
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

    QDate newestDay() const { return m_newestDay; }
    QDate newestUsDay() const { return m_newestUsDay; }
    int daysHeld() const { return int(m_days.size()); }
    qint64 rowsHeld() const { return m_rows; }
    qsizetype domainCount() const { return qsizetype(m_acc.size()); }
    // The folder last loaded, where the lists of past days are read again.
    QString folder() const { return m_folder; }

    // Lower case, a leading "www." dropped; the key under which lists and
    // requests meet.
    static QByteArray normalized(QByteArrayView domain);

    struct ListFile
    {
        QString path;
        QString name;
        QDate date;
        qint64 rows = 0; // once folded in
    };

private:
    // Running sums while lists are folded in; three periods of 7, 30 and 90 days.
    struct Accumulator
    {
        static constexpr int Periods = 3;

        qint64 sum[Periods] = {};
        int count[Periods] = {};
        int newest = 0;
        qint32 newestDay = 0; // Julian day that newest belongs to
        int us = 0;
        qint32 seenOnDay = 0; // catches a domain listed twice in one list
    };
    static constexpr int PeriodDays[Accumulator::Periods] = {7, 30, WindowDays};

    static std::vector<ListFile> findLists(const QString &folder, Report &report,
                                           std::vector<ListFile> *usLists, const QDate &today,
                                           const QDate &asOf = {});
    // One list read, parsed and keyed: everything that needs no held state,
    // so that it can run on a worker while the previous list is folded in.
    struct ParsedList
    {
        QByteArray text;
        QByteArray lowered; // keys of names written with capitals; views point into it
        std::vector<CSnapshotParser::Row> rows; // domain is the normalized key
        std::vector<quint32> hashes;            // CDomainIndex::hashOf of each key
        qint64 malformed = 0;
        QString problem; // empty when the list gave rows
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
    void addUs(const ListFile &file, const ParsedList &list, Report &report);

    QString m_folder;
    CDomainIndex m_ids;
    std::vector<Accumulator> m_acc; // by id
    std::vector<ListFile> m_days;   // the daily lists folded in, newest first
    qint64 m_rows = 0;
    QDate m_newestDay;
    QDate m_newestUsDay;

    std::vector<int> m_rowIds; // reused between lists
};
