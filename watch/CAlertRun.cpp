#include "watch/CAlertRun.h"

#include "CAlexaRankData.h"

#include "watch/CAlertEngine.h"
#include "watch/CAlertLog.h"
#include "watch/CAlertMailer.h"
#include "watch/CAlertRules.h"
#include "watch/CDesktopNotifier.h"
#include "watch/CDomainGroups.h"

#include <QCoreApplication>

CAlertRun::Outcome CAlertRun::fire(CDataSession &session, const QList<CAlexaRankData> &history,
                                   const QList<CAlexaRankData> &run, const CAlertOutlets &outlets, const QDateTime &now)
{
    Outcome outcome;
    if (run.isEmpty())
        return outcome;
    const CAlertRules rules = CAlertRules::read(session, outcome.notes);
    if (rules.isEmpty())
        return outcome;
    const CResult<CDomainGroups> groups = CDomainGroups::read(session, outcome.notes);
    if (!groups)
        outcome.notes.append(groups.message());
    outcome.alerts = CAlertEngine::check(history, run, rules, groups ? groups.value() : CDomainGroups());
    if (outcome.alerts.isEmpty())
        return outcome;

    if (const CResult<> logged = CAlertLog::append(session, outcome.alerts, now); !logged)
        outcome.notes.append(logged.message());
    const QString subject = outcome.alerts.size() == 1
                                ? QCoreApplication::translate("CAlertRun", "Sorvane: 1 rank alert")
                                : QCoreApplication::translate("CAlertRun", "Sorvane: %1 rank alerts").arg(outcome.alerts.size());
    tell(subject, outcome.alerts.join(u'\n'), outlets, outcome.notes);
    return outcome;
}

void CAlertRun::tell(const QString &subject, const QString &body, const CAlertOutlets &outlets, QStringList &notes)
{
    if (outlets.notifier) {
        if (const CResult<> shown = outlets.notifier->notify(subject, body); !shown)
            notes.append(shown.message());
    }
    if (outlets.mailer && !outlets.mailTo.isEmpty()) {
        if (const CResult<> sent = outlets.mailer->send(outlets.mailTo, subject, body); !sent)
            notes.append(sent.message());
    }
}
