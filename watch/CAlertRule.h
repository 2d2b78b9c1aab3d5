#pragma once

#include "base/CResult.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// One line of alerts.dat, "target,figure,condition,value": whom it watches
// (a domain, "@group" or "*"), which figure, and when it fires against the
// domain's previous record: "moves" by N places or N% either way,
// "enters-top" N (was above N, now N or better) or "leaves-top" N.
class CAlertRule
{
public:
    enum class Target { Domain, Group, Every };
    enum class Condition { Moves, EntersTop, LeavesTop };

    // Fails with the reason the line is no rule.
    static CResult<CAlertRule> parse(QStringView line);

    // The figure names of the rules and the command line, in CTrendFigure
    // order: "global", "us", "yesterday", "7day", "1month", "3month".
    static QStringList figureNames();
    // The CTrendFigure of a name, or -1.
    static int figureNamed(QStringView name);

    // Whether a figure that was `was` and is now `now` fires the rule.
    bool firesFor(double was, double now) const;
    // How the alert line names the rule: "@mine moves 10%".
    QString text() const;

    Target target() const { return m_target; }
    // The domain or the group it watches; empty for every domain.
    QString targetName() const { return m_targetName; }
    int figure() const { return m_figure; }
    Condition condition() const { return m_condition; }

private:
    Target m_target = Target::Every;
    QString m_targetName; // the domain or the group
    int m_figure = 0;
    Condition m_condition = Condition::Moves;
    double m_value = 0;
    bool m_percent = false;
    QString m_targetText;
    QString m_conditionText;
    QString m_valueText;
};
