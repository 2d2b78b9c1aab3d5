#include "rankservice/lists/CListPlausibility.h"

#include <QString>

#include <cmath>

namespace {

// Spreads a value over all 64 bits (splitmix64's finaliser): the sketch
// reads its registers' index from the top bits and the rest from the bottom.
quint64 spread(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

void CListPlausibility::Sketch::add(quint64 value)
{
    const quint64 h = spread(value);
    const size_t index = size_t(h >> (64 - IndexBits));
    const quint64 rest = (h << IndexBits) | (quint64(1) << (IndexBits - 1)); // never all zero
    const auto rho = quint8(__builtin_clzll(rest) + 1);
    if (rho > m_registers[index])
        m_registers[index] = rho;
}

qint64 CListPlausibility::Sketch::estimate() const
{
    constexpr double m = double(1 << IndexBits);
    double sum = 0;
    int zeros = 0;
    for (const quint8 r : m_registers) {
        sum += std::ldexp(1.0, -int(r));
        zeros += r == 0;
    }
    const double raw = (0.7213 / (1 + 1.079 / m)) * m * m / sum;
    // Few values: counting the empty registers is the closer estimate.
    if (raw <= 2.5 * m && zeros > 0)
        return qint64(std::llround(m * std::log(m / zeros)));
    return qint64(std::llround(raw));
}

void CListPlausibility::add(quint32 nameHash, qint32 rank)
{
    ++m_rows;
    m_names.add(nameHash);
    m_ranks.add(quint64(quint32(rank)) | (quint64(1) << 32));
}

void CListPlausibility::countLines(qint64 lines, qint64 withoutRow, qint64 bytes)
{
    m_lines = lines;
    m_withoutRow = withoutRow;
    m_bytes = bytes;
}

CResult<void> CListPlausibility::verdict(bool complete) const
{
    // A real list has a header line at most; half its lines giving no row
    // is far from any.
    const bool linesJudged = m_bytes >= LinesJudgedFrom || (complete && m_lines >= JudgedFrom);
    if (linesJudged && 2 * m_withoutRow > m_lines)
        return CResult<void>::failure(QStringLiteral("is no plausible ranking: %1 of its first %2 lines are blank or malformed")
                                          .arg(m_withoutRow)
                                          .arg(m_lines));
    if (m_rows < JudgedFrom)
        return CResult<void>::success();
    // A real list repeats a handful of names at most; half is far beyond the
    // sketch's error and far below any real list.
    if (const qint64 names = distinctNames(); 2 * names < m_rows)
        return CResult<void>::failure(
            QStringLiteral("is no plausible ranking: %1 rows name only about %2 distinct domains").arg(m_rows).arg(names));
    if (const qint64 ranks = distinctRanks(); 2 * ranks < m_rows)
        return CResult<void>::failure(
            QStringLiteral("is no plausible ranking: %1 rows give only about %2 distinct ranks").arg(m_rows).arg(ranks));
    return CResult<void>::success();
}
