#pragma once

#include "CBenchReport.h"

#include <QString>

// Measures the service on lists as they are published: daily top lists of
// a million rows, compressed (zip and gzip, generated here). Prints the time
// and peak memory of sorvane-rankd loading the whole window, and the time of
// folding in one more day, which must not read the other days again.
class CListLoadBench
{
public:
    struct Sizes
    {
        int days;
        int rows;
        int runs;
    };

    static const Sizes FullSizes;
    static const Sizes QuickSizes;

    // report must outlive this; root is a folder to generate the lists in.
    CListLoadBench(CBenchReport &report, const QString &root, const QString &rankd, const Sizes &sizes);

    void run();

private:
    // Writes the list of the day back days before the newest; returns its file name.
    QString writeDay(const QString &folder, int back) const;
    void benchServiceLoad(const QString &folder);
    void benchAddDay(const QString &folder);

    CBenchReport &m_report;
    QString m_root;
    QString m_rankd;
    Sizes m_sizes;
};
