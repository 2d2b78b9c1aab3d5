#include "watch/CAlertRule.h"

#include "CDomainName.h"
#include "CTrendFigure.h"
#include "watch/CDomainGroups.h"

#include <QCoreApplication>

#include <cmath>

namespace {

constexpr int FieldCount = 4;

QString tr(const char *text)
{
    return QCoreApplication::translate("CAlertRule", text);
}

} // namespace

QStringList CAlertRule::figureNames()
{
    QStringList names;
    for (int figure = 0; figure < CTrendFigure::Count; ++figure)
        names.append(CTrendFigure::ruleName(figure));
    return names;
}

int CAlertRule::figureNamed(QStringView name)
{
    return CTrendFigure::figureNamed(name);
}

CResult<CAlertRule> CAlertRule::parse(QStringView line)
{
    using Result = CResult<CAlertRule>;
    const QList<QStringView> fields = line.split(u',');
    if (fields.size() != FieldCount)
        return Result::failure(tr("not \"target,figure,condition,value\""));
    CAlertRule rule;
    rule.m_targetText = fields.at(0).trimmed().toString();
    const QString figure = fields.at(1).trimmed().toString();
    rule.m_conditionText = fields.at(2).trimmed().toString();
    rule.m_valueText = fields.at(3).trimmed().toString();

    if (rule.m_targetText == u"*") {
        rule.m_target = Target::Every;
    } else if (rule.m_targetText.startsWith(u'@')) {
        rule.m_target = Target::Group;
        rule.m_targetName = rule.m_targetText.mid(1);
        if (!CDomainGroups::isGroupName(rule.m_targetName))
            return Result::failure(tr("\"%1\" is no group name").arg(rule.m_targetName));
    } else {
        rule.m_target = Target::Domain;
        rule.m_targetName = rule.m_targetText;
        if (rule.m_targetName.isEmpty() || CDomainName::problemOf(rule.m_targetName) != CDomainName::Problem::None)
            return Result::failure(tr("\"%1\" is no domain, @group or *").arg(rule.m_targetText));
    }

    rule.m_figure = figureNamed(figure);
    if (rule.m_figure < 0)
        return Result::failure(tr("unknown figure \"%1\" (one of %2)").arg(figure, figureNames().join(u'|')));

    if (rule.m_conditionText == u"moves")
        rule.m_condition = Condition::Moves;
    else if (rule.m_conditionText == u"enters-top")
        rule.m_condition = Condition::EntersTop;
    else if (rule.m_conditionText == u"leaves-top")
        rule.m_condition = Condition::LeavesTop;
    else
        return Result::failure(tr("unknown condition \"%1\" (moves, enters-top or leaves-top)").arg(rule.m_conditionText));

    QStringView value = rule.m_valueText;
    rule.m_percent = value.endsWith(u'%');
    if (rule.m_percent)
        value.chop(1);
    bool ok = false;
    rule.m_value = value.toDouble(&ok);
    const bool whole = ok && rule.m_value == std::floor(rule.m_value) && !value.contains(u'.');
    if (!ok || !std::isfinite(rule.m_value) || rule.m_value <= 0
        || (rule.m_condition != Condition::Moves && (rule.m_percent || !whole)))
        return Result::failure(rule.m_condition == Condition::Moves
                                   ? tr("\"%1\" is no move (N places or N%)").arg(rule.m_valueText)
                                   : tr("\"%1\" is no place (a whole number above 0)").arg(rule.m_valueText));
    return Result::success(std::move(rule));
}

bool CAlertRule::firesFor(double was, double now) const
{
    switch (m_condition) {
    case Condition::Moves: {
        const double move = std::abs(was - now);
        // Multiplied out, so that 150 of 1,000 is exactly 15%.
        return move > 0 && (m_percent ? move * 100.0 >= m_value * was : move >= m_value);
    }
    case Condition::EntersTop:
        return was > m_value && now <= m_value;
    case Condition::LeavesTop:
        return was <= m_value && now > m_value;
    }
    return false;
}

QString CAlertRule::text() const
{
    return m_targetText + u' ' + m_conditionText + u' ' + m_valueText;
}
