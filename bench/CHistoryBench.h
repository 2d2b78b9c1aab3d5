#pragma once

#include <QDate>
#include <QString>

class CBenchReport;

// Exporting a large history (CSV and JSON) and importing each export into
// an empty history: the time, and the peak memory as a multiple of the
// memory the history itself takes. Each run is a process of its own, so
// that its peak is its alone.
class CHistoryBench
{
public:
    CHistoryBench(CBenchReport &report, const QString &root, int runs, int records, int domains, QDate lastDay);
    void run();

    // The child's side: "export <db.dat> <format> <file>" or "import <file>".
    // Prints "history-child <ms> <history MB> <peak MB over the start>".
    static int runChild(const QStringList &arguments);

private:
    bool runChildProcess(const QStringList &arguments, double *ms, double *ratio, double *historyMb);
    void measure(const QString &name, const QStringList &arguments, double goalMs);

    CBenchReport &m_report;
    const QString m_root;
    const int m_runs;
    const int m_records;
    const int m_domains;
    const QDate m_lastDay;
};
