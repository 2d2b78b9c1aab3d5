#include "watch/CAlertEngine.h"

#include "CAlexaRankData.h"
#include "CMoverRow.h"
#include "CPreviousRecords.h"
#include "CTrendFigure.h"
#include "watch/CAlertRules.h"
#include "watch/CDomainGroups.h"

#include <array>
#include <optional>

QStringList CAlertEngine::check(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run,
                                const CAlertRules &rules, const CDomainGroups &groups)
{
    QStringList lines;
    if (rules.isEmpty() || run.isEmpty())
        return lines;
    const CPreviousRecords previous(history, run);
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
        for (const CAlertRule &rule : rules.rules()) {
            const std::size_t figure = std::size_t(rule.figure());
            if (figure >= std::size_t(CTrendFigure::Count) || !was[figure] || !now[figure] || !rule.appliesTo(domain, groups))
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
