#include "rankservice/store/CDomainIndex.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

// Names are short: a word at a time inline beats a call to memcmp.
bool sameBytes(const char *a, const char *b, size_t size)
{
    while (size >= 8) {
        quint64 x;
        quint64 y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y)
            return false;
        a += 8;
        b += 8;
        size -= 8;
    }
    while (size > 0) {
        if (*a++ != *b++)
            return false;
        --size;
    }
    return true;
}

} // namespace

template<typename T>
T *CDomainIndex::HugePageAllocator<T>::allocate(size_t n)
{
    constexpr size_t HugePage = size_t(2) << 20;
    const size_t bytes = n * sizeof(T);
    // Advised before the vector's first write, so that the pages come huge.
    const bool huge = bytes >= HugePage;
    void *memory = huge ? std::aligned_alloc(HugePage, (bytes + HugePage - 1) / HugePage * HugePage)
                        : std::malloc(bytes);
    if (!memory)
        throw std::bad_alloc();
    if (huge)
        ::madvise(memory, bytes, MADV_HUGEPAGE);
    return static_cast<T *>(memory);
}

template<typename T>
void CDomainIndex::HugePageAllocator<T>::deallocate(T *p, size_t) noexcept
{
    std::free(p);
}

quint32 CDomainIndex::hashOf(QByteArrayView name)
{
    // Names are short: a word at a time with a multiply is several times
    // quicker than qHashBits on them, where the hash was 40% of a load.
    // Seeded per process, so that no list can be made to collide on purpose.
    static const quint64 seed = quint64(size_t(QHashSeed::globalSeed())) | 1;
    constexpr quint64 K = 0x9E3779B97F4A7C15ull;
    const char *p = name.data();
    qsizetype left = name.size();
    quint64 h = seed ^ (quint64(left) * K);
    while (left >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * K;
        h ^= h >> 29;
        p += 8;
        left -= 8;
    }
    if (left > 0) {
        // The last bytes in two loads, not a copy of a byte at a time into
        // a word: reading back those byte stores stalled half of the hash.
        quint64 word;
        if (left >= 4) {
            quint32 low;
            quint32 high;
            std::memcpy(&low, p, 4);
            std::memcpy(&high, p + left - 4, 4);
            word = low | quint64(high) << 32;
        } else {
            word = quint8(p[0]) | quint64(quint8(p[left / 2])) << 8 | quint64(quint8(p[left - 1])) << 16;
        }
        h = (h ^ word) * K;
        h ^= h >> 29;
    }
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return quint32(h);
}

size_t CDomainIndex::slotFor(QByteArrayView name, quint32 hash) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot &slot = m_slots[i];
        if (slot.id == NotFound)
            return i;
        if (slot.hash == hash) {
            const char *stored = m_names.constData() + slot.offset;
            if (quint8(stored[0]) == name.size() && sameBytes(stored + 1, name.data(), size_t(name.size())))
                return i;
        }
    }
}

int CDomainIndex::find(QByteArrayView name) const
{
    return find(name, hashOf(name));
}

int CDomainIndex::find(QByteArrayView name, quint32 hash) const
{
    if (m_slots.empty())
        return NotFound;
    return m_slots[slotFor(name, hash)].id;
}

int CDomainIndex::insert(QByteArrayView name)
{
    return insert(name, hashOf(name));
}

int CDomainIndex::insert(QByteArrayView name, quint32 hash)
{
    // Names longer than a byte can count are no host names; the parser refuses them.
    Q_ASSERT(name.size() <= 255);
    if (10 * size_t(m_size + 1) > 7 * m_slots.size())
        grow();
    Slot &slot = m_slots[slotFor(name, hash)];
    if (slot.id == NotFound) {
        slot = Slot{hash, m_size++, quint32(m_names.size())};
        m_names.append(char(quint8(name.size())));
        m_names.append(name);
    }
    return slot.id;
}

