#include "rankservice/store/CStoreCache.h"

#include "rankservice/lists/CListSource.h"
#include "rankservice/store/CRankFile.h"
#include "rankservice/store/CReplacingFile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <functional>
#include <future>
#include <initializer_list>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Magic[8] = {'S', 'R', 'V', 'C', 'A', 'C', 'H', 'E'};
constexpr char EndMark[8] = {'S', 'R', 'V', 'C', '-', 'E', 'N', 'D'};
constexpr quint32 ByteOrder = 0x01020304;

struct Header
{
    char magic[8];
    quint32 version;
    quint32 byteOrder;
    quint32 reserved[2];
};

struct Trailer
{
    quint64 checksum; // of everything before the trailer
    quint64 length;   // of the whole file
    char end[8];
};

// A quick checksum (four lanes of 64-bit multiply and rotate, several GB/s):
// enough to tell a file damaged by chance from the one written, which is all
// it has to do here.
class Checksum
{
public:
    void add(const void *data, size_t size)
    {
        begin();
        feed(data, size);
        end();
    }
    // The same sum as one add() of all the bytes fed between the two.
    void begin()
    {
        m_lane[0] = m_state ^ P1;
        m_lane[1] = m_state ^ P2;
        m_lane[2] = m_state + P1;
        m_lane[3] = m_state - P2;
        m_tailSize = 0;
    }
    void feed(const void *data, size_t size)
    {
        const auto *p = static_cast<const unsigned char *>(data);
        if (m_tailSize > 0) {
            const size_t taken = qMin(size, sizeof m_tail - m_tailSize);
            std::memcpy(m_tail + m_tailSize, p, taken);
            m_tailSize += taken;
            p += taken;
            size -= taken;
            if (m_tailSize < sizeof m_tail)
                return;
            block(m_tail);
            m_tailSize = 0;
        }
        for (; size >= sizeof m_tail; size -= sizeof m_tail, p += sizeof m_tail)
            block(p);
        std::memcpy(m_tail, p, size);
        m_tailSize = size;
    }
    void end()
    {
        quint64 h = m_state;
        for (const quint64 l : m_lane)
            h = (h ^ rotate(l, 27)) * P1 + P2;
        for (size_t i = 0; i < m_tailSize; ++i)
            h = (h ^ m_tail[i]) * P1;
        m_state = h ^ (h >> 29);
    }
    quint64 value() const { return m_state; }

private:
    static constexpr quint64 P1 = 0x9E3779B185EBCA87ull;
    static constexpr quint64 P2 = 0xC2B2AE3D27D4EB4Full;
    static quint64 rotate(quint64 x, int r) { return (x << r) | (x >> (64 - r)); }
    void block(const unsigned char *p)
    {
        for (quint64 &l : m_lane) {
            quint64 word;
            std::memcpy(&word, p, 8);
            l = rotate(l + word * P2, 31) * P1;
            p += 8;
        }
    }

    quint64 m_state = 0x27D4EB2F165667C5ull;
    quint64 m_lane[4] = {};
    unsigned char m_tail[32] = {};
    size_t m_tailSize = 0;
};

QDataStream &operator<<(QDataStream &out, const CSnapshotStore::Report &r)
{
    return out << r.filesRead << r.days << r.usLists << r.rows << r.malformedLines << r.duplicateLines
               << r.filesSkipped << r.filesNotNeeded << r.filesWithoutDate << r.filesInFuture
               << r.problems;
}

// The problems are counted before any is made: a count the rest of the
// block cannot hold is damage, never a reservation of that many.
bool readReport(QDataStream &in, CSnapshotStore::Report &r)
{
    quint32 problems = 0;
    in >> r.filesRead >> r.days >> r.usLists >> r.rows >> r.malformedLines >> r.duplicateLines >> r.filesSkipped
        >> r.filesNotNeeded >> r.filesWithoutDate >> r.filesInFuture >> problems;
    if (in.status() != QDataStream::Ok || problems > quint64(in.device()->bytesAvailable()) / 4)
        return false;
    for (quint32 i = 0; i < problems && in.status() == QDataStream::Ok; ++i) {
        QString problem;
        in >> problem;
        r.problems << problem;
    }
    return in.status() == QDataStream::Ok;
}

