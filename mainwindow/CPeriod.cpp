#include "CPeriod.h"

#include "CAlexaRankData.h"
#include "CHistoryCalendar.h"

CPeriod::CPeriod(const QString &year, const QString &month, const QString &day)
    : m_year(year)
    , m_month(month)
    , m_day(day)
    , m_valid(true)
{
}

CPeriod CPeriod::fromMonthLabel(const QString &label)
{
    return CPeriod(label.left(4), CHistoryCalendar::monthNumber(label.mid(6, 3)));
}

CPeriod CPeriod::fromDayLabel(const QString &monthLabel, const QString &dayLabel)
{
    const CPeriod month = fromMonthLabel(monthLabel);
    const QString day = dayLabel.size() == 4 ? dayLabel.left(2) : QStringLiteral("0") + dayLabel.left(1);
    return CPeriod(month.m_year, month.m_month, day);
}

bool CPeriod::matches(const CAlexaRankData &record) const
{
    if (!m_valid)
        return false;
    const QString date = record.date();
    const QStringView view(date);
    // The same cuts as the record's year(), month() and day().
    return view.mid(6, 4) == m_year && view.mid(3, 2) == m_month
           && (!hasDay() || view.mid(0, 2) == m_day);
}
