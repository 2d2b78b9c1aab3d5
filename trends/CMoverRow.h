#pragma once

#include <QString>
#include <QStringList>

class CRankSeries;

// One line of the movers table: how a domain's figure moved over a period.
// A smaller rank is better, so a fall in the figure is a move up: change
// and percent are positive for an improvement.
class CMoverRow
{
public:
    static CMoverRow of(const CRankSeries &series);

    QString domain;
    bool valid = false;  // false without a single value in the period
    double newest = 0;   // the last value of the period
    double start = 0;    // the first value of the period
    double change = 0;   // start - newest: positions gained
    double percent = 0;  // change relative to start, in percent
    double best = 0;     // smallest value
    double worst = 0;    // largest value

    // The table's column titles, in the order of the fields above.
    static QStringList headings();
    // "up 1,234 (12.5%)", "down 3 (0.4%)", "no change", or empty when invalid.
    static QString describeChange(double change, double percent);
    // A percent with its sign and one decimal: "+15.0%", "-2.5%".
    static QString signedPercent(double percent);
    // A figure as shown in the table: whole numbers grouped, others with decimals.
    static QString number(double value);
};
