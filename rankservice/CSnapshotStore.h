#pragma once

#include "CDomainIndex.h"
#include "CSiteFigures.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

// The figures of every domain found in a folder of daily ranking lists.
//
// One file per day, the date written YYYY-MM-DD somewhere in its name; a
// name with "us" as a separate part (2024-05-01.us.csv) marks a United
// States list. Only what a page can show is kept: the figures are computed
// once while loading, so a request costs one hash look-up.
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
        QStringList problems;  // one line per skipped file or file with skipped lines

        qint64 skippedLines() const { return malformedLines + duplicateLines; }
        QString summary() const;
    };

    // Replaces everything held before with the lists of folder.
    Report load(const QString &folder);

    // By the name as a client asks for it: case and a leading "www." do not matter.
    CSiteFigures figures(QStringView domain) const;

    QDate newestDay() const { return m_newestDay; }
    QDate newestUsDay() const { return m_newestUsDay; }
    qsizetype domainCount() const { return qsizetype(m_figures.size()); }

    // Lower case, a leading "www." dropped; the key under which lists and
    // requests meet.
    static QByteArray normalized(QByteArrayView domain);

private:
    CDomainIndex m_ids;
    std::vector<CSiteFigures> m_figures; // by id
    QDate m_newestDay;
    QDate m_newestUsDay;
};
