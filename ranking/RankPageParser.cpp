#include "RankPageParser.h"

#include "CFieldText.h"

#include <QString>

#include <algorithm>

namespace {

constexpr QLatin1StringView GlobalMarker(
    "<img src=\"/images/icons/globe-sm.jpg\" alt=\"Global\" style=\"margin-bottom:-2px;\"/>");
constexpr QLatin1StringView UsMarker("alt=\"United States Flag\"/>");
constexpr QLatin1StringView ReachStart("<p>Estimated percentage of global internet users who visit ");
constexpr QLatin1StringView ReachEnd(
    "<div id=\"bounce\" c=\"\" y=\"b\" class=\"tw-table\">\n<p>Estimated percentage of visits to ");
constexpr QLatin1StringView TrafficStart("<p>Traffic rank for ");
constexpr QLatin1StringView TrafficEnd("<p>Estimated percentage of global pageviews on ");
constexpr QLatin1StringView HeadingEnd(":</p>");
constexpr QLatin1StringView YesterdayHeader("<th>Yesterday</th>");
constexpr QLatin1StringView SevenDayHeader("<th>7 day</th>");
constexpr QLatin1StringView OneMonthHeader("<th>1 month</th>");
constexpr QLatin1StringView ThreeMonthHeader("<th>3 month</th>");
constexpr QLatin1StringView CellTag("<td class=\"avg \">");
constexpr QLatin1StringView CellEnd("</td>");
constexpr QLatin1StringView NotAvailable("NA");

static_assert(GlobalMarker.size() == 80);
static_assert(UsMarker.size() == 26);
static_assert(ReachStart.size() == 59);
static_assert(ReachEnd.size() == 83);
static_assert(TrafficStart.size() == 20);
static_assert(TrafficEnd.size() == 47);
static_assert(CellTag.size() == 17);

// toInt() overlooks white space around the digits and stops reading at a NUL
// character, so "\n5" and "5\0..." would pass; neither may be stored.
bool readsAsRank(const QString &value)
{
    bool ok = false;
    value.toInt(&ok, 10);
    return ok && std::all_of(value.begin(), value.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || c == u'-' || c == u'+';
           });
}

// Both ranks skip the one character that follows their marker and run up to
// the next space.
QString rankAfter(const QString &text, QLatin1StringView marker, bool trim)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return NotAvailable;
    const qsizetype start = at + marker.size() + 1;
    const qsizetype end = text.indexOf(u' ', start);
    QString value = end < 0 ? text.mid(start) : text.mid(start, end - start);
    if (trim)
        value = value.trimmed();
    value.remove(u',');
    return readsAsRank(value) ? value : QString(NotAvailable);
}

// Trimming comes before the cell tag is removed, so a space inside the cell
// stays in the value.
QString figureAfter(const QString &text, QLatin1StringView header, qsizetype limit)
{
    const qsizetype at = text.indexOf(header);
    if (at < 0)
        return NotAvailable;
    const qsizetype start = at + header.size();
    const qsizetype end = text.indexOf(CellEnd, start);
    QString value = (end < 0 ? text.mid(start) : text.mid(start, end - start)).trimmed();
    value.remove(CellTag);
    value.remove(u',');
    // A control character would split the figure's history line.
    return value.size() > limit || !CFieldText::isPlain(value) ? QString(NotAvailable) : value;
}

} // namespace

CAlexaRankData parseRankPage(const QString &page, const QString &domain, bool rankMode,
                             const CRankClock &clock)
{
    QString text = page;
    text.replace(u'\t', u' ');

    // Storing an empty text leaves a field as it was, so an empty figure
    // stays null in this fresh record.
    CAlexaRankData record;
    record.domain(domain);
    record.date(clock.todayText());
    record.globalRank(rankAfter(text, GlobalMarker, false));
    record.usRank(rankAfter(text, UsMarker, true));

    const QString sectionStart = rankMode ? QString(TrafficStart % domain % HeadingEnd)
                                          : QString(ReachStart % domain % HeadingEnd);
    const QString sectionEnd = rankMode ? QString(TrafficEnd % domain % HeadingEnd)
                                        : QString(ReachEnd);
    const qsizetype from = text.indexOf(sectionStart);
    if (from >= 0)
        text.remove(0, from);
    const qsizetype to = text.indexOf(sectionEnd);
    if (to >= 0)
        text.truncate(to);

    record.yesterday(figureAfter(text, YesterdayHeader, 10));
    record.sevenDay(figureAfter(text, SevenDayHeader, 15));
    record.oneMonth(figureAfter(text, OneMonthHeader, 15));
    record.threeMonth(figureAfter(text, ThreeMonthHeader, 15));
    return record;
}

CAlexaRankData errorRecord(const QString &domain, const CRankClock &clock)
{
    const QString na = NotAvailable;
    CAlexaRankData record;
    record.domain(domain);
    record.date(clock.todayText());
    record.globalRank(na);
    record.usRank(na);
    record.yesterday(na);
    record.sevenDay(na);
    record.oneMonth(na);
    record.threeMonth(na);
    return record;
}
