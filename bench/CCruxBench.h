#pragma once

#include <QString>

class CBenchReport;

// A month of Chrome's United States top origins as the public cache
// publishes it (gzip, "origin,rank", a million origins in buckets): the time
// to read it into the held months and the memory it is held in; and the
// time of a page with the US bucket taken from those months against the
// same page without them.
class CCruxBench
{
public:
    // report must outlive this; root is a folder to write the month in.
    CCruxBench(CBenchReport &report, const QString &root, int runs, int origins);
    void run();

private:
    QString writeMonth() const;
    void benchRead(const QString &path);
    void benchPages(const QString &path);
    QString sizeLabel() const;

    CBenchReport &m_report;
    const QString m_root;
    const int m_runs;
    const int m_origins;
};
