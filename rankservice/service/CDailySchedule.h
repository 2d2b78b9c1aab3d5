#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// When a once-a-day job is due: at its local time, never before it and
// never twice on one day, whatever a timer's precision. The clock is read by
// the owner and handed in.
class CDailySchedule
{
public:
    explicit CDailySchedule(const QTime &time = {}) : m_time(time) {}

    bool isSet() const { return m_time.isValid(); }
    // Plans the next run after now: today at the time if that is still to
    // come and the job has not run today, else tomorrow.
    QDateTime plan(const QDateTime &now);
    QDateTime due() const { return m_due; }
    // Whether the job is to run at now; a run taken counts for its day.
    bool take(const QDateTime &now);

private:
    QTime m_time;
    QDateTime m_due;
    QDate m_ranOn;
};
