#include "rankservice/store/CIndexFold.h"

#include <algorithm>
#include <iterator>
#include <utility>

CIndexFold::CIndexFold(const CDomainIndex &base, std::vector<quint64> alive, CDomainIndex added,
                       std::vector<qint32> ids, int size)
    : m_alive(std::move(alive))
    , m_gone(base.entriesNotIn(m_alive))
    , m_added(std::move(added))
    , m_ids(std::move(ids))
    , m_size(size)
{
    // What can be worked out here is, so that the serving thread only
    // changes the table.
    std::vector<qint32> free = base.freeNumbers();
    for (const CDomainIndex::Entry &entry : m_gone) {
        m_goneBytes += entry.bytes;
        free.push_back(entry.id);
    }
    for (int id = base.size(); id < m_size; ++id)
        free.push_back(id);
    std::sort(free.begin(), free.end());
    std::set_difference(free.begin(), free.end(), m_ids.begin(), m_ids.end(), std::back_inserter(m_free));
    m_hashes.reserve(m_ids.size());
    const QByteArray &names = m_added.names();
    for (qsizetype at = 0; at < names.size(); at += 1 + quint8(names[at]))
        m_hashes.push_back(CDomainIndex::hashOf(QByteArrayView(names.constData() + at + 1, quint8(names[at]))));
    m_placeholders = int(m_free.size());
    // Built here, on the fold's thread; made the names on the serving one
    // by a pass over the table. A new block holds none of the names let go.
    m_compacts = fitsIn(base) && 4 * (base.garbage() + m_goneBytes) > base.names().size() + m_added.names().size();
    if (m_compacts) {
        m_block = base.blockOf(m_alive);
        for (CDomainIndex::Entry &entry : m_gone)
            entry.bytes = 0;
    }
}

int CIndexFold::find(const CDomainIndex &base, QByteArrayView name, quint32 hash) const
{
    if (const int n = m_added.find(name, hash); n != CDomainIndex::NotFound)
        return m_ids[size_t(n)];
    // A name let go is no more, even where a new name took its number.
    const int id = base.find(name, hash);
    return id != CDomainIndex::NotFound && isAlive(id) ? id : CDomainIndex::NotFound;
}

bool CIndexFold::fitsIn(const CDomainIndex &base) const
{
    return base.roomFor(qint64(m_size) - m_placeholders);
}

void CIndexFold::applyTo(CDomainIndex &base)
{
    if (std::exchange(m_compacts, false))
        base.takeBlock(m_block, m_alive);
    base.release(m_gone);
    base.insertAll(m_added, m_hashes, m_ids);
    base.setFree(m_free, m_size);
}

void CIndexFold::forEachInOrder(const CDomainIndex &base,
                                const std::function<void(int id, QByteArrayView name)> &visit) const
{
    // The added names by their new numbers, which rise as their own do.
    std::vector<qsizetype> addedAt;
    addedAt.reserve(m_ids.size());
    for (qsizetype at = 0; at < m_added.names().size(); at += 1 + quint8(m_added.names()[at]))
        addedAt.push_back(at);
    size_t next = 0;
    const auto nameOf = [&](int id, QByteArrayView held) {
        if (next < m_ids.size() && m_ids[next] == id) {
            const qsizetype at = addedAt[next++];
            return QByteArrayView(m_added.names().constData() + at + 1, quint8(m_added.names()[at]));
        }
        return isAlive(id) ? held : QByteArrayView();
    };
    base.forEachInOrder([&](int id, QByteArrayView held) { visit(id, nameOf(id, held)); });
    for (int id = base.size(); id < m_size; ++id)
        visit(id, nameOf(id, {}));
}
