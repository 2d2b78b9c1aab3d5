#include "CRankCell.h"

#include "CAlexaRankData.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

// Fixed-size slots handed out from large blocks and recycled through a free
// list. Cells live on the GUI thread only. When the last cell goes the
// blocks are given back, so an emptied table holds no memory.
struct CellPool
{
    static constexpr std::size_t SlotSize =
        (sizeof(CRankCell) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
    static constexpr std::size_t SlotsPerBlock = 4096;

    std::vector<std::unique_ptr<std::byte[]>> blocks;
    std::size_t usedInLastBlock = SlotsPerBlock;
    std::vector<void *> freeSlots;
    qsizetype live = 0;

    void *take()
    {
        ++live;
        if (!freeSlots.empty()) {
            void *slot = freeSlots.back();
            freeSlots.pop_back();
            return slot;
        }
        if (usedInLastBlock == SlotsPerBlock) {
            blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(SlotSize * SlotsPerBlock));
            usedInLastBlock = 0;
        }
        return blocks.back().get() + SlotSize * usedInLastBlock++;
    }

    void give(void *slot)
    {
        if (--live == 0) {
            blocks.clear();
            freeSlots.clear();
            freeSlots.shrink_to_fit();
            usedInLastBlock = SlotsPerBlock;
            return;
        }
        freeSlots.push_back(slot);
    }
};

CellPool &pool()
{
    // Never destroyed: a table torn down during exit may still give cells back.
    static CellPool *const cells = new CellPool;
    return *cells;
}

} // namespace

CRankCell::CRankCell(const QString &text)
    : QTableWidgetItem(QTableWidgetItem::Type)
    , m_text(text)
{
}

CRankCell::CRankCell(const CAlexaRankData &record, int field)
    : QTableWidgetItem(QTableWidgetItem::Type)
{
    m_isNumber = record.isNumber(field, &m_number);
    if (!m_isNumber)
        m_text = record.field(field);
}

QString CRankCell::shownText() const
{
    return m_isNumber ? QString::number(m_number) : m_text;
}

QVariant CRankCell::data(int role) const
{
    if (m_compact) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return shownText();
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        default:
            break;
        }
    }
    return QTableWidgetItem::data(role);
}

void CRankCell::setData(int role, const QVariant &value)
{
    if (m_compact) {
        m_compact = false;
        QTableWidgetItem::setData(Qt::DisplayRole, shownText());
        m_text = QString();
        m_isNumber = false;
        QTableWidgetItem::setData(Qt::TextAlignmentRole, int(Qt::AlignCenter));
    }
    QTableWidgetItem::setData(role, value);
}

QTableWidgetItem *CRankCell::clone() const
{
    return new CRankCell(*this);
}

void *CRankCell::operator new(std::size_t size)
{
    if (size > CellPool::SlotSize)
        return ::operator new(size);
    return pool().take();
}

void CRankCell::operator delete(void *cell, std::size_t size) noexcept
{
    if (size > CellPool::SlotSize)
        ::operator delete(cell);
    else
        pool().give(cell);
}

qsizetype CRankCell::liveCells()
{
    return pool().live;
}
