#include "CDomainColours.h"

#include <algorithm>
#include <array>

namespace {

// Far enough apart to tell two dozen lines from each other.
constexpr std::array<QRgb, CDomainColours::Count> palette = {
    0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b, 0xe377c2, 0x7f7f7f,
    0xbcbd22, 0x17becf, 0x393b79, 0xe7ba52, 0x637939, 0xad494a, 0x6baed6, 0xfd8d3c,
    0x74c476, 0x9e9ac8, 0x843c39, 0x3182bd, 0xa55194, 0x31a354, 0xde9ed6, 0x000000,
};

} // namespace

CDomainColours::CDomainColours(const QStringList &domains)
{
    // In sorted order, so that the list's own order does not matter.
    QStringList names = domains;
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::array<bool, Count> taken{};
    int free = Count;
    for (const QString &name : std::as_const(names)) {
        int slot = slotOf(name);
        while (free > 0 && taken[std::size_t(slot)])
            slot = (slot + 1) % Count;
        if (!taken[std::size_t(slot)]) {
            taken[std::size_t(slot)] = true;
            --free;
        }
        m_slots.insert(name, slot);
    }
}

QColor CDomainColours::of(const QString &domain) const
{
    return colour(m_slots.value(domain, slotOf(domain)));
}

QColor CDomainColours::colour(int index)
{
    return QColor(palette[std::size_t(((index % Count) + Count) % Count)]);
}

int CDomainColours::slotOf(const QString &domain)
{
    // FNV-1a
    quint32 hash = 2166136261u;
    for (const QChar c : domain) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return int(hash % Count);
}
