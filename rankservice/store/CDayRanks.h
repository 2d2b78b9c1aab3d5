#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

// The ranks one daily list gave, by domain number: what lets a page as of a
// past day be answered from memory. Compact because 90 lists of a million
// rows are held at once: one bit per numbered domain says whether the list
// names it, and its rank is packed in as few bits as the list's largest rank
// needs (20 for a top million), about 3.3 MB a list.
class CDayRanks
{
public:
    // Collects a list's ranks, each domain once, in any order of numbers
    // below domains.
    class Builder
    {
    public:
        explicit Builder(int domains);
        // False when id was given before (or is out of range): its first rank stands.
        bool add(int id, qint32 rank);
        CDayRanks finish();

    private:
        std::vector<quint64> m_present;
        std::vector<std::pair<int, qint32>> m_ranks;
        qint32 m_largest = 0;
    };

    CDayRanks() = default;
    // Moved, never copied: a day's ranks are shared by pointer between stores.
    CDayRanks(CDayRanks &&other) noexcept { *this = std::move(other); }
    CDayRanks &operator=(CDayRanks &&other) noexcept;
    CDayRanks(const CDayRanks &) = delete;
    CDayRanks &operator=(const CDayRanks &) = delete;

    // The rank of the domain numbered id, or 0 when the list does not name it.
    qint32 rankOf(int id) const;

    // The same in three steps, for looking a domain up in many days at once:
    // each step's memory is asked for in every day before it is read in
    // any, so the days' cache misses overlap instead of following each other.
    void prefetch(int id) const;
    // Where id's rank lies, asked for from memory; -1 when the list does not name it.
    qsizetype placeFetched(int id) const;
    qint32 rankAt(qsizetype place) const { return qint32(packedAt(place)); }
    qsizetype size() const { return m_view.count; }
    // Sets the bit of every domain the list names in alive (a bit per
    // domain number, as long as needed).
    void markPresent(std::vector<quint64> &alive) const;
    size_t bytes() const;
    // Held in a rank file (CRankFile) rather than in memory.
    bool onDisk() const { return m_file != nullptr; }

    // The parts of the packed form, laid out as a rank file keeps them:
    // the presence words, the count before each run of them, the ranks.
    struct Parts
    {
        const quint64 *present = nullptr;
        size_t words = 0;
        const quint32 *before = nullptr;
        const quint8 *packed = nullptr;
        size_t packedBytes = 0;
        quint32 bits = 0;
        qsizetype count = 0;
    };
    Parts parts() const;
    // The number of counts kept for that many presence words.
    static size_t beforeCount(size_t words) { return (words + WordsPerCount - 1) / WordsPerCount; }
    // The packed ranks' size in bytes, padding included.
    static quint64 packedBytesFor(quint64 count, quint32 bits);
    // Where the parts lie in a rank file, open for reading. There the
    // presence words come in groups of WordsPerCount, each group after the
    // count of domains present before it (a 64-bit word), so that one read
    // tells whether a domain is named and where its rank lies.
    struct InFile
    {
        int fd = -1; // closed by whoever made it once the last ranks reading it go
        qint64 groups = 0;
        qint64 packed = 0;
    };
    static constexpr size_t WordsPerGroup = 4;
    static constexpr size_t GroupBytes = sizeof(quint64) * (1 + WordsPerGroup);
    // Ranks read from file a few words at a time, never held: sizes gives
    // the parts' sizes (its pointers unused), which must agree with the
    // file's length (CRankFile checks them). A word the file no longer
    // holds reads as a domain not named.
    static CDayRanks reading(const Parts &sizes, std::shared_ptr<const InFile> file);

    // The packed form a cache keeps, and back. fromBlock takes that form
    // read into block (its first bytes bytes) and keeps it as it is, the
    // ranks pointing into it: a cache's days are read once, never copied
    // again. False for bytes that are not one (sizes that do not agree),
    // leaving the ranks empty.
    QByteArray toBytes() const;
    struct FreeBlock
    {
        size_t mapped; // bytes mapped; 0 for a block from the heap
        void operator()(quint64 *block) const;
    };
    using Block = std::unique_ptr<quint64[], FreeBlock>;
    // Whole words, uninitialised; a large block is mapped with its pages
    // present, which costs one call where touching them page by page
    // costs a fault each. Throws std::bad_alloc when none is to be had.
    static Block blockFor(size_t bytes);
    bool fromBlock(Block block, size_t bytes);
    // The packed form starts with a head of this size, which tells the
    // whole form's size: bytesClaimed gives it, or -1 when the head cannot
    // be one of ranks over that many domains. A reader checks it before it
    // takes memory for the rest.
    static constexpr qsizetype HeadSize = 24;
    static qint64 bytesClaimed(QByteArrayView head, qint64 domains);

private:
    // Words of the presence bits per entry of m_before.
    static constexpr int WordsPerCount = 4;

    bool present(int id) const;
    // The place of a present id among the numbers present.
    qsizetype placeOf(int id) const;
    quint64 packedAt(qsizetype index) const;

    // Points the views at the vectors held.
    void viewOwn();
    // The place of id among the ranks, or -1 when the list does not name it.
    qsizetype locate(int id) const;
    qsizetype locateInFile(int id) const;
    bool readAt(qint64 offset, void *data, size_t size) const;
    // Each presence word of the file in turn, with its index; false when
    // the file could not be read whole.
    bool eachWordInFile(const std::function<void(size_t, quint64)> &take) const;

    // Held in memory, or empty when the ranks are in a file.
    std::vector<quint64> m_present;
    std::vector<quint32> m_before; // domains present before each run of WordsPerCount words
    std::vector<quint8> m_packed;  // the ranks in order of number, m_bits each, padded by 8 bytes
    Block m_block; // or the presence words and the ranks in the packed form, read from a cache
    Parts m_view; // the vectors above; only the sizes when in a file
    std::shared_ptr<const InFile> m_file;
};
