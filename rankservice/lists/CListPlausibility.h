#pragma once

#include "base/CResult.h"

#include <QtGlobal>

#include <array>

// Tells a ranking from a list that only looks like one, row by row as it is
// read: a real ranking names each domain once and gives each rank once, so
// its distinct names and ranks are nearly as many as its rows. Both are
// counted approximately (HyperLogLog, about 2% off) in a few kilobytes,
// whatever the list's size, so a list of one repeated line is refused long
// before it fills the memory.
class CListPlausibility
{
public:
    // Fewer rows are too few to judge (test lists and hand-made ones).
    static constexpr qint64 JudgedFrom = 1000;
    // Lines that give no row are judged once this much text is read (or at
    // the end, from JudgedFrom lines on): a file of blank or broken lines is
    // refused from its first megabyte, whatever its size.
    static constexpr qint64 LinesJudgedFrom = 1024 * 1024;

    void add(quint32 nameHash, qint32 rank);
    // The lines read so far, those of them that gave no row (blank, broken
    // or a header), and the bytes of text they took.
    void countLines(qint64 lines, qint64 withoutRow, qint64 bytes);

    qint64 rows() const { return m_rows; }
    qint64 distinctNames() const { return m_names.estimate(); }
    qint64 distinctRanks() const { return m_ranks.estimate(); }

    // Why the rows so far are no plausible ranking; complete once the
    // whole list is read.
    CResult<void> verdict(bool complete = false) const;

private:
    class Sketch
    {
    public:
        void add(quint64 value);
        qint64 estimate() const;

    private:
        static constexpr int IndexBits = 12;
        std::array<quint8, 1 << IndexBits> m_registers{};
    };

    Sketch m_names;
    Sketch m_ranks;
    qint64 m_rows = 0;
    qint64 m_lines = 0;
    qint64 m_withoutRow = 0;
    qint64 m_bytes = 0;
};
