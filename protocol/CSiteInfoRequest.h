#pragma once

#include "base/CResult.h"

#include <QByteArrayView>
#include <QDate>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

// The one request the ranking service answers for Sorvane: GET of
// PathPrefix followed by a domain, for today, or with "?date=YYYY-MM-DD"
// for a past day; the page then says which day its figures are as of.
// The client builds the path and reads the day back; the service reads
// the path.
class CSiteInfoRequest
{
public:
    static constexpr QLatin1StringView PathPrefix{"/siteinfo/"};
    static constexpr QLatin1StringView DateField{"date="};
    // The service's state as JSON: its sources, each with the days it holds.
    static constexpr QLatin1StringView StatusPath{"/status"};

    // "/siteinfo/<domain>", or "/siteinfo/<domain>?date=2024-02-29" for a valid day.
    static QString pagePath(const QString &domain, const QDate &day = QDate());
    // The search page sent as the page's referrer.
    static QString refererPath(const QString &domain);

    // The domain a page path asks for (Latin-1, as sent); empty when the
    // path is not PathPrefix followed by one path segment.
    static QString domainOf(QByteArrayView path);
    // A day written YYYY-MM-DD, ASCII digits only.
    static CResult<QDate> readDay(QByteArrayView text);

    // The day a page says its figures are as of; invalid when it does not say.
    static QDate asOf(QStringView page);
};
