#include "COverviewRow.h"

#include <QCoreApplication>

std::optional<double> COverviewRow::number(int column) const
{
    switch (column) {
    case GlobalColumn:
        return global;
    case ChangeColumn:
        return change;
    case PercentColumn:
        return percent;
    case Change7Column:
        return change7;
    case Change30Column:
        return change30;
    case UsColumn:
        return us;
    case Best90Column:
        return best90;
    case Worst90Column:
        return worst90;
    default:
        return std::nullopt;
    }
}

QStringList COverviewRow::headings()
{
    return {QCoreApplication::translate("COverviewRow", "Domain"),
            QCoreApplication::translate("COverviewRow", "Groups"),
            QCoreApplication::translate("COverviewRow", "Date"),
            QCoreApplication::translate("COverviewRow", "Global Rank"),
            QCoreApplication::translate("COverviewRow", "Change"),
            QCoreApplication::translate("COverviewRow", "Change %"),
            QCoreApplication::translate("COverviewRow", "7 Days"),
            QCoreApplication::translate("COverviewRow", "30 Days"),
            QCoreApplication::translate("COverviewRow", "US Rank"),
            QCoreApplication::translate("COverviewRow", "Best 90 Days"),
            QCoreApplication::translate("COverviewRow", "Worst 90 Days")};
}
