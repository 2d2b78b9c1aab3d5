#include "CTrendPeriod.h"

#include "CRecordDate.h"

#include <QCoreApplication>

CTrendPeriod::CTrendPeriod(QDate from, QDate to)
    : m_from(from)
    , m_to(to)
{
    if (m_from.isValid() && m_to.isValid() && m_to < m_from)
        std::swap(m_from, m_to);
}

CTrendPeriod CTrendPeriod::fromTexts(const QString &year, const QString &month, const QString &day)
{
    bool yearOk = false;
    bool monthOk = false;
    const int y = year.toInt(&yearOk);
    const int m = month.toInt(&monthOk);
    const QDate first(y, m, 1);
    if (!yearOk || !monthOk || !first.isValid())
        return all();
    if (day.isEmpty())
        return CTrendPeriod(first, first.addDays(first.daysInMonth() - 1));
    bool dayOk = false;
    const QDate only(y, m, day.toInt(&dayOk));
    if (!dayOk || !only.isValid())
        return all();
    return CTrendPeriod(only, only);
}

bool CTrendPeriod::contains(QDate date) const
{
    if (!date.isValid())
        return false;
    return (!m_from.isValid() || date >= m_from) && (!m_to.isValid() || date <= m_to);
}

QString CTrendPeriod::label() const
{
    if (isAll())
        return QCoreApplication::translate("CTrendPeriod", "All history");
    if (m_from == m_to)
        return CRecordDate::text(m_from);
    return QCoreApplication::translate("CTrendPeriod", "%1 to %2")
        .arg(m_from.isValid() ? CRecordDate::text(m_from) : QCoreApplication::translate("CTrendPeriod", "start"),
             m_to.isValid() ? CRecordDate::text(m_to) : QCoreApplication::translate("CTrendPeriod", "end"));
}
