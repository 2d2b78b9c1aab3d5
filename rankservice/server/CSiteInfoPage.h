#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QStringView>

class QString;
struct CSiteFigures;

// The site-information page about one domain, laid out around the marker
// texts that Sorvane's page reader searches for:
// - each rank directly after its marker, one line feed, then the number with
//   thousands separators and a closing space;
// - the traffic-rank table, one header and one value cell per row, between
//   its heading and the pageviews heading, both naming the domain as asked;
// - after it the reach section, heading and end text only: ranking lists
//   hold no reach data, and nothing after its heading may look like a
//   traffic-rank row, or the reach reading would borrow rank figures.
// A figure without data is left out, so the reader finds no value for it.
class CSiteInfoPage
{
public:
    // domain exactly as the client asked for it: the reader looks for the
    // headings built from that very text.
    // Names the list the figures come from, as its licence asks.
    struct Attribution
    {
        QString list;
        QString licence;
        // The United States rank's list and month, when it comes from a list
        // that ranks in buckets a month at a time.
        QString usList = {};
        QString usLicence = {};
        QDate usMonth = {};
    };


    // asOf: the day the figures are for (left out when invalid); listDay: the
    // newest list on or before it.
    static QByteArray render(const QString &domain, const CSiteFigures &figures, const QDate &listDay,
                             const Attribution &from, const QDate &asOf = {});
    // The same naming no list.
    static QByteArray render(const QString &domain, const CSiteFigures &figures, const QDate &listDay);

    // 1234567 -> "1,234,567"
    static QByteArray withSeparators(int number);
    // "2026-11": how a month is named.
    static QString monthText(const QDate &month);
    // A list that ranks in buckets, named with its month: "Chrome UX Report,
    // top origins in 2026-11, ranked in buckets".
    static QString bucketedList(const QString &title, const QDate &month);
};
