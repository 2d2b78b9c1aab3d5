#include "CRankClock.h"

QDate CRankClock::s_fixed;

QDate CRankClock::today()
{
    return s_fixed.isValid() ? s_fixed : QDate::currentDate();
}

QString CRankClock::todayText()
{
    return today().toString(QStringLiteral("dd/MM/yyyy"));
}

void CRankClock::setFixedToday(const QDate &date)
{
    s_fixed = date;
}
