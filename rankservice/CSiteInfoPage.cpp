#include "CSiteInfoPage.h"

#include "CSiteFigures.h"

#include <QString>

namespace {

constexpr QByteArrayView GlobalRankMarker =
    "<img src=\"/images/icons/globe-sm.jpg\" alt=\"Global\" style=\"margin-bottom:-2px;\"/>";
constexpr QByteArrayView UsRankMarker = "alt=\"United States Flag\"/>";

void appendRow(QByteArray &page, QByteArrayView header, int figure)
{
    if (!CSiteFigures::known(figure))
        return;
    page += "<tr><th>";
    page += header;
    page += "</th><td class=\"avg \">";
    page += CSiteInfoPage::withSeparators(figure);
    page += "</td></tr>\n";
}

} // namespace

QByteArray CSiteInfoPage::withSeparators(int number)
{
    QByteArray digits = QByteArray::number(number);
    for (qsizetype i = digits.size() - 3; i > 0 && digits.at(i - 1) != '-'; i -= 3)
        digits.insert(i, ',');
    return digits;
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
        page += AsOfOpening;
        page += asOf.toString(AsOfFormat).toLatin1();
        page += AsOfClosing;
        page += '\n';
    }
    if (!from.list.isEmpty()) {
        page += "<p class=\"attribution\">List: " + from.list.toHtmlEscaped().toUtf8() + ", " + day
            + "; licence: " + from.licence.toHtmlEscaped().toUtf8() + ".</p>\n";
    }
    page += "<div class=\"ranks\">\n";

    if (CSiteFigures::known(figures.globalRank)) {
        page += "<div class=\"rank global\"><span>Global rank</span> ";
        page += GlobalRankMarker;
        page += '\n';
        page += withSeparators(figures.globalRank);
        page += " </div>\n";
    }
    if (CSiteFigures::known(figures.usRank)) {
        page += "<div class=\"rank us\"><span>Rank in United States</span> "
                "<img src=\"/images/icons/flags/us.png\" ";
        page += UsRankMarker;
        page += '\n';
        page += withSeparators(figures.usRank);
        page += " </div>\n";
    }
    if (!figures.any())
        page += "<p class=\"none\">No ranking list held by this service ranks this domain.</p>\n";
    page += "</div>\n";

    page += "<div class=\"tw-table\">\n<p>Traffic rank for ";
    page += name;
    page += ":</p>\n<table class=\"traffic\">\n";
    appendRow(page, "Yesterday", figures.yesterday);
    appendRow(page, "7 day", figures.sevenDay);
    appendRow(page, "1 month", figures.oneMonth);
    appendRow(page, "3 month", figures.threeMonth);
    page += "</table>\n</div>\n";

    page += "<div class=\"tw-table\">\n<p>Estimated percentage of global pageviews on ";
    page += name;
    page += ":</p>\n<p class=\"none\">Ranking lists carry no pageview shares.</p>\n</div>\n";

    page += "<div class=\"tw-table\">\n<p>Estimated percentage of global internet users who visit ";
    page += name;
    page += ":</p>\n<p class=\"none\">Ranking lists carry no reach figures.</p>\n</div>\n";

    page += "<div id=\"bounce\" c=\"\" y=\"b\" class=\"tw-table\">\n<p>Estimated percentage of visits to ";
    page += name;
    page += " consisting of only one pageview:</p>\n<p class=\"none\">Ranking lists carry no "
            "bounce figures.</p>\n</div>\n</body>\n</html>\n";
    return page;
}
