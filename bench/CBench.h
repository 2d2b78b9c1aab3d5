#pragma once

#include "CBenchReport.h"
#include "CFetchLoop.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class CRankdProcess;

// Measures Sorvane on data it generates: start-up, views, table clearing,
// the data files, the page parser, a query run and the ranking service. Each
// figure is run several times and printed with its median and its goal.
class CBench
{
public:
    struct Sizes
    {
        int runs;              // runs of each figure
        int history;           // records of the standard history
        int historyDomains;
        int bigHistory;        // the large start-up
        int bigHistoryDomains;
        int bigRuns;
        int hugeHistory;       // the start-up at the size of years of a long list
        int hugeHistoryDomains;
        int hugeRuns;
        int clearSmallRows;    // second size of the clearing, for its growth
        int queryDomains;
        int snapshotDays;
        int snapshotRows;
        int loadConnections;
        int loadRequestsPerConnection;
        int pageChars;
        int parserRepeats;
    };

    static const Sizes FullSizes;
    static const Sizes QuickSizes; // a smoke pass

    CBench(const Sizes &sizes, const QString &rankd, const QStringList &only);
    ~CBench();
    // 0 when every goal is met, 1 when one is missed, 2 when nothing could be measured.
    int run();

    // Opens the main window on the history in home and prints its start-up
    // time and peak memory: run in a child process so the peak is its own.
    static int runStartupChild(const QString &home);

private:
    using Bound = CBenchReport::Bound;

    bool wanted(QStringView name) const;
    QString label(const char *base, int count) const;
    void prepareHistories();
    void benchFiles();
    void benchStartup();
    // Clicks and domain changes as the user makes them, each followed by the
    // event-loop turn that paints the new rows.
    void benchViews();
    void benchClear();
    void benchBigStartup(int records, int domains, int runs, double goalMs, double goalMB);
    void benchParser();
    void benchService();
    void benchQueryRun(quint16 port, const QStringList &domains);
    void benchLatency(const CRankdProcess &service, const QStringList &domains);
    static void reportFailures(const CFetchLoop::Result &result);

    const Sizes s;
    QString m_rankd;
    QStringList m_only;
    QTemporaryDir m_root;
    QDate m_lastDay;
    QByteArray m_history;
    QString m_home;
    CBenchReport m_report;
    qsizetype m_parsedChars = 0; // keeps the parser's results in use
};
