#pragma once

#include <QDate>
#include <QString>

// Today's date as the records carry it. A default clock reads the system's
// local date; one made with a date always answers that date, so that tests
// depend neither on the clock nor on midnight.
class CRankClock
{
public:
    CRankClock() = default;
    explicit CRankClock(const QDate &fixed) : m_fixed(fixed) {}

    QDate today() const;
    QString todayText() const; // as CRecordDate writes it

private:
    QDate m_fixed;
};