// A size as a reader takes it in: bytes, KiB, MiB or GiB.
QString sizeInWords(quint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < (quint64(1) << 20))
        return QStringLiteral("%1 KiB").arg(double(bytes) / 1024, 0, 'f', 1);
    if (bytes < (quint64(1) << 30))
        return QStringLiteral("%1 MiB").arg(double(bytes) / (1 << 20), 0, 'f', 1);
    return QStringLiteral("%1 GiB").arg(double(bytes) / (1 << 30), 0, 'f', 1);
}

// Reads exactly bytes bytes into data, in steps a single read can take.
bool readFully(QFile &file, char *data, quint64 bytes)
{
    for (quint64 done = 0; done < bytes;) {
        const qint64 step = file.read(data + done, qint64(qMin<quint64>(bytes - done, quint64(64) << 20)));
        if (step <= 0)
            return false;
        done += quint64(step);
    }
    return true;
}

} // namespace

QByteArray CStoreCache::fingerprint(const QString &folder, const CSnapshotStore::LoadOptions &options)
{
    static const QRegularExpression datePattern(QStringLiteral("(\\d{4})-(\\d{2})-(\\d{2})"));
    QByteArray print;
    QDataStream out(&print, QIODevice::WriteOnly);
    bool future = false;
    // The same files a load looks at, in the same order.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        struct stat st;
        qint64 size = -1;
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
        if (::stat(QFile::encodeName(entry.filePath()).constData(), &st) == 0) {
            size = st.st_size;
            seconds = st.st_mtim.tv_sec;
            nanoseconds = st.st_mtim.tv_nsec;
        }
        out << entry.fileName() << size << seconds << nanoseconds;
        const QRegularExpressionMatch match = datePattern.match(entry.fileName());
        if (match.hasMatch()
            && QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()) > options.today)
            future = true;
    }
    // Today matters only where a list is dated after it; otherwise a cache
    // would go stale every midnight.
    out << (future ? options.today.toJulianDay() : qint64(0))
        << (options.asOf.isValid() ? options.asOf.toJulianDay() : qint64(0)) << options.maxRows
        << CSnapshotStore::heldDaysFor(options.heldDays);
    return print;
}

namespace {

// The names in the order of their numbers, as a section, a piece at a time:
// not a second copy of them all beside the index. Summed as one block, as
// they are read.
CResult<void> putNames(const CDomainIndex &ids, Checksum &sum, CReplacingFile &file)
{
    const quint64 size = quint64(ids.sizeInOrder());
    sum.add(&size, sizeof size);
    file.write(&size, sizeof size);
    sum.begin();
    QByteArray piece;
    quint64 written = 0;
    const auto putPiece = [&] {
        sum.feed(piece.constData(), size_t(piece.size()));
        file.write(piece.constData(), size_t(piece.size()));
        written += quint64(piece.size());
        piece.clear();
    };
    ids.forEachInOrder([&](int id, QByteArrayView name) {
        CDomainIndex::appendInOrder(piece, id, name);
        if (piece.size() >= (1 << 20))
            putPiece();
    });
    putPiece();
    sum.end();
    if (written != size)
        return CResult<void>::failure(QStringLiteral("the names came to %1 bytes, not %2").arg(written).arg(size));
    return CResult<void>::success();
}

} // namespace

