#pragma once

#include "CBenchReport.h"

#include <QDate>
#include <QString>
#include <QStringList>

// A year of past days filled for 50 domains against sorvane-rankd on
// loopback: `sorvane --backfill` as the command runs it, and the window's
// backfill and query run on a large history, each with the longest step of
// its event loop (its responsiveness), the last steps (merge, save, view)
// included.
class CBackfillBench
{
public:
    struct Sizes
    {
        int runs;
        int days;        // asked for
        int domains;
        int listDays;    // generated lists the service holds
        int listRows;
        int history;     // records the window holds before the backfill
    };
    static const Sizes FullSizes;
    static const Sizes QuickSizes;

    CBackfillBench(CBenchReport &report, QString root, QString rankd, const Sizes &sizes);
    void run();

private:
    // What one run in the window measured; no records when it did not start.
    struct WindowRun
    {
        double totalMs = 0;
        double longestMs = 0;
        double endMs = 0; // the longest step from the end of the fetches on
        qsizetype records = 0;
    };

    void benchCommand(quint16 port, const QStringList &domains);
    void benchWindow(quint16 port, const QStringList &domains);
    WindowRun runInWindow(quint16 port, const QStringList &domains, bool backfill);

    CBenchReport &m_report;
    QString m_root;
    QString m_rankd;
    Sizes s;
    QDate m_lastDay;
};
