#include "CRankClock.h"

#include "CRecordDate.h"

#include <QDateTime>

QDate CRankClock::today() const
{
    return m_fixed.isValid() ? m_fixed : QDate::currentDate();
}

QString CRankClock::todayText() const
{
    if (m_fixed.isValid())
        return CRecordDate::text(m_fixed);
    // Asking for the local date reads the time zone each time, and
    // formatting goes through the locale machinery; together they cost more
    // than parsing a page. So the text is kept until the local day it was
    // made for is over.
    thread_local QString text;
    thread_local qint64 validFrom = 0;
    thread_local qint64 validUntil = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now < validFrom || now >= validUntil) {
        const QDate date = QDate::currentDate();
        text = CRecordDate::text(date);
        validFrom = date.startOfDay().toMSecsSinceEpoch();
        validUntil = date.addDays(1).startOfDay().toMSecsSinceEpoch();
    }
    return text;
}
