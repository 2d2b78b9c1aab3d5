#pragma once

#include <QString>

class CAlexaRankData;

// The month and day labels of the history tree: "2012, Aug" for a month,
// "1st" ... "31st" for its days, and the conversions between them and the
// two-digit texts of a record's date.
class CHistoryCalendar
{
public:
    // "08" or "8" -> "Aug"; a month outside 1 to 12 has no name (empty text).
    static QString monthName(const QString &month);
    // "Aug" -> "08"; every unknown text, "Dec" included, is December.
    static QString monthNumber(const QString &name);
    // Days of the month a label such as "2012, Feb" names; unknown names have 31.
    static int daysInMonth(const QString &label);
    static QString ordinalSuffix(int day);
    static QString monthLabel(const CAlexaRankData &record);
    static QString dayLabel(int day);
};
