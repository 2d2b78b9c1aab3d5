#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class CAlexaRankData;
class CAlertRules;
class CDomainGroups;

// Holds each record a query run took in against its domain's previous
// record and gives one alert line per rule that fires, for example
// "alert: example.com Global Rank 1,000 -> 850 (+15.0%), rule @mine moves 10%".
// A figure that is "NA", empty or unreadable on either side never fires, nor
// does a domain's first record.
class CAlertEngine
{
public:
    // history holds every record, the run's included.
    static QStringList check(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run,
                             const CAlertRules &rules, const CDomainGroups &groups);
    static QString line(const QString &domain, int figure, double was, double now, const QString &ruleText);
};
