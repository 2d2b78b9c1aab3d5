#include "CBenchReport.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

void printLine(const QString &line)
{
    std::fputs(qPrintable(line), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

double CBenchReport::median(QList<double> samples)
{
    if (samples.isEmpty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const qsizetype n = samples.size();
    return n % 2 ? samples.at(n / 2) : (samples.at(n / 2 - 1) + samples.at(n / 2)) / 2;
}

QString CBenchReport::number(double value)
{
    if (std::isnan(value))
        return QStringLiteral("n/a");
    const double magnitude = std::fabs(value);
    const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
    return QString::number(value, 'f', decimals);
}

QString CBenchReport::spread(const QList<double> &samples)
{
    if (samples.isEmpty())
        return QStringLiteral("[no runs]");
    const auto [low, high] = std::minmax_element(samples.cbegin(), samples.cend());
    return QStringLiteral("[%1 runs, %2..%3]").arg(samples.size()).arg(number(*low), number(*high));
}

void CBenchReport::figure(const QString &name, const QList<double> &samples, const QString &unit)
{
    printLine(QStringLiteral("%1  median %2 %3  (no goal)  %4")
                  .arg(name.leftJustified(22), number(median(samples)), unit, spread(samples)));
}

bool CBenchReport::goal(const QString &name, const QList<double> &samples, const QString &unit, Bound bound,
                        double target)
{
    return goal(name, median(samples), unit, bound, target, spread(samples));
}

bool CBenchReport::goal(const QString &name, double value, const QString &unit, Bound bound, double target,
                        const QString &note)
{
    const bool met = !std::isnan(value) && (bound == Bound::AtMost ? value <= target : value >= target);
    ++m_goals;
    if (!met) {
        ++m_missed;
        m_missedNames.append(name);
    }
    const QString unitText = unit.isEmpty() ? QString() : u' ' + unit;
    printLine(QStringLiteral("%1  median %2%3  goal %4 %5%3  ratio %6  %7  %8")
                  .arg(name.leftJustified(22), number(value), unitText,
                       bound == Bound::AtMost ? QStringLiteral("<=") : QStringLiteral(">="), number(target),
                       number(value / target), met ? QStringLiteral("OK") : QStringLiteral("MISSED"), note));
    return met;
}

void CBenchReport::say(const QString &line)
{
    std::fputs(qPrintable(line), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

double CBenchReport::msOf(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}
