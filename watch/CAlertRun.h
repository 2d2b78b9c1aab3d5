#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class CAlexaRankData;
class CAlertMailer;
class CDataSession;
class CDesktopNotifier;

// What a query run's alerts go to besides its own output: alerts.log in
// the data folder always; a desktop notification and a mail when given.
struct CAlertOutlets
{
    const CDesktopNotifier *notifier = nullptr;
    const CAlertMailer *mailer = nullptr;
    QString mailTo; // no mail when empty
};

// Fires the alerts of one query run, once: reads the rules and the groups
// through the data session, checks the run's records and hands every alert on.
// Nothing here is fatal: what went wrong comes back as notes.
class CAlertRun
{
public:
    struct Outcome
    {
        QStringList alerts;
        QStringList notes;
    };

    // history holds every record, the run's included. A run that took
    // nothing in fires nothing.
    static Outcome fire(CDataSession &session, const QList<CAlexaRankData> &history,
                        const QList<CAlexaRankData> &run, const CAlertOutlets &outlets, const QDateTime &now);

    // The desktop and the mail: one notification and one mail for all of them.
    static void tell(const QString &subject, const QString &body, const CAlertOutlets &outlets, QStringList &notes);
};
