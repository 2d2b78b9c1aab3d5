#pragma once

#include <QString>

class CAlexaRankData;

// A month (year, month) or a day (year, month, day) of the history, as two-
// and four-character texts compared with the cuts of a record's date.
class CPeriod
{
public:
    CPeriod() = default;
    CPeriod(const QString &year, const QString &month, const QString &day = QString());

    // "2012, Aug" -> 2012 / 08.
    static CPeriod fromMonthLabel(const QString &label);
    // A day item under a month item: "2012, Aug" and "5th" -> 2012 / 08 / 05.
    static CPeriod fromDayLabel(const QString &monthLabel, const QString &dayLabel);

    bool isValid() const { return m_valid; }
    bool hasDay() const { return !m_day.isNull(); }
    QString year() const { return m_year; }
    QString month() const { return m_month; }
    QString day() const { return m_day; }

    // Compares the period's texts with the date's cuts without copying them.
    bool matches(const CAlexaRankData &record) const;

private:
    QString m_year;
    QString m_month;
    QString m_day;
    bool m_valid = false;
};
