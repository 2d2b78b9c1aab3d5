#include "CDomainIndex.h"

#include <QHashFunctions>

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
    if (m_slots.empty())
        return NotFound;
    return m_slots[slotFor(name, hashOf(name))].id;
}

int CDomainIndex::insert(QByteArrayView name)
{
    const quint32 hash = hashOf(name);
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
    std::vector<Slot> old(m_slots.empty() ? size_t(1024) : 2 * m_slots.size());
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
