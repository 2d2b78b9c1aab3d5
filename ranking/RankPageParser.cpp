#include "RankPageParser.h"

#include "CFieldText.h"
#include "pageformat/CSiteInfoFormat.h"

#include <QString>

#include <algorithm>

namespace {

using Format = CSiteInfoFormat;

constexpr QLatin1StringView NotAvailable("NA");

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
QString rankAfter(QStringView text, QLatin1StringView marker, bool trim)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return NotAvailable;
    const qsizetype start = at + marker.size() + 1;
    const qsizetype end = text.indexOf(u' ', start);
    QString value = (end < 0 ? text.mid(start) : text.mid(start, end - start)).toString();
    if (trim)
        value = value.trimmed();
    value.remove(u',');
    return readsAsRank(value) ? value : QString(NotAvailable);
}

// Trimming comes before the cell tag is removed, so a space inside the cell
// stays in the value.
QString figureAfter(QStringView text, QLatin1StringView header, qsizetype limit)
{
    const qsizetype at = text.indexOf(header);
    if (at < 0)
        return NotAvailable;
    const qsizetype start = at + header.size();
    const qsizetype end = text.indexOf(Format::CellEnd, start);
    QString value = (end < 0 ? text.mid(start) : text.mid(start, end - start)).trimmed().toString();
    value.remove(Format::CellStart);
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
    record.globalRank(rankAfter(text, Format::GlobalMarker, false));
    record.usRank(rankAfter(text, Format::UsMarker, true));

    const QString sectionStart = rankMode ? QString(Format::TrafficStart % domain % Format::HeadingEnd)
                                          : QString(Format::ReachStart % domain % Format::HeadingEnd);
    const QString sectionEnd = rankMode ? QString(Format::TrafficEnd % domain % Format::HeadingEnd)
                                        : QString(Format::ReachEnd);
    QStringView section = text;
    const qsizetype from = section.indexOf(sectionStart);
    if (from >= 0)
        section = section.sliced(from);
    const qsizetype to = section.indexOf(sectionEnd);
    if (to >= 0)
        section.truncate(to);

    record.yesterday(figureAfter(section, Format::YesterdayHeader, 10));
    record.sevenDay(figureAfter(section, Format::SevenDayHeader, 15));
    record.oneMonth(figureAfter(section, Format::OneMonthHeader, 15));
    record.threeMonth(figureAfter(section, Format::ThreeMonthHeader, 15));
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
