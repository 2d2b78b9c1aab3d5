#include "RankPageParser.h"

#include "CFieldText.h"
#include "pageformat/CSiteInfoFormat.h"

#include <QString>
#include <QStringMatcher>

namespace {

using Format = CSiteInfoFormat;

constexpr QLatin1StringView NotAvailable("NA");

// The fixed texts searched for on every page, each prepared for searching
// once rather than converted for every search.
struct Markers
{
    QStringMatcher global{QString(Format::GlobalMarker)};
    QStringMatcher us{QString(Format::UsMarker)};
    QStringMatcher yesterday{QString(Format::YesterdayHeader)};
    QStringMatcher sevenDay{QString(Format::SevenDayHeader)};
    QStringMatcher oneMonth{QString(Format::OneMonthHeader)};
    QStringMatcher threeMonth{QString(Format::ThreeMonthHeader)};
    QStringMatcher cellEnd{QString(Format::CellEnd)};
};

const Markers &markers()
{
    static const Markers instance;
    return instance;
}

// Only digits: toInt() would also take a sign, white space around the digits
// and anything after a NUL character.
bool readsAsRank(const QString &value)
{
    bool ok = false;
    value.toInt(&ok, 10);
    return ok && CFieldText::isWholeNumber(value);
}

// Both ranks skip the one character that follows their marker and run up to
// the next space.
QString rankAfter(QStringView text, const QStringMatcher &marker, bool trim)
{
    const qsizetype at = marker.indexIn(text);
    if (at < 0)
        return NotAvailable;
    const qsizetype start = at + marker.pattern().size() + 1;
    const qsizetype end = text.indexOf(u' ', start);
    QString value = (end < 0 ? text.mid(start) : text.mid(start, end - start)).toString();
    if (trim)
        value = value.trimmed();
    value.remove(u',');
    return readsAsRank(value) ? value : QString(NotAvailable);
}

// Trimming comes before the cell tag is removed, so a space inside the cell
// stays in the value.
QString figureAfter(QStringView text, const QStringMatcher &header, qsizetype limit)
{
    const qsizetype at = header.indexIn(text);
    if (at < 0)
        return NotAvailable;
    const qsizetype start = at + header.pattern().size();
    const qsizetype end = markers().cellEnd.indexIn(text, start);
    QString value = (end < 0 ? text.mid(start) : text.mid(start, end - start)).trimmed().toString();
    value.remove(Format::CellStart);
    value.remove(u',');
    // Markup, quotes and formulas are no figures: stored, they would reach
    // every CSV file and spreadsheet the history goes to.
    return value.size() > limit || !CFieldText::isFigure(value) ? QString(NotAvailable) : value;
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
    const Markers &marker = markers();
    record.globalRank(rankAfter(text, marker.global, false));
    record.usRank(rankAfter(text, marker.us, true));

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

    record.yesterday(figureAfter(section, marker.yesterday, 10));
    record.sevenDay(figureAfter(section, marker.sevenDay, 15));
    record.oneMonth(figureAfter(section, marker.oneMonth, 15));
    record.threeMonth(figureAfter(section, marker.threeMonth, 15));
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
