#pragma once

#include <QDate>
#include <QList>
#include <QStringList>

class CAlexaRankData;

class CBenchReport;

// The history chart on generated histories: opening it for one domain of
// the large history, adding a second domain's line, and drawing twenty
// domains over five years of daily records; and opening the overview of
// every domain of the large history.
class CChartBench
{
public:
    // records and domains: the large history; quick draws fewer days.
    CChartBench(CBenchReport &report, int runs, int records, int domains, QDate lastDay, bool quick);
    void run();

private:
    void benchOpenAndAdd(const QList<CAlexaRankData> &history, const QStringList &names);
    void benchOverview(const QList<CAlexaRankData> &history, const QStringList &names);
    void benchTwentyDomains();

    CBenchReport &m_report;
    const int m_runs;
    const int m_records;
    const int m_domains;
    const QDate m_lastDay;
    const bool m_quick;
};