bool CDomainIndex::setNames(QByteArray names)
{
    clear();
    // Hashes first, so that the slots of names a few ahead are fetched
    // while one is placed. A placeholder frees its number and is garbage.
    std::vector<std::pair<quint32, quint32>> found; // offset in names, hash
    std::vector<qint32> free;
    qsizetype garbage = 0;
    for (qsizetype at = 0; at < names.size();) {
        const qsizetype length = quint8(names[at]);
        if (length == 0 || at + 1 + length > names.size() || at > qsizetype(UINT32_MAX)
            || found.size() >= size_t(INT32_MAX))
            return false;
        if (names[at + 1] == '/') {
            free.push_back(qint32(found.size()));
            found.emplace_back(quint32(at), 0);
            garbage += 1 + length;
        } else {
            found.emplace_back(quint32(at), hashOf(QByteArrayView(names.constData() + at + 1, length)));
        }
        at += 1 + length;
    }
    m_names = std::move(names);
    // The table at its final size at once: growing it step by step cleared
    // twice its memory for nothing.
    size_t tableSize = 1024;
    while (10 * (found.size() - free.size()) > 7 * tableSize)
        tableSize *= 2;
    m_slots = decltype(m_slots)(tableSize);
    constexpr size_t Ahead = 16;
    size_t nextFree = 0;
    for (size_t i = 0; i < found.size(); ++i) {
        if (nextFree < free.size() && size_t(free[nextFree]) == i) {
            ++nextFree;
            continue;
        }
        if (i + Ahead < found.size())
            prefetch(found[i + Ahead].second);
        const quint32 at = found[i].first;
        const QByteArrayView name(m_names.constData() + at + 1, quint8(m_names[at]));
        Slot &slot = m_slots[slotFor(name, found[i].second)];
        if (slot.id != NotFound) {
            clear();
            return false;
        }
        slot = Slot{found[i].second, qint32(i), at};
    }
    m_size = int(found.size());
    m_free = std::move(free);
    m_garbage = garbage;
    return true;
}

void CDomainIndex::forEachInOrder(const std::function<void(int id, QByteArrayView name)> &visit) const
{
    // The block is in no order once names were let go and added in place.
    constexpr quint32 None = UINT32_MAX;
    std::vector<quint32> offsets(size_t(m_size), None);
    for (const Slot &slot : m_slots) {
        if (slot.id != NotFound)
            offsets[size_t(slot.id)] = slot.offset;
    }
    for (int id = 0; id < m_size; ++id) {
        const quint32 at = offsets[size_t(id)];
        visit(id, at == None ? QByteArrayView() : QByteArrayView(m_names.constData() + at + 1, quint8(m_names[at])));
    }
}

void CDomainIndex::appendInOrder(QByteArray &block, int id, QByteArrayView name)
{
    const QByteArray free = name.isEmpty() ? placeholder(id) : QByteArray();
    if (!free.isEmpty())
        name = free;
    block.append(char(quint8(name.size())));
    block.append(name);
}

qint64 CDomainIndex::sizeInOrder() const
{
    qint64 bytes = m_names.size() - m_garbage;
    for (const qint32 id : m_free)
        bytes += 1 + placeholder(id).size();
    return bytes;
}

std::vector<CDomainIndex::Entry> CDomainIndex::entriesNotIn(const std::vector<quint64> &alive) const
{
    std::vector<Entry> entries;
    for (const Slot &slot : m_slots) {
        if (slot.id == NotFound)
            continue;
        if (!holds(alive, slot.id))
            entries.push_back(Entry{slot.hash, slot.id, 1 + quint32(quint8(m_names[slot.offset]))});
    }
    return entries;
}

QByteArray CDomainIndex::blockOf(const std::vector<quint64> &alive) const
{
    QByteArray block;
    block.reserve(m_names.size() - m_garbage);
    for (const Slot &slot : m_slots) {
        if (slot.id != NotFound && holds(alive, slot.id))
            block.append(m_names.constData() + slot.offset, 1 + quint8(m_names[slot.offset]));
    }
    return block;
}

