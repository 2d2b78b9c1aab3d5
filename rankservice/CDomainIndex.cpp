#include "CDomainIndex.h"

#include <QHashFunctions>

#include <cstdlib>
#include <new>

#include <sys/mman.h>

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
    const size_t h = qHashBits(name.data(), size_t(name.size()), QHashSeed::globalSeed());
    return quint32(h ^ (quint64(h) >> 32));
}

size_t CDomainIndex::slotFor(QByteArrayView name, quint32 hash) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot &slot = m_slots[i];
        if (slot.id == NotFound
            || (slot.hash == hash && slot.length == quint32(name.size())
                && QByteArrayView(m_names.constData() + slot.offset, slot.length) == name))
            return i;
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
    if (2 * size_t(m_size + 1) > m_slots.size())
        grow();
    Slot &slot = m_slots[slotFor(name, hash)];
    if (slot.id == NotFound) {
        slot = Slot{hash, m_size++, quint32(m_names.size()), quint32(name.size())};
        m_names.append(name);
    }
    return slot.id;
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
}

template struct CDomainIndex::HugePageAllocator<CDomainIndex::Slot>;
