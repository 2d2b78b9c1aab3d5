#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Where one domain of the list stands: its newest record's global and US
// rank, how the global rank moved against earlier records, and its range
// over the last days. A smaller rank is better, so a change is positive for
// an improvement (old rank minus new rank), as in the movers table.
class COverviewRow
{
public:
    enum Column {
        DomainColumn,
        GroupsColumn,
        DateColumn,
        GlobalColumn,
        ChangeColumn,
        PercentColumn,
        Change7Column,
        Change30Column,
        UsColumn,
        Best90Column,
        Worst90Column,
        ColumnCount
    };

    QString domain;
    QStringList groups;
    QDate date; // of the newest record; invalid when the domain has none
    std::optional<double> global;
    std::optional<double> change;  // against the previous record
    std::optional<double> percent; // change relative to the previous rank
    std::optional<double> change7; // against the newest record 7 days or more before
    std::optional<double> change30;
    std::optional<double> us;
    std::optional<double> best90; // over the 90 days up to the newest record
    std::optional<double> worst90;
    QList<std::pair<QDate, double>> last90; // the global ranks of those days, in date order

    bool hasRecord() const { return date.isValid(); }
    // The figure of a numeric column; nothing for "NA", for nothing to
    // compare with and for the text columns.
    std::optional<double> number(int column) const;

    // The window's column titles, in column order.
    static QStringList headings();
};
