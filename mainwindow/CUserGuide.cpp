#include "CUserGuide.h"

#include "CTrendFigure.h"
#include "base/CVersion.h"

#include <QCoreApplication>
#include <QStringList>

QString CUserGuide::version()
{
    return QStringLiteral(SORVANE_VERSION);
}

QString CUserGuide::aboutTitle()
{
    return QCoreApplication::translate("CUserGuide", "About Sorvane");
}

QString CUserGuide::aboutText()
{
    return QCoreApplication::translate(
               "CUserGuide",
               "<h3>Sorvane %1</h3>"
               "<p>Keeps a list of internet domains and a browsable history of their "
               "traffic-ranking figures.</p>"
               "<p>Copyright &copy; 2026 The Sorvane developers.<br>"
               "Sorvane is free software under the MIT licence; it comes with no warranty.</p>"
               "<p><b>Where the figures come from.</b> Sorvane asks a ranking service for them. "
               "It was written for the Alexa web-ranking service, which has been retired; "
               "it now asks its own local service, sorvane-rankd, which computes them from "
               "the daily top-sites lists in its lists folder. Each such list stays under "
               "the licence and terms of the one who published it, and so do the figures "
               "derived from it: read those terms before you share them. The sample lists "
               "that sorvane-rankd generates are made up and carry Sorvane's own licence.</p>"
               "<p>Sorvane uses the Qt toolkit under the GNU LGPL version 3 "
               "(see Help &rarr; About Qt).</p>")
        .arg(version().toHtmlEscaped());
}

QString CUserGuide::columnToolTip(int column)
{
    switch (column) {
    case 0:
        return QCoreApplication::translate("CUserGuide", "The domain the figures are for");
    case 1:
        return QCoreApplication::translate("CUserGuide",
                                           "The domain's traffic rank among all sites worldwide "
                                           "(1 is the most visited)");
    case 2:
        return CTrendFigure::note(CTrendFigure::UsRank);
    case 3:
        return QCoreApplication::translate("CUserGuide",
                                           "The domain's traffic rank yesterday; with Alexa Data \u2192 Rank "
                                           "unchecked, its reach: the percentage of internet users who "
                                           "visited it");
    case 4:
        return QCoreApplication::translate("CUserGuide",
                                           "The domain's traffic rank over the last 7 days; with Alexa "
                                           "Data \u2192 Rank unchecked, its reach over them");
    case 5:
        return QCoreApplication::translate("CUserGuide",
                                           "The domain's traffic rank over the last month; with Alexa "
                                           "Data \u2192 Rank unchecked, its reach over it");
    case 6:
        return QCoreApplication::translate("CUserGuide",
                                           "The domain's traffic rank over the last 3 months; with Alexa "
                                           "Data \u2192 Rank unchecked, its reach over them");
    case 7:
        return QCoreApplication::translate("CUserGuide", "The day the figures were fetched");
    default:
        return QString();
    }
}

QString CUserGuide::firstStartHint(int domainCount)
{
    if (domainCount <= 0)
        return QCoreApplication::translate("CUserGuide",
                                           "No domains yet: add them with Manage Domains (Ctrl+M) or File \u2192 Import "
                                           "Urls (Ctrl+I), then press Perform Query (F5) to fetch their figures.");
    if (domainCount == 1)
        return QCoreApplication::translate(
            "CUserGuide", "No history yet: press Perform Query to fetch today's figures for 1 domain.");
    return QCoreApplication::translate(
               "CUserGuide", "No history yet: press Perform Query to fetch today's figures for %1 domains.")
        .arg(domainCount);
}
