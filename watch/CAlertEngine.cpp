#include "watch/CAlertEngine.h"

#include "CAlexaRankData.h"
#include "CMoverRow.h"
#include "CPreviousRecords.h"
#include "CTrendFigure.h"
#include "watch/CAlertRules.h"
#include "watch/CDomainGroups.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <optional>

namespace {

// The rules that can apply to a domain, found by its name and its groups
// rather than by asking every rule: a file may hold a million rules.
class RuleIndex
{
public:
    RuleIndex(const CAlertRules &rules, const CDomainGroups &groups)
        : m_groupsOf(groups.groupsByDomain())
    {
        const QList<CAlertRule> &all = rules.rules();
        for (int i = 0; i < all.size(); ++i) {
            switch (all.at(i).target()) {
            case CAlertRule::Target::Every:
                m_every.append(i);
                break;
            case CAlertRule::Target::Domain:
                m_byDomain[all.at(i).targetName()].append(i);
                break;
            case CAlertRule::Target::Group:
                m_byGroup[all.at(i).targetName()].append(i);
                break;
            }
        }
    }

    // In the order of the file, each rule once (a domain may be listed twice in a group).
    QList<int> rulesFor(const QString &domain) const
    {
        QList<int> found = m_every;
        found += m_byDomain.value(domain);
        for (const QString &group : m_groupsOf.value(domain))
            found += m_byGroup.value(group);
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        return found;
    }

private:
    QHash<QString, QStringList> m_groupsOf;
    QList<int> m_every;
    QHash<QString, QList<int>> m_byDomain;
    QHash<QString, QList<int>> m_byGroup;
};

} // namespace

QStringList CAlertEngine::check(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run,
                                const CAlertRules &rules, const CDomainGroups &groups)
{
    QStringList lines;
    if (rules.isEmpty() || run.isEmpty())
        return lines;
    const CPreviousRecords previous(history, run);
    const RuleIndex index(rules, groups);
    for (const CAlexaRankData &record : run) {
        const CAlexaRankData *before = previous.of(record);
        if (!before)
            continue;
        const QString domain = record.domain();
        // Each figure read once a record, not once a rule: a file may hold a million rules.
        std::array<std::optional<double>, CTrendFigure::Count> was;
        std::array<std::optional<double>, CTrendFigure::Count> now;
        for (int figure = 0; figure < CTrendFigure::Count; ++figure) {
            was[std::size_t(figure)] = CTrendFigure::value(CTrendFigure::text(*before, figure));
            now[std::size_t(figure)] = CTrendFigure::value(CTrendFigure::text(record, figure));
        }
        for (const int i : index.rulesFor(domain)) {
            const CAlertRule &rule = rules.rules().at(i);
            const std::size_t figure = std::size_t(rule.figure());
            if (figure >= std::size_t(CTrendFigure::Count) || !was[figure] || !now[figure])
                continue;
            if (rule.firesFor(*was[figure], *now[figure]))
                lines.append(line(domain, rule.figure(), *was[figure], *now[figure], rule.text()));
        }
    }
    return lines;
}

QString CAlertEngine::line(const QString &domain, int figure, double was, double now, const QString &ruleText)
{
    // As in the movers table, a smaller rank is better: a fall is a gain.
    const QString change = CMoverRow::signedPercent((was - now) / was * 100.0);
    return QStringLiteral("alert: %1 %2 %3 -> %4 (%5), rule %6")
        .arg(domain, CTrendFigure::label(figure), CMoverRow::number(was), CMoverRow::number(now), change, ruleText);
}
