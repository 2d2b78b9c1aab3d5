#pragma once

#include "rankservice/lists/CListSource.h"

#include <QDate>
#include <QList>
#include <QString>

// The days an update of a daily source wants, newest first, and what
// fetching the missing ones costs. The newest RecentDays are all wanted;
// older days only one in every N, those whose number since a fixed epoch
// is a multiple of N, so that the set does not move from one day to the
// next and a daily refresh never fetches a different one.
class CFetchPlan
{
public:
    static constexpr int MaxDays = 730;
    static constexpr int RecentDays = 90; // as many as the longest period a figure covers

    static bool kept(const QDate &day, const QDate &today, int every);
    static QList<QDate> days(const QDate &today, int days, int every);
    // How many days a day may lie after the newest kept list on or before
    // it, where nothing is missing: none within the newest RecentDays,
    // every - 1 past them.
    static int keptGap(const QDate &day, const QDate &today, int every);

    // What a list of the source takes on disk, as the publishers' full
    // lists of a million rows are kept here: an estimate only.
    static qint64 typicalListBytes(CListSource::Kind kind);

    // The line an update says before it starts: the days to fetch of
    // those wanted and their estimated size, from the mean of the lists
    // the folder holds, or the source's typical list without any.
    static QString costLine(const CListSource &source, const QString &folder, int missing, int wanted);
};
