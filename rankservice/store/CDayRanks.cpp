#include "rankservice/store/CDayRanks.h"

#include <bit>
#include <cstring>

#include <utility>

#include <cerrno>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t Padding = 8; // a rank is read as one unaligned 64-bit word

struct Header
{
    quint32 bits;
    quint32 reserved;
    quint64 count;
    quint64 words;
};

} // namespace

CDayRanks::Builder::Builder(int domains)
    : m_present((size_t(qMax(domains, 0)) + 63) / 64)
{
}

bool CDayRanks::Builder::add(int id, qint32 rank)
{
    if (id < 0 || size_t(id) >= m_present.size() * 64 || rank <= 0)
        return false;
    quint64 &word = m_present[size_t(id) / 64];
    const quint64 bit = quint64(1) << (id % 64);
    if (word & bit)
        return false;
    word |= bit;
    m_ranks.emplace_back(id, rank);
    m_largest = qMax(m_largest, rank);
    return true;
}

CDayRanks CDayRanks::Builder::finish()
{
    CDayRanks day;
    day.m_present = std::move(m_present);
    day.m_view.count = qsizetype(m_ranks.size());
    day.m_view.bits = quint32(std::bit_width(quint32(m_largest)));
    day.m_before.reserve(day.m_present.size() / WordsPerCount + 1);
    quint32 before = 0;
    for (size_t w = 0; w < day.m_present.size(); ++w) {
        if (w % WordsPerCount == 0)
            day.m_before.push_back(before);
        before += quint32(std::popcount(day.m_present[w]));
    }
    day.m_packed.assign((size_t(day.m_view.count) * day.m_view.bits + 7) / 8 + Padding, 0);
    day.viewOwn(); // placeOf reads through the views
    for (const auto &[id, rank] : m_ranks) {
        const quint64 bitAt = quint64(day.placeOf(id)) * day.m_view.bits;
        quint64 word;
        std::memcpy(&word, day.m_packed.data() + bitAt / 8, sizeof word);
        word |= quint64(quint32(rank)) << (bitAt % 8);
        std::memcpy(day.m_packed.data() + bitAt / 8, &word, sizeof word);
    }
    m_ranks = {};
    m_largest = 0;
    return day;
}

CDayRanks &CDayRanks::operator=(CDayRanks &&other) noexcept
{
    if (this == &other)
        return *this;
    m_present = std::move(other.m_present);
    m_before = std::move(other.m_before);
    m_packed = std::move(other.m_packed);
    m_block = std::move(other.m_block);
    m_file = std::move(other.m_file);
    m_view = std::exchange(other.m_view, Parts());
    // A moved vector keeps its buffer, but say so plainly.
    if (m_block)
        m_view.before = m_before.data();
    else if (!m_file)
        viewOwn();
    return *this;
}

void CDayRanks::viewOwn()
{
    m_view.present = m_present.data();
    m_view.words = m_present.size();
    m_view.before = m_before.data();
    m_view.packed = m_packed.data();
    m_view.packedBytes = m_packed.size();
}

quint64 CDayRanks::packedBytesFor(quint64 count, quint32 bits)
{
    return (count * bits + 7) / 8 + Padding;
}

CDayRanks::Parts CDayRanks::parts() const
{
    return m_view;
}

CDayRanks CDayRanks::reading(const Parts &sizes, std::shared_ptr<const InFile> file)
{
    CDayRanks day;
    day.m_file = std::move(file);
    day.m_view = Parts{nullptr, sizes.words, nullptr, nullptr, sizes.packedBytes, sizes.bits, sizes.count};
    return day;
}

bool CDayRanks::readAt(qint64 offset, void *data, size_t size) const
{
    // A rank file is read a word at a time rather than mapped: what is read
    // stays in the system's page cache, never in the service's memory, and
    // a file cut short under it gives a short read, not a fault.
    char *at = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t got = ::pread(m_file->fd, at, size, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        at += got;
        offset += got;
        size -= size_t(got);
    }
    return true;
}

