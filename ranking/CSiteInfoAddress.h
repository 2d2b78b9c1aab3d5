#pragma once

#include <QString>

// The two addresses a query for one domain is made of, on the ranking
// service's host: the site-information page fetched, and the search page
// sent as its referrer.
class CSiteInfoAddress
{
public:
    static QString page(const QString &host, const QString &domain);
    static QString referer(const QString &host, const QString &domain);
};
