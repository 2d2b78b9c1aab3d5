#include "CRankClock.h"

QDate CRankClock::s_fixed;

QDate CRankClock::today()
{
    return s_fixed.isValid() ? s_fixed : QDate::currentDate();
}

QString CRankClock::todayText()
{
    // Formatting through the locale machinery costs more than parsing a
    // whole page; the text only changes with the date.
    thread_local QDate formatted;
    thread_local QString text;
    const QDate date = today();
    if (date != formatted) {
        text = date.toString(QStringLiteral("dd/MM/yyyy"));
        formatted = date;
    }
    return text;
}

void CRankClock::setFixedToday(const QDate &date)
{
    s_fixed = date;
}
