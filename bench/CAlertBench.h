#pragma once

#include <QString>

class CBenchReport;

// The alerts after a run's save, at the size a careless or hostile
// alerts.dat reaches (a million group rules), and a mail program that
// floods what it writes back: the time the alerts take and the memory the
// mail costs.
class CAlertBench
{
public:
    // report must outlive this; root is a folder to write the data folder in.
    CAlertBench(CBenchReport &report, const QString &root, int runs, int rules);
    void run();

private:
    QString prepareFolder() const;
    void benchRules(const QString &folder);
    void benchFloodingMail();

    CBenchReport &m_report;
    const QString m_root;
    const int m_runs;
    const int m_rules;
};
