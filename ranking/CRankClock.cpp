#include "CRankClock.h"

#include <QDateTime>

QDate CRankClock::s_fixed;

QDate CRankClock::today()
{
    return s_fixed.isValid() ? s_fixed : QDate::currentDate();
}

QString CRankClock::todayText()
{
    // Asking for the local date reads the time zone each time, and
    // formatting goes through the locale machinery; together they cost more
    // than parsing a page. So the text is kept until the local day it was
    // made for is over (or the fixed date changes).
    thread_local QDate formatted;
    thread_local QString text;
    thread_local qint64 validFrom = 0;
    thread_local qint64 validUntil = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (s_fixed.isValid() ? s_fixed != formatted : (now < validFrom || now >= validUntil)) {
        const QDate date = today();
        text = date.toString(QStringLiteral("dd/MM/yyyy"));
        formatted = date;
        validFrom = date.startOfDay().toMSecsSinceEpoch();
        validUntil = date.addDays(1).startOfDay().toMSecsSinceEpoch();
        if (s_fixed.isValid())
            validUntil = validFrom; // a return to the clock recomputes
    }
    return text;
}

void CRankClock::setFixedToday(const QDate &date)
{
    s_fixed = date;
}
