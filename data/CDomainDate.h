#pragma once

#include <QString>

// One entry of the per-domain date list: a domain and the date it was last
// assessed on.
class CDomainDate
{
public:
    CDomainDate(const QString &domain, const QString &date);

    // Same rule as the rank record: a non-empty argument replaces the field.
    QString domain(const QString &value = QString());
    QString date(const QString &value = QString());

    const QString &domain() const { return m_domain; }
    const QString &date() const { return m_date; }

private:
    QString m_domain;
    QString m_date;
};