qsizetype CDayRanks::locateInFile(int id) const
{
    static_assert(WordsPerGroup == WordsPerCount);
    const size_t w = size_t(id) / 64;
    quint64 group[1 + WordsPerGroup] = {};
    if (!readAt(m_file->groups + qint64(w / WordsPerGroup * GroupBytes), group, GroupBytes))
        return -1;
    const quint64 *words = group + 1;
    const size_t at = w % WordsPerGroup;
    if (!(words[at] & (quint64(1) << (id % 64))))
        return -1;
    quint64 place = group[0];
    for (size_t v = 0; v < at; ++v)
        place += quint64(std::popcount(words[v]));
    place += quint64(std::popcount(words[at] & ((quint64(1) << (id % 64)) - 1)));
    return place < quint64(m_view.count) ? qsizetype(place) : -1;
}

bool CDayRanks::eachWordInFile(const std::function<void(size_t, quint64)> &take) const
{
    // A piece at a time: a fold reads every day's presence once.
    constexpr size_t PieceGroups = size_t(1) << 14;
    std::vector<quint64> piece(PieceGroups * (1 + WordsPerGroup));
    const size_t groups = beforeCount(m_view.words);
    for (size_t g = 0; g < groups; g += PieceGroups) {
        const size_t count = qMin(PieceGroups, groups - g);
        if (!readAt(m_file->groups + qint64(g * GroupBytes), piece.data(), count * GroupBytes))
            return false;
        for (size_t i = 0; i < count; ++i) {
            for (size_t v = 0; v < WordsPerGroup && (g + i) * WordsPerGroup + v < m_view.words; ++v)
                take((g + i) * WordsPerGroup + v, piece[i * (1 + WordsPerGroup) + 1 + v]);
        }
    }
    return true;
}

qsizetype CDayRanks::locate(int id) const
{
    if (id < 0 || size_t(id) >= m_view.words * 64)
        return -1;
    if (m_file)
        return locateInFile(id);
    return present(id) ? placeOf(id) : -1;
}

quint64 CDayRanks::packedAt(qsizetype index) const
{
    const quint64 bitAt = quint64(index) * m_view.bits;
    quint64 word = 0;
    if (!m_file)
        std::memcpy(&word, m_view.packed + bitAt / 8, sizeof word);
    else if (!readAt(m_file->packed + qint64(bitAt / 8), &word, sizeof word))
        return 0;
    return (word >> (bitAt % 8)) & ((quint64(1) << m_view.bits) - 1);
}

qsizetype CDayRanks::placeOf(int id) const
{
    const size_t w = size_t(id) / 64;
    qsizetype place = m_view.before[w / WordsPerCount];
    for (size_t v = w - w % WordsPerCount; v < w; ++v)
        place += std::popcount(m_view.present[v]);
    return place + std::popcount(m_view.present[w] & ((quint64(1) << (id % 64)) - 1));
}

bool CDayRanks::present(int id) const
{
    return id >= 0 && size_t(id) < m_view.words * 64 && (m_view.present[size_t(id) / 64] & (quint64(1) << (id % 64)));
}

qint32 CDayRanks::rankOf(int id) const
{
    const qsizetype place = locate(id);
    return place >= 0 ? qint32(packedAt(place)) : 0;
}

void CDayRanks::prefetch(int id) const
{
    if (m_file || id < 0 || size_t(id) >= m_view.words * 64)
        return;
    const size_t w = size_t(id) / 64;
    __builtin_prefetch(m_view.present + w);
    __builtin_prefetch(m_view.before + w / WordsPerCount);
}

qsizetype CDayRanks::placeFetched(int id) const
{
    const qsizetype place = locate(id);
    if (place >= 0 && !m_file)
        __builtin_prefetch(m_view.packed + quint64(place) * m_view.bits / 8);
    return place;
}

void CDayRanks::markPresent(std::vector<quint64> &alive) const
{
    if (alive.size() < m_view.words)
        alive.resize(m_view.words);
    if (!m_file) {
        for (size_t w = 0; w < m_view.words; ++w)
            alive[w] |= m_view.present[w];
        return;
    }
    eachWordInFile([&alive](size_t w, quint64 word) { alive[w] |= word; });
}

size_t CDayRanks::bytes() const
{
    return m_view.words * sizeof(quint64) + beforeCount(m_view.words) * sizeof(quint32) + m_view.packedBytes;
}

