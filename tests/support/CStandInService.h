#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// What the local ranking service answers, for a loopback server standing
// in for it: dated pages of past days and its /status.
class CStandInService
{
public:
    // A page as of a day (no day for an invalid one): the two ranks and the
    // day outside the markers.
    static QByteArray datedPage(const QDate &asOf, int global);
    // "/siteinfo/<domain>?date=YYYY-MM-DD"
    static QString pathFor(const QString &domain, const QDate &day);
    // The /status of a service holding this many days up to newest, and
    // naming its oldest day when it is valid.
    static QByteArray status(int days, const QDate &newest, const QDate &oldest = QDate());
};