void CDomainIndex::takeBlock(QByteArray &block, const std::vector<quint64> &alive)
{
    // One pass over the table and the block, both in order: tens of
    // milliseconds for millions of names, where building a table anew took
    // seconds and a second table's memory.
    const char *const names = block.constData();
    quint32 at = 0;
    for (Slot &slot : m_slots) {
        if (slot.id == NotFound || !holds(alive, slot.id))
            continue;
        slot.offset = at;
        at += 1 + quint8(names[at]);
    }
    m_names.swap(block);
    m_garbage = 0;
}

void CDomainIndex::erase(size_t i)
{
    const size_t mask = m_slots.size() - 1;
    for (size_t j = (i + 1) & mask; m_slots[j].id != NotFound; j = (j + 1) & mask) {
        // A name whose home lies cyclically in (i, j] is still reached
        // from it; any other would be cut off by the hole at i.
        const size_t home = m_slots[j].hash & mask;
        const bool reached = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (!reached) {
            m_slots[i] = m_slots[j];
            i = j;
        }
    }
    m_slots[i] = Slot{};
}

void CDomainIndex::release(const std::vector<Entry> &entries)
{
    if (m_slots.empty())
        return;
    // Done on the serving thread: the slots of names a few ahead are
    // fetched while one is let go.
    constexpr size_t Ahead = 16;
    const size_t mask = m_slots.size() - 1;
    for (size_t k = 0; k < entries.size(); ++k) {
        if (k + Ahead < entries.size())
            prefetch(entries[k + Ahead].hash);
        const Entry &entry = entries[k];
        size_t i = entry.hash & mask;
        while (m_slots[i].id != NotFound && m_slots[i].id != entry.id)
            i = (i + 1) & mask;
        if (m_slots[i].id == NotFound)
            continue; // not held: nothing to let go
        m_garbage += entry.bytes;
        erase(i);
    }
}

void CDomainIndex::insertAll(const CDomainIndex &added, const std::vector<quint32> &hashes,
                             const std::vector<qint32> &ids)
{
    const qint64 held = qint64(m_size) - qint64(m_free.size());
    constexpr size_t Ahead = 16;
    qsizetype at = 0;
    for (size_t n = 0; n < ids.size() && at < added.m_names.size(); ++n) {
        // The fold checks for room first (roomFor): growing here is slow.
        if (!roomFor(held + qint64(n) + 1))
            grow();
        if (n + Ahead < hashes.size())
            prefetch(hashes[n + Ahead]);
        const QByteArrayView name(added.m_names.constData() + at + 1, quint8(added.m_names[at]));
        at += 1 + name.size();
        Slot &slot = m_slots[slotFor(name, hashes[n])];
        if (slot.id != NotFound)
            continue; // held already: cannot happen, the names added are new
        Q_ASSERT(m_names.size() < qsizetype(UINT32_MAX));
        slot = Slot{hashes[n], ids[n], quint32(m_names.size())};
        m_names.append(char(quint8(name.size())));
        m_names.append(name);
    }
}

void CDomainIndex::setFree(std::vector<qint32> free, int size)
{
    m_free = std::move(free);
    m_size = qMax(m_size, size);
}

void CDomainIndex::grow()
{
    decltype(m_slots) old(m_slots.empty() ? size_t(1024) : 2 * m_slots.size());
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (slot.id == NotFound)
            continue;
        size_t i = slot.hash & mask;
        while (m_slots[i].id != NotFound)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

void CDomainIndex::clear()
{
    m_slots.clear();
    m_names.clear();
    m_size = 0;
    m_free.clear();
    m_garbage = 0;
}

template struct CDomainIndex::HugePageAllocator<CDomainIndex::Slot>;
