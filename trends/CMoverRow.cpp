#include "CMoverRow.h"

#include "CRankSeries.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <cmath>

CMoverRow CMoverRow::of(const CRankSeries &series)
{
    CMoverRow row;
    row.domain = series.domain();
    for (const CRankSeries::Point &point : series.points()) {
        if (point.gap)
            continue;
        if (!row.valid) {
            row.valid = true;
            row.start = row.best = row.worst = point.value;
        }
        row.newest = point.value;
        row.best = std::min(row.best, point.value);
        row.worst = std::max(row.worst, point.value);
    }
    if (row.valid) {
        row.change = row.start - row.newest;
        row.percent = row.change / row.start * 100.0; // start > 0: a figure that is not positive is a gap
    }
    return row;
}

QStringList CMoverRow::headings()
{
    return {QCoreApplication::translate("CMoverRow", "Domain"), QCoreApplication::translate("CMoverRow", "Newest"),
            QCoreApplication::translate("CMoverRow", "Start"), QCoreApplication::translate("CMoverRow", "Change"),
            QCoreApplication::translate("CMoverRow", "Change %"), QCoreApplication::translate("CMoverRow", "Best"),
            QCoreApplication::translate("CMoverRow", "Worst")};
}

QString CMoverRow::describeChange(double change, double percent)
{
    if (change == 0)
        return QCoreApplication::translate("CMoverRow", "no change");
    const QString size = number(std::abs(change));
    const QString share = QString::number(std::abs(percent), 'f', 1);
    return change > 0 ? QCoreApplication::translate("CMoverRow", "up %1 (%2%)").arg(size, share)
                      : QCoreApplication::translate("CMoverRow", "down %1 (%2%)").arg(size, share);
}

QString CMoverRow::signedPercent(double percent)
{
    return (percent < 0 ? u'-' : u'+') + QString::number(std::abs(percent), 'f', 1) + u'%';
}

QString CMoverRow::number(double value)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return english.toString(qint64(value));
    return english.toString(value, 'g', 6);
}
