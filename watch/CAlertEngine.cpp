#include "watch/CAlertEngine.h"

#include "CAlexaRankData.h"
#include "CMoverRow.h"
#include "CPreviousRecords.h"
#include "CTrendFigure.h"
#include "watch/CAlertRules.h"
#include "watch/CDomainGroups.h"

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
        for (const CAlertRule &rule : rules.rules()) {
            if (!rule.appliesTo(domain, groups))
                continue;
            const std::optional<double> was = CTrendFigure::value(CTrendFigure::text(*before, rule.figure()));
            const std::optional<double> now = CTrendFigure::value(CTrendFigure::text(record, rule.figure()));
            if (was && now && rule.firesFor(*was, *now))
                lines.append(line(domain, rule.figure(), *was, *now, rule.text()));
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
