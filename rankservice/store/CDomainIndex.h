#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

// Numbers domain names 0, 1, 2, ... in the order they are first seen.
//
// Loading looks up every line of every list, millions of times, so the table
// is one flat array of (hash, number) pairs with the names in one block: a
// look-up touches the array once and the name only when the hashes agree,
// where a general hash of byte arrays chases pointers for every key it
// compares. 90 compressed lists of 1M rows load in 22-27 s with it, 95-110 s
// with QHash<QByteArray, int> (Release, 2 cores). Even so, waiting for the
// slot's memory was 60% of a load; see prefetch().
class CDomainIndex
{
public:
    static constexpr int NotFound = -1;

    static quint32 hashOf(QByteArrayView name);

    int find(QByteArrayView name) const;
    // The number of name, given a new one if unseen.
    int insert(QByteArrayView name);
    // The same with hash = hashOf(name) worked out before, on another thread.
    int find(QByteArrayView name, quint32 hash) const;
    int insert(QByteArrayView name, quint32 hash);
    // The numbers given, free ones included.
    int size() const { return m_size; }
    // A number no held list uses is free until a new name takes it; in a
    // block of names in order (setNames) it stands as a placeholder no
    // request can ask for (a domain holds no '/').
    static QByteArray placeholder(int id) { return QByteArray::number(id).prepend('/'); }
    int placeholders() const { return int(m_free.size()); }
    const std::vector<qint32> &freeNumbers() const { return m_free; } // rising
    void clear();
    // The names, each after a byte giving its length, and the bytes of
    // names let go (garbage) among them.
    const QByteArray &names() const { return m_names; }
    qsizetype garbage() const { return m_garbage; }
    // Numbers the names of a block in number order again; false (and an
    // empty index) when the block is not one, or names a name twice.
    bool setNames(QByteArray names);
    // Hands each number in rising order to visit with its name, or with an
    // empty one when it is free: what setNames takes, and a cache keeps.
    void forEachInOrder(const std::function<void(int id, QByteArrayView name)> &visit) const;
    // The bytes of that block.
    qint64 sizeInOrder() const;
    // Appends to such a block the entry of number id: name, or its
    // placeholder when empty.
    static void appendInOrder(QByteArray &block, int id, QByteArrayView name);

    // A name's place in the table, to let it go (release).
    struct Entry
    {
        quint32 hash;
        qint32 id;
        quint32 bytes; // of the block: its length byte and name
    };
    // Whether alive, one bit a number, holds id.
    static bool holds(const std::vector<quint64> &alive, int id)
    {
        const size_t word = size_t(id) / 64;
        return word < alive.size() && ((alive[word] >> (id % 64)) & 1);
    }
    // The names whose numbers alive leaves out.
    std::vector<Entry> entriesNotIn(const std::vector<quint64> &alive) const;
    // The table holds that many names without growing.
    bool roomFor(qint64 names) const { return 10 * names <= 7 * qint64(m_slots.size()); }
    // The names alive keeps, in the order of the table's slots, each after
    // its length byte: a block without garbage, built while others read
    // the index, for takeBlock.
    QByteArray blockOf(const std::vector<quint64> &alive) const;

    // In place, for changes small beside the index, worked out before so
    // that little is left to do here. The block of blockOf (from this table
    // as it is) becomes the names; the one of before is left in block, to be
    // freed elsewhere. Then the names of entries go, their bytes garbage
    // until the next such block; the names of added, numbered in its order,
    // take ids (their hashes given); and the numbers end at size, those
    // of free (rising) free.
    void takeBlock(QByteArray &block, const std::vector<quint64> &alive);
    void release(const std::vector<Entry> &entries);
    void insertAll(const CDomainIndex &added, const std::vector<quint32> &hashes, const std::vector<qint32> &ids);
    void setFree(std::vector<qint32> free, int size);
    // Starts fetching the slot where a name of that hash lives. Looking up a
    // list's names one after the other waits on memory for nearly every
    // slot; with the hashes worked out first, the slots of names a few rows
    // ahead are asked for while the current one is compared.
    void prefetch(quint32 hash) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
    }
    // The second step, for a slot asked for a while before: starts fetching
    // the name it points to, which the look-up compares.
    void prefetchName(quint32 hash) const
    {
        if (m_slots.empty())
            return;
        const Slot &slot = m_slots[hash & (m_slots.size() - 1)];
        if (slot.hash == hash && slot.id != NotFound)
            __builtin_prefetch(m_names.constData() + slot.offset);
    }

private:
    // The name's place is kept in the slot too, so that checking a match
    // costs one more memory access, not two; its length is the byte before it.
    // Twelve bytes, not sixteen: the table of 5.7M names is 100 MB, not 134.
    struct Slot
    {
        quint32 hash = 0;
        qint32 id = NotFound;
        quint32 offset = 0;
    };

    // Big tables in huge pages where the system gives them: nearly every
    // look-up lands on a page of its own, and small pages miss the TLB too.
    template<typename T>
    struct HugePageAllocator
    {
        using value_type = T;
        HugePageAllocator() = default;
        template<typename U>
        HugePageAllocator(const HugePageAllocator<U> &) noexcept {}
        T *allocate(size_t n);
        void deallocate(T *p, size_t) noexcept;
        friend bool operator==(const HugePageAllocator &, const HugePageAllocator &) { return true; }
    };

    // The slot holding name, or the empty slot where it belongs.
    size_t slotFor(QByteArrayView name, quint32 hash) const;
    void grow();
    // Empties slot i, moving later ones of its run back so that every name
    // stays reachable from its home slot.
    void erase(size_t i);

    // A power of two in size, at most 70% full: linear probing stays short
    // there, and a table twice the size would be a fifth of the service's memory.
    std::vector<Slot, HugePageAllocator<Slot>> m_slots;
    QByteArray m_names;
    int m_size = 0;
    std::vector<qint32> m_free; // rising
    qsizetype m_garbage = 0;
};
