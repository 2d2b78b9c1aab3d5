#include "CSiteInfoAddress.h"

QString CSiteInfoAddress::page(const QString &host, const QString &domain)
{
    return QStringLiteral("http://") + host + QStringLiteral("/siteinfo/") + domain;
}

QString CSiteInfoAddress::referer(const QString &host, const QString &domain)
{
    return QStringLiteral("http://") + host + QStringLiteral("/search?q=") + domain
           + QStringLiteral("&r=home_home&p=bigtop");
}