CResult<void> CStoreCache::write(const QString &path, const CSnapshotStore &given,
                                 const CSnapshotStore::Report &report, const QByteArray &fingerprint)
{
    // A fold's changes not yet made in place are made in a copy; the
    // service writes a store once they are made.
    std::optional<CSnapshotStore> settled;
    if (given.m_fold) {
        settled.emplace(given);
        settled->settle();
    }
    const CSnapshotStore &store = settled ? *settled : given;
    const CDomainIndex &ids = *store.m_ids;
    QByteArray meta;
    {
        QDataStream out(&meta, QIODevice::WriteOnly);
        out << fingerprint << report << store.m_rows << store.m_newestDay << store.m_newestUsDay
            << quint64(ids.size()) << qint32(store.m_heldDays) << quint64(store.m_days.size());
        for (const CSnapshotStore::ListFile &day : store.m_days)
            out << day.name << day.date << day.rows << day.rankFile << day.rankLength << day.rankStamp;
    }

    Header header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.version = Version;
    header.byteOrder = ByteOrder;

    // A service stopped while it wrote leaves its temporary file (hundreds
    // of MB for real lists) behind: gone before the next is written.
    const QFileInfo target(path);
    QDir folder = target.dir();
    for (const QString &left : folder.entryList({target.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(left);

    // Readable as the lists beside it are.
    const QString rankFolder = folder.filePath(CRankFile::FolderName);
    const bool ranksKept = QFileInfo(rankFolder).isDir() && !QFileInfo(rankFolder).isSymLink();
    if (ranksKept)
        CRankFile::sync(rankFolder);
    CReplacingFile file(path);
    if (const CResult<void> opened = file.open(); !opened)
        return opened;
    Checksum sum;
    const auto put = [&](const void *data, size_t size) {
        sum.add(data, size);
        file.write(data, size);
    };
    const auto putSection = [&](const void *data, size_t size) {
        const quint64 size64 = size;
        put(&size64, sizeof size64);
        put(data, size);
    };
    put(&header, sizeof header);
    putSection(meta.constData(), size_t(meta.size()));
    if (const CResult<void> names = putNames(ids, sum, file); !names)
        return names;
    // Each held day's ranks, then the United States list's (empty when
    // none); a day in a rank file is named in the list of files instead.
    QSet<QString> rankFiles;
    for (const CSnapshotStore::ListFile &day : store.m_days) {
        if (!day.rankFile.isEmpty())
            rankFiles.insert(day.rankFile);
        const QByteArray ranks = day.ranks && day.rankFile.isEmpty() ? day.ranks->toBytes() : CDayRanks().toBytes();
        putSection(ranks.constData(), size_t(ranks.size()));
    }
    const QByteArray usRanks = store.m_usRanks ? store.m_usRanks->toBytes() : CDayRanks().toBytes();
    putSection(usRanks.constData(), size_t(usRanks.size()));
    Trailer trailer{};
    trailer.checksum = sum.value();
    trailer.length = quint64(file.written()) + sizeof trailer;
    std::memcpy(trailer.end, EndMark, sizeof EndMark);
    file.write(&trailer, sizeof trailer);
    const CResult<void> committed = file.commit();
    // The rank files no held day names (days let go, an earlier load's) go
    // once the cache that could name them is replaced.
    if (committed && ranksKept)
        CRankFile::removeAllBut(rankFolder, rankFiles);
    return committed;
}

CStoreCache::Read CStoreCache::read(const QString &path, const QByteArray &fingerprint, CSnapshotStore &store,
                                    CSnapshotStore::Report &report)
{
    // A file made to claim absurd sizes, checksum and all, costs a refusal, never the service.
    try {
        return readWhole(path, fingerprint, store, report);
    } catch (const std::bad_alloc &) {
        return {Outcome::Damaged, QStringLiteral("damaged (sizes beyond memory)")};
    }
}

// One reading of a cache file, step by step: every size the file claims is
// checked against what is left of it before anything of that size is made.
class CStoreCache::Reader
{
public:
    explicit Reader(const QString &path) : m_path(path) {}

    CStoreCache::Read open();
    CStoreCache::Read readHeader();
    CStoreCache::Read readMeta(const QByteArray &fingerprint, CSnapshotStore &loaded,
                               CSnapshotStore::Report &report);
    CStoreCache::Read readIndex(CSnapshotStore &loaded);
    // Each held day's ranks and the United States list's, after the names.
    CStoreCache::Read readDayRanks(CSnapshotStore &loaded);
    // A day's ranks from the rank file the cache names for it, if any.
    CStoreCache::Read openRanks(const CSnapshotStore &loaded, CSnapshotStore::ListFile &day) const;

private:
    static CStoreCache::Read damaged(const QString &why) { return {Outcome::Damaged, why}; }
    static CStoreCache::Read fine() { return {Outcome::Used, {}}; }
    bool take(void *data, qint64 bytes);
    // The same without adding to the checksum, for a block read in parts:
    // the checksum is added a block at a time, as it was written.
    bool takeUnsummed(void *data, qint64 bytes);
    // The length of the block that follows, checked against the bytes left
    // in the file and against the most such a block can need (a sparse
    // file is as long as it claims, and costs no disk): what block is for
    // the reason.
    CStoreCache::Read takeLength(quint64 &bytes, quint64 most, const QString &block);
    // The names block, looked at as it comes: a name is a length byte and
    // that many bytes, so zeros (a file's holes) are refused at once and
    // memory grows only with the names really there.
    CStoreCache::Read takeNames(QByteArray &names, quint64 bytes);
    // What the names of the lists in the folder can take at most: the
    // largest cache those lists can make.
    qint64 namesLimit() const;

    QString m_path;
    QFile m_file;
    qint64 m_left = 0; // bytes before the trailer not yet taken
    Trailer m_trailer{};
    Checksum m_sum;
    quint64 m_domainCount = 0;
};

CStoreCache::Read CStoreCache::Reader::open()
{
    // Without blocking and only a regular file: a pipe of that name would
    // hold the start in open() or read() forever.
    // Never through a link: what it points at is no cache of these lists.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0 && errno == ELOOP)
        return damaged(QStringLiteral("a symbolic link, never followed"));
    if (fd < 0)
        return errno == ENOENT ? CStoreCache::Read{Outcome::Absent, QStringLiteral("no cache")}
                               : damaged(QStringLiteral("cannot be read: ") + CReplacingFile::systemError(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return damaged(CReplacingFile::kindOf(st.st_mode) + QStringLiteral(", not a regular file"));
    }
    if (!m_file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return damaged(QStringLiteral("cannot be read: ") + m_file.errorString());
    }
    const qint64 size = st.st_size;
    if (size < qint64(sizeof(Header) + sizeof(Trailer)))
        return damaged(QStringLiteral("cut short"));
    // The end first: a file cut short or still being written has none.
    if (::pread(fd, &m_trailer, sizeof m_trailer, size - qint64(sizeof m_trailer)) != qint64(sizeof m_trailer))
        return damaged(QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(errno)));
    if (std::memcmp(m_trailer.end, EndMark, sizeof EndMark) != 0 || m_trailer.length != quint64(size))
        return damaged(QStringLiteral("cut short or damaged (no end mark)"));
    m_left = size - qint64(sizeof m_trailer);
    return fine();
}

bool CStoreCache::Reader::takeUnsummed(void *data, qint64 bytes)
{
    if (bytes < 0 || bytes > m_left || !readFully(m_file, static_cast<char *>(data), quint64(bytes)))
        return false;
    m_left -= bytes;
    return true;
}

bool CStoreCache::Reader::take(void *data, qint64 bytes)
{
    if (!takeUnsummed(data, bytes))
        return false;
    m_sum.add(data, size_t(bytes));
    return true;
}

CStoreCache::Read CStoreCache::Reader::takeLength(quint64 &bytes, quint64 most, const QString &block)
{
    if (!take(&bytes, sizeof bytes))
        return damaged(QStringLiteral("cut short before the length of ") + block);
    if (bytes > quint64(m_left))
        return damaged(QStringLiteral("cut short or damaged: %1 claimed for %2, with %3 left in the file")
                           .arg(sizeInWords(bytes), block, sizeInWords(quint64(m_left))));
    if (bytes > most)
        return damaged(QStringLiteral("damaged: %1 claimed for %2, more than the %3 possible")
                           .arg(sizeInWords(bytes), block, sizeInWords(most)));
    return fine();
}

CStoreCache::Read CStoreCache::Reader::takeNames(QByteArray &names, quint64 bytes)
{
    constexpr qsizetype Piece = 16 << 20;
    quint64 next = 0; // where the next name starts
    quint64 count = 0;
    while (quint64(names.size()) < bytes) {
        const qsizetype at = names.size();
        const qsizetype step = qsizetype(qMin<quint64>(Piece, bytes - quint64(at)));
        if (names.capacity() < at + step)
            names.reserve(qsizetype(qMin<quint64>(bytes, quint64(qMax<qsizetype>(2 * names.capacity(), at + step)))));
        names.resize(at + step);
        if (!takeUnsummed(names.data() + at, step))
            return damaged(QStringLiteral("cut short among the names"));
        for (; next < quint64(names.size()); ++count) {
            const quint8 length = quint8(names[qsizetype(next)]);
            if (length == 0 || count >= m_domainCount)
                return damaged(QStringLiteral("damaged: the names break off after %1 of %2").arg(count).arg(m_domainCount));
            next += 1 + length;
        }
    }
    if (next != bytes || count != m_domainCount)
        return damaged(QStringLiteral("damaged: %1 names where %2 were written").arg(count).arg(m_domainCount));
    m_sum.add(names.constData(), size_t(names.size()));
    return fine();
}

CStoreCache::Read CStoreCache::Reader::readHeader()
{
    Header header{};
    if (!take(&header, sizeof header) || std::memcmp(header.magic, Magic, sizeof Magic) != 0)
        return damaged(QStringLiteral("not a cache of the lists"));
    if (header.version != Version || header.byteOrder != ByteOrder)
        return {Outcome::Stale, QStringLiteral("made by another version")};
    return fine();
}

CStoreCache::Read CStoreCache::Reader::readMeta(const QByteArray &fingerprint, CSnapshotStore &loaded,
                                                CSnapshotStore::Report &report)
{
    // The fingerprint and one line of the report for each file at most,
    // the held days' names: a few times the fingerprint, and a margin.
    quint64 metaBytes = 0;
    if (const Read length = takeLength(metaBytes, 16 * quint64(fingerprint.size()) + (1 << 20), QStringLiteral("the list of files"));
        length.outcome != Outcome::Used)
        return length;
    QByteArray meta(qsizetype(metaBytes), Qt::Uninitialized);
    if (!take(meta.data(), meta.size()))
        return damaged(QStringLiteral("cut short in the list of files"));
    QByteArray cachedPrint;
    quint64 dayCount = 0;
    QDataStream in(meta);
    in >> cachedPrint;
    if (in.status() != QDataStream::Ok)
        return damaged(QStringLiteral("damaged"));
    if (cachedPrint != fingerprint)
        return {Outcome::Stale, QStringLiteral("the lists changed")};
    if (!readReport(in, report))
        return damaged(QStringLiteral("damaged"));
    qint32 heldDays = 0;
    in >> loaded.m_rows >> loaded.m_newestDay >> loaded.m_newestUsDay >> m_domainCount >> heldDays >> dayCount;
    loaded.m_heldDays = CSnapshotStore::heldDaysFor(heldDays);
    const QString folder = QFileInfo(m_path).path();
    for (quint64 i = 0; in.status() == QDataStream::Ok && i < dayCount && i <= quint64(CSnapshotStore::MaxHeldDays); ++i) {
        CSnapshotStore::ListFile day;
        in >> day.name >> day.date >> day.rows >> day.rankFile >> day.rankLength >> day.rankStamp;
        day.path = QDir(folder).filePath(day.name);
        day.listId = CListSource::listIdOf(day.name);
        loaded.m_days.push_back(day);
    }
    if (in.status() != QDataStream::Ok || loaded.m_days.size() != dayCount)
        return damaged(QStringLiteral("damaged"));
    loaded.m_folder = folder;
    return fine();
}

CStoreCache::Read CStoreCache::Reader::readDayRanks(CSnapshotStore &loaded)
{
    // Each block's head tells its size, checked before the rest is read.
    const auto readRanks = [this](std::shared_ptr<const CDayRanks> &held, const QString &whose) {
        quint64 bytes = 0;
        const quint64 most = quint64(CDayRanks::HeadSize) + (m_domainCount + 63) / 64 * 8 + m_domainCount * 4 + 16;
        if (const Read length = takeLength(bytes, most, QStringLiteral("the ranks of ") + whose); length.outcome != Outcome::Used)
            return length;
        char head[CDayRanks::HeadSize];
        if (bytes < sizeof head || !takeUnsummed(head, sizeof head)
            || CDayRanks::bytesClaimed(QByteArrayView(head, sizeof head), qint64(m_domainCount)) != qint64(bytes))
            return damaged(QStringLiteral("damaged: the ranks of %1 do not agree with their length").arg(whose));
        // Read once into the memory the ranks are then held in.
        CDayRanks::Block block = CDayRanks::blockFor(size_t(bytes));
        char *at = reinterpret_cast<char *>(block.get());
        std::memcpy(at, head, sizeof head);
        if (!takeUnsummed(at + sizeof head, qint64(bytes - sizeof head)))
            return damaged(QStringLiteral("cut short in the ranks of ") + whose);
        m_sum.add(at, size_t(bytes));
        auto ranks = std::make_shared<CDayRanks>();
        if (!ranks->fromBlock(std::move(block), size_t(bytes)))
            return damaged(QStringLiteral("damaged: the ranks of ") + whose);
        held = std::move(ranks);
        return fine();
    };
    for (CSnapshotStore::ListFile &day : loaded.m_days) {
        if (const Read read = readRanks(day.ranks, day.date.toString(Qt::ISODate)); read.outcome != Outcome::Used)
            return read;
        if (const Read read = openRanks(loaded, day); read.outcome != Outcome::Used)
            return read;
    }
    if (const Read read = readRanks(loaded.m_usRanks, QStringLiteral("the United States list")); read.outcome != Outcome::Used)
        return read;
    if (!loaded.m_newestUsDay.isValid())
        loaded.m_usRanks.reset();
    return fine();
}

CStoreCache::Read CStoreCache::Reader::openRanks(const CSnapshotStore &loaded, CSnapshotStore::ListFile &day) const
{
    if (day.rankFile.isEmpty())
        return fine();
    const CResult<QString> folder = CRankFile::folderFor(loaded.m_folder);
    if (!folder)
        return damaged(folder.message());
    // A name is a file of that folder, never a path out of it.
    if (day.rankFile.contains(QLatin1Char('/')) || day.rankFile.startsWith(QLatin1Char('.')))
        return damaged(QStringLiteral("damaged: the ranks of %1 name no rank file").arg(day.date.toString(Qt::ISODate)));
    const CResult<std::shared_ptr<const CDayRanks>> opened =
        CRankFile::open(QDir(folder.value()).filePath(day.rankFile), day.rankLength, day.rankStamp, qint64(m_domainCount));
    if (!opened)
        return damaged(QStringLiteral("the ranks of %1: %2").arg(day.date.toString(Qt::ISODate), opened.message()));
    day.ranks = opened.value();
    return fine();
}

qint64 CStoreCache::Reader::namesLimit() const
{
    // Every name was a line of a list, a dozen bytes at least packed; 64
    // bytes of names for each byte of the lists is far beyond any real one.
    qint64 lists = 0;
    for (const QFileInfo &entry : QDir(QFileInfo(m_path).path()).entryInfoList(QDir::Files))
        lists += entry.size();
    return 64 * lists + 4096;
}

CStoreCache::Read CStoreCache::Reader::readIndex(CSnapshotStore &loaded)
{
    quint64 namesBytes = 0;
    // Each name is a length byte and 1 to 255 bytes, and came from the lists.
    const quint64 most = qMin(256 * m_domainCount, quint64(namesLimit()));
    if (const Read length = takeLength(namesBytes, most, QStringLiteral("the names")); length.outcome != Outcome::Used)
        return length;
    if (m_domainCount > namesBytes / 2)
        return damaged(QStringLiteral("damaged: %1 names in %2").arg(m_domainCount).arg(sizeInWords(namesBytes)));
    QByteArray names;
    if (const Read read = takeNames(names, namesBytes); read.outcome != Outcome::Used)
        return read;
    // The names are numbered on a thread of their own while the days are
    // read, neither needing the other; names the checksum then refuses go
    // with the store they were numbered in.
    bool named = false;
    CDomainIndex &ids = loaded.ownIds();
    const auto number = [&ids, &names, &named] { named = ids.setNames(std::move(names)); };
    std::future<void> numbering;
    try {
        numbering = std::async(std::launch::async, number);
    } catch (const std::system_error &) {
        number(); // no thread to be had
    }
    const Read days = readDayRanks(loaded);
    if (numbering.valid())
        numbering.get();
    if (days.outcome != Outcome::Used)
        return days;
    if (m_left != 0)
        return damaged(QStringLiteral("damaged: %1 more than its blocks hold").arg(sizeInWords(quint64(m_left))));
    if (m_sum.value() != m_trailer.checksum)
        return damaged(QStringLiteral("damaged (checksum)"));
    if (!named || quint64(loaded.m_ids->size()) != m_domainCount)
        return damaged(QStringLiteral("damaged (names)"));
    return fine();
}

CStoreCache::Read CStoreCache::readWhole(const QString &path, const QByteArray &fingerprint, CSnapshotStore &store,
                                         CSnapshotStore::Report &report)
{
    Reader reader(path);
    CSnapshotStore loaded;
    CSnapshotStore::Report cachedReport;
    for (const auto &step : std::initializer_list<std::function<Read()>>{
             [&] { return reader.open(); },
             [&] { return reader.readHeader(); },
             [&] { return reader.readMeta(fingerprint, loaded, cachedReport); },
             [&] { return reader.readIndex(loaded); },
         }) {
        if (const Read read = step(); read.outcome != Outcome::Used)
            return read;
    }
    store.swap(loaded);
    report = cachedReport;
    return {Outcome::Used, {}};
}
