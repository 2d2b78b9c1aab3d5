#pragma once

#include <QString>

class CBenchReport;
class QDate;

// A month of Chrome's United States top origins as the public cache
// publishes it (gzip, "origin,rank", a million origins in buckets): the time
// to read it into the held months and the memory it is held in; and the
// time of a page with the US bucket taken from those months against the
// same page without them; and a year of such months, as a service holding
// a year of days reads them, with the memory they are held in.
class CCruxBench
{
public:
    // report must outlive this; root is a folder to write the month in.
    CCruxBench(CBenchReport &report, const QString &root, int runs, int origins);
    void run();

private:
    // Writes the list of month into folder: origins of the list's top
    // stay from month to month, a tenth of them (the tail) are new each month.
    QString writeMonth(const QString &folder, const QDate &month, int back) const;
    void benchYear();
    void benchRead(const QString &path);
    void benchPages(const QString &path);
    QString sizeLabel() const;

    CBenchReport &m_report;
    const QString m_root;
    const int m_runs;
    const int m_origins;
};
