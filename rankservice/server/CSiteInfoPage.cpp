#include "rankservice/server/CSiteInfoPage.h"

#include "pageformat/CSiteInfoFormat.h"
#include "rankservice/store/CSiteFigures.h"

#include <QString>

namespace {

using Format = CSiteInfoFormat;

QByteArrayView bytes(QLatin1StringView text)
{
    return QByteArrayView(text.data(), text.size());
}

void appendRow(QByteArray &page, QLatin1StringView header, int figure)
{
    if (!CSiteFigures::known(figure))
        return;
    page += "<tr>";
    page += bytes(header);
    page += bytes(Format::CellStart);
    page += CSiteInfoPage::withSeparators(figure);
    page += bytes(Format::CellEnd);
    page += "</tr>\n";
}

} // namespace

QByteArray CSiteInfoPage::withSeparators(int number)
{
    QByteArray digits = QByteArray::number(number);
    for (qsizetype i = digits.size() - 3; i > 0 && digits.at(i - 1) != '-'; i -= 3)
        digits.insert(i, ',');
    return digits;
}

QString CSiteInfoPage::monthText(const QDate &month)
{
    // By hand: a date pattern is formatted through the calendar, a tenth of a page's time.
    return QString::number(month.year()) + (month.month() < 10 ? QStringLiteral("-0") : QStringLiteral("-"))
        + QString::number(month.month());
}

QString CSiteInfoPage::bucketedList(const QString &title, const QDate &month)
{
    return title + QStringLiteral(", top origins in ") + monthText(month) + QStringLiteral(", ranked in buckets");
}

QByteArray CSiteInfoPage::render(const QString &domain, const CSiteFigures &figures, const QDate &listDay)
{
    return render(domain, figures, listDay, Attribution());
}

QByteArray CSiteInfoPage::render(const QString &domain, const CSiteFigures &figures, const QDate &listDay,
                                 const Attribution &from, const QDate &asOf)
{
    // The headings must carry the name exactly as asked. Names that a list can
    // hold are plain host names, which escaping leaves alone; anything else
    // has no figures to protect.
    const QByteArray name = domain.toHtmlEscaped().toUtf8();
    const QByteArray day = listDay.isValid() ? listDay.toString(Qt::ISODate).toLatin1()
                                             : QByteArray("none");

    QByteArray page;
    page.reserve(2048 + 6 * name.size());
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Site information: ";
    page += name;
    page += "</title>\n</head>\n<body>\n<h1>Site information: ";
    page += name;
    page += "</h1>\n<p class=\"source\">Figures from the daily ranking lists held by this service; "
            "newest list: ";
    page += day;
    page += ".</p>\n";
    if (asOf.isValid()) {
        page += CSiteInfoFormat::AsOfOpening;
        page += asOf.toString(CSiteInfoFormat::AsOfFormat).toLatin1();
        page += CSiteInfoFormat::AsOfClosing;
        page += '\n';
    }
    if (!from.list.isEmpty()) {
        page += "<p class=\"attribution\">List: " + from.list.toHtmlEscaped().toUtf8() + ", " + day
            + "; licence: " + from.licence.toHtmlEscaped().toUtf8() + ".</p>\n";
    }
    if (from.usMonth.isValid()) {
        page += "<p class=\"attribution us\">United States: "
            + bucketedList(from.usList, from.usMonth).toHtmlEscaped().toUtf8() + "; "
            + from.usLicence.toHtmlEscaped().toUtf8() + "</p>\n";
    }
    page += "<div class=\"ranks\">\n";

    if (CSiteFigures::known(figures.globalRank)) {
        page += "<div class=\"rank global\"><span>Global rank</span> ";
        page += bytes(Format::GlobalMarker);
        page += '\n';
        page += withSeparators(figures.globalRank);
        page += " </div>\n";
    }
    if (CSiteFigures::known(figures.usRank)) {
        page += "<div class=\"rank us\"><span>Rank in United States</span> "
                "<img src=\"/images/icons/flags/us.png\" ";
        page += bytes(Format::UsMarker);
        page += '\n';
        page += withSeparators(figures.usRank);
        page += " </div>\n";
    }
    if (!figures.any())
        page += "<p class=\"none\">No ranking list held by this service ranks this domain.</p>\n";
    page += "</div>\n";

    page += "<div class=\"tw-table\">\n";
    page += bytes(Format::TrafficStart);
    page += name;
    page += bytes(Format::HeadingEnd);
    page += "\n<table class=\"traffic\">\n";
    appendRow(page, Format::YesterdayHeader, figures.yesterday);
    appendRow(page, Format::SevenDayHeader, figures.sevenDay);
    appendRow(page, Format::OneMonthHeader, figures.oneMonth);
    appendRow(page, Format::ThreeMonthHeader, figures.threeMonth);
    page += "</table>\n</div>\n";

    page += "<div class=\"tw-table\">\n";
    page += bytes(Format::TrafficEnd);
    page += name;
    page += bytes(Format::HeadingEnd);
    page += "\n<p class=\"none\">Ranking lists carry no pageview shares.</p>\n</div>\n";

    page += "<div class=\"tw-table\">\n";
    page += bytes(Format::ReachStart);
    page += name;
    page += bytes(Format::HeadingEnd);
    page += "\n<p class=\"none\">Ranking lists carry no reach figures.</p>\n</div>\n";

    page += bytes(Format::ReachEnd);
    page += name;
    page += " consisting of only one pageview:</p>\n<p class=\"none\">Ranking lists carry no "
            "bounce figures.</p>\n</div>\n</body>\n</html>\n";
    return page;
}
