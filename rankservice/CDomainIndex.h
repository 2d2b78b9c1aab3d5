#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// Numbers domain names 0, 1, 2, ... in the order they are first seen.
//
// Loading looks up every line of every list, millions of times, so the table
// is one flat array of (hash, number) pairs with the names in one block: a
// look-up touches the array once and the name only when the hashes agree,
// where a general hash of byte arrays chases pointers for every key it
// compares. 90 compressed lists of 1M rows load in 22-27 s with it, 95-110 s
// with QHash<QByteArray, int> (Release, 2 cores); prefetching the slots
// ahead of the look-ups gained nothing measurable there and was dropped.
class CDomainIndex
{
public:
    static constexpr int NotFound = -1;

    static quint32 hashOf(QByteArrayView name);

    int find(QByteArrayView name) const;
    // The number of name, given a new one if unseen.
    int insert(QByteArrayView name);
    int size() const { return m_size; }
    void clear();

private:
    // The name's place is kept in the slot too, so that checking a match
    // costs one more memory access, not two.
    struct Slot
    {
        quint32 hash = 0;
        qint32 id = NotFound;
        quint32 offset = 0;
        quint32 length = 0;
    };

    // The slot holding name, or the empty slot where it belongs.
    size_t slotFor(QByteArrayView name, quint32 hash) const;
    void grow();

    std::vector<Slot> m_slots; // size a power of two, at most half full
    QByteArray m_names;
    int m_size = 0;
};
