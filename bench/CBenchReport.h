#pragma once

#include <QList>
#include <QString>

class QElapsedTimer;

// Prints one line per figure: the median of its runs and, for a goal, the
// ratio of that median to the goal (measured / goal) and whether it is met.
class CBenchReport
{
public:
    enum class Bound { AtMost, AtLeast };

    static double median(QList<double> samples);
    // One line on standard output, flushed at once so progress shows.
    static void say(const QString &line);
    static double msOf(const QElapsedTimer &clock);

    // A figure without a goal, shown for comparison.
    void figure(const QString &name, const QList<double> &samples, const QString &unit);
    // Returns whether the goal is met.
    bool goal(const QString &name, const QList<double> &samples, const QString &unit, Bound bound,
              double target);
    // A goal on a value derived from other figures (already a single number).
    bool goal(const QString &name, double value, const QString &unit, Bound bound, double target,
              const QString &note);

    int goals() const { return m_goals; }
    int missed() const { return m_missed; }
    QStringList missedNames() const { return m_missedNames; }

private:
    static QString number(double value);
    static QString spread(const QList<double> &samples);

    int m_goals = 0;
    int m_missed = 0;
    QStringList m_missedNames;
};
