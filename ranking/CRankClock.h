#pragma once

#include <QDate>
#include <QString>

// Today's date as the records carry it. Tests fix it so that nothing depends
// on the clock or on midnight.
class CRankClock
{
public:
    static QDate today();
    static QString todayText(); // "dd/MM/yyyy"

    static void setFixedToday(const QDate &date); // an invalid date returns to the clock

private:
    static QDate s_fixed;
};
