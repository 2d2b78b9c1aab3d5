#include "rankservice/service/CDailySchedule.h"

QDateTime CDailySchedule::plan(const QDateTime &now)
{
    QDate day = now.date();
    if (QDateTime(day, m_time) <= now || m_ranOn == day)
        day = day.addDays(1);
    m_due = QDateTime(day, m_time);
    return m_due;
}

bool CDailySchedule::take(const QDateTime &now)
{
    if (!m_due.isValid() || now < m_due || m_ranOn == m_due.date())
        return false;
    m_ranOn = m_due.date();
    return true;
}
