#pragma once

#include <QString>
#include <QTableWidgetItem>

#include <cstddef>

class CAlexaRankData;

// A data cell of the history table: an ordinary item of type 0 whose text
// and centred alignment are held directly instead of in the general list of
// roles. A large view creates and later destroys hundreds of thousands of
// cells at once, so they come from a pool of their own: freeing as many
// small blocks one by one through the general allocator costs more than all
// the rest of emptying the table.
class CRankCell : public QTableWidgetItem
{
public:
    explicit CRankCell(const QString &text);
    // Field `field` of record. A number is kept as one and made into text
    // when shown: a string per cell would have to be freed with it.
    CRankCell(const CAlexaRankData &record, int field);
    CRankCell(const CRankCell &other) = default;
    CRankCell &operator=(const CRankCell &) = delete;

    QVariant data(int role) const override;
    // Any change turns the cell into an ordinary item first, so every role
    // behaves exactly as the base class has it.
    void setData(int role, const QVariant &value) override;
    QTableWidgetItem *clone() const override;

    // Where in the history the record of the cell's row stands; -1 when not known.
    qsizetype historyIndex() const { return m_historyIndex; }
    void setHistoryIndex(qsizetype index) { m_historyIndex = index; }

    static void *operator new(std::size_t size);
    static void operator delete(void *cell, std::size_t size) noexcept;

    // Cells alive, for tests and the benchmark.
    static qsizetype liveCells();

private:
    QString shownText() const;

    QString m_text;
    quint32 m_number = 0;
    bool m_isNumber = false;
    qsizetype m_historyIndex = -1;
    bool m_compact = true;
};
