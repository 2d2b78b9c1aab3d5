#include "CDomainDate.h"

CDomainDate::CDomainDate(const QString &domain, const QString &date)
    : m_domain(domain)
    , m_date(date)
{
}

QString CDomainDate::domain(const QString &value)
{
    if (!value.isEmpty())
        m_domain = value;
    return m_domain;
}

QString CDomainDate::date(const QString &value)
{
    if (!value.isEmpty())
        m_date = value;
    return m_date;
}
