#pragma once

#include "rankservice/store/CDomainIndex.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// A fold's changes to a domain index, kept beside it: the index is read by
// the serving thread while the fold is worked out, so no one changes it
// then, and a second index of millions of names would double the memory.
// Once no one else reads the index, applyTo makes the changes in place.
class CIndexFold
{
public:
    // base's names whose numbers alive (one bit each) leaves out go; the
    // names of added, numbered in its order, take ids (rising); the numbers
    // end at size.
    CIndexFold(const CDomainIndex &base, std::vector<quint64> alive, CDomainIndex added, std::vector<qint32> ids,
               int size);

    // The number of name in base as changed.
    int find(const CDomainIndex &base, QByteArrayView name, quint32 hash) const;
    int size() const { return m_size; }
    int placeholders() const { return m_placeholders; }
    // Applied in place, base's table keeps its size; otherwise it is built anew.
    bool fitsIn(const CDomainIndex &base) const;
    // Where the names let go would pass a quarter of base's block, the
    // block is built anew here, without them, and base's of before is left
    // here: freeing it is for whoever frees the fold.
    void applyTo(CDomainIndex &base);
    // The number visit is given for each of base's numbers and the new ones,
    // with its name as changed (empty when free), in rising order.
    void forEachInOrder(const CDomainIndex &base, const std::function<void(int id, QByteArrayView name)> &visit) const;

private:
    bool isAlive(int id) const { return CDomainIndex::holds(m_alive, id); }

    std::vector<quint64> m_alive;
    std::vector<CDomainIndex::Entry> m_gone;
    qint64 m_goneBytes = 0;
    CDomainIndex m_added;
    std::vector<quint32> m_hashes; // of the names added, in their order
    std::vector<qint32> m_free;    // the numbers free after
    bool m_compacts = false;
    QByteArray m_block;
    std::vector<qint32> m_ids;
    int m_size = 0;
    int m_placeholders = 0;
};