QByteArray CDayRanks::toBytes() const
{
    const Header header{m_view.bits, 0, quint64(m_view.count), quint64(m_view.words)};
    QByteArray out;
    out.reserve(qsizetype(sizeof header + m_view.words * sizeof(quint64) + m_view.packedBytes));
    out.append(reinterpret_cast<const char *>(&header), sizeof header);
    if (m_file) {
        const qsizetype words = qsizetype(m_view.words * sizeof(quint64));
        out.resize(out.size() + words + qsizetype(m_view.packedBytes));
        char *at = out.data() + sizeof header;
        const bool whole = eachWordInFile([at](size_t w, quint64 word) { std::memcpy(at + w * sizeof word, &word, sizeof word); });
        if (!whole || !readAt(m_file->packed, at + words, m_view.packedBytes))
            return CDayRanks().toBytes();
        return out;
    }
    out.append(reinterpret_cast<const char *>(m_view.present), qsizetype(m_view.words * sizeof(quint64)));
    out.append(reinterpret_cast<const char *>(m_view.packed), qsizetype(m_view.packedBytes));
    // Ranks never built (no list) still read back: as an empty one.
    if (m_view.packedBytes < Padding)
        out.append(qsizetype(Padding - m_view.packedBytes), '\0');
    return out;
}

qint64 CDayRanks::bytesClaimed(QByteArrayView head, qint64 domains)
{
    static_assert(sizeof(Header) == HeadSize);
    Header header{};
    if (head.size() < HeadSize || domains < 0)
        return -1;
    std::memcpy(&header, head.data(), sizeof header);
    // Presence bits for the domains numbered when the day was built, never
    // more than there are now.
    const quint64 mostWords = (quint64(domains) + 63) / 64;
    if (header.bits > 32 || header.words > mostWords || header.count > header.words * 64)
        return -1;
    return qint64(sizeof header + header.words * sizeof(quint64) + (header.count * header.bits + 7) / 8 + Padding);
}

void CDayRanks::FreeBlock::operator()(quint64 *block) const
{
    if (mapped > 0)
        ::munmap(block, mapped);
    else
        delete[] block;
}

CDayRanks::Block CDayRanks::blockFor(size_t bytes)
{
    constexpr size_t Mapped = size_t(1) << 20;
    const size_t words = (bytes + sizeof(quint64) - 1) / sizeof(quint64);
    if (bytes < Mapped)
        return Block(new quint64[words], FreeBlock{0});
    void *mapped = ::mmap(nullptr, words * sizeof(quint64), PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    return Block(static_cast<quint64 *>(mapped), FreeBlock{words * sizeof(quint64)});
}

bool CDayRanks::fromBlock(Block block, size_t bytes)
{
    static_assert(sizeof(Header) % sizeof(quint64) == 0);
    *this = CDayRanks();
    Header header{};
    if (!block || bytes < sizeof header)
        return false;
    std::memcpy(&header, block.get(), sizeof header);
    const size_t rest = bytes - sizeof header;
    // Every size checked against the bytes there are.
    if (header.bits > 32 || header.words > rest / sizeof(quint64) || header.count > header.words * 64)
        return false;
    const quint64 packed = (header.count * header.bits + 7) / 8 + Padding;
    if (quint64(rest) != header.words * sizeof(quint64) + packed)
        return false;
    CDayRanks day;
    const quint64 *present = block.get() + sizeof header / sizeof(quint64);
    quint64 before = 0;
    day.m_before.reserve(size_t(header.words) / WordsPerCount + 1);
    for (size_t w = 0; w < size_t(header.words); ++w) {
        if (w % WordsPerCount == 0)
            day.m_before.push_back(quint32(before));
        before += quint64(std::popcount(present[w]));
    }
    if (before != header.count)
        return false;
    day.m_view = Parts{present,         size_t(header.words), day.m_before.data(),
                       reinterpret_cast<const quint8 *>(present + header.words),
                       size_t(packed),  header.bits,          qsizetype(header.count)};
    day.m_block = std::move(block);
    *this = std::move(day);
    return true;
}
