#include "rankservice/store/CStoreCache.h"

#include "rankservice/lists/CListSource.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <new>

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
        constexpr quint64 P1 = 0x9E3779B185EBCA87ull;
        constexpr quint64 P2 = 0xC2B2AE3D27D4EB4Full;
        const auto *p = static_cast<const unsigned char *>(data);
        quint64 lane[4] = {m_state ^ P1, m_state ^ P2, m_state + P1, m_state - P2};
        while (size >= 32) {
            for (quint64 &l : lane) {
                quint64 word;
                std::memcpy(&word, p, 8);
                l = rotate(l + word * P2, 31) * P1;
                p += 8;
            }
            size -= 32;
        }
        quint64 h = m_state;
        for (const quint64 l : lane)
            h = (h ^ rotate(l, 27)) * P1 + P2;
        for (; size > 0; --size)
            h = (h ^ *p++) * P1;
        m_state = h ^ (h >> 29);
    }
    quint64 value() const { return m_state; }

private:
    static quint64 rotate(quint64 x, int r) { return (x << r) | (x >> (64 - r)); }
    quint64 m_state = 0x27D4EB2F165667C5ull;
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
        << (options.asOf.isValid() ? options.asOf.toJulianDay() : qint64(0));
    return print;
}

CResult<void> CStoreCache::write(const QString &path, const CSnapshotStore &store,
                                 const CSnapshotStore::Report &report, const QByteArray &fingerprint)
{
    QByteArray meta;
    {
        QDataStream out(&meta, QIODevice::WriteOnly);
        out << fingerprint << report << store.m_rows << store.m_newestDay << store.m_newestUsDay
            << quint64(store.m_ids.size()) << quint64(store.m_days.size());
        for (const CSnapshotStore::ListFile &day : store.m_days)
            out << day.name << day.date << day.rows;
    }
    const QByteArray &names = store.m_ids.names();

    Header header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.version = Version;
    header.byteOrder = ByteOrder;

    // A service stopped while it wrote leaves its temporary file (hundreds
    // of MB for real lists) behind: gone before the next is written.
    const QFileInfo target(path);
    QDir folder = target.dir();
    for (const QString &left : folder.entryList({target.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
        folder.remove(left);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return CResult<void>::failure(file.errorString());
    Checksum sum;
    qint64 length = 0;
    bool ok = true;
    const auto writeAll = [&](const void *data, size_t size) {
        // Written in pieces: a single write of hundreds of MB may come back short.
        const char *p = static_cast<const char *>(data);
        for (size_t done = 0; ok && done < size;) {
            const qint64 step = file.write(p + done, qint64(std::min<size_t>(size - done, size_t(64) << 20)));
            ok = step > 0;
            done += size_t(qMax<qint64>(step, 0));
        }
        length += qint64(size);
    };
    const auto put = [&](const void *data, size_t size) {
        sum.add(data, size);
        writeAll(data, size);
    };
    const auto putSection = [&](const void *data, size_t size) {
        const quint64 size64 = size;
        put(&size64, sizeof size64);
        put(data, size);
    };
    put(&header, sizeof header);
    putSection(meta.constData(), size_t(meta.size()));
    putSection(names.constData(), size_t(names.size()));
    // Each held day's ranks, then the United States list's (empty when none).
    for (const CSnapshotStore::ListFile &day : store.m_days) {
        const QByteArray ranks = day.ranks ? day.ranks->toBytes() : CDayRanks().toBytes();
        putSection(ranks.constData(), size_t(ranks.size()));
    }
    const QByteArray usRanks = store.m_usRanks ? store.m_usRanks->toBytes() : CDayRanks().toBytes();
    putSection(usRanks.constData(), size_t(usRanks.size()));
    Trailer trailer{};
    trailer.checksum = sum.value();
    trailer.length = quint64(length) + sizeof trailer;
    std::memcpy(trailer.end, EndMark, sizeof EndMark);
    if (ok)
        ok = file.write(reinterpret_cast<const char *>(&trailer), sizeof trailer) == qint64(sizeof trailer);
    if (!ok) {
        const QString error = file.errorString();
        file.cancelWriting();
        return CResult<void>::failure(error);
    }
    if (!file.commit())
        return CResult<void>::failure(file.errorString());
    return CResult<void>::success();
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
    bool readDayRanks(CSnapshotStore &loaded);

private:
    static CStoreCache::Read damaged(const QString &why) { return {Outcome::Damaged, why}; }
    static CStoreCache::Read fine() { return {Outcome::Used, {}}; }
    bool take(void *data, qint64 bytes);
    bool takeLength(quint64 &bytes) { return take(&bytes, sizeof bytes) && bytes <= quint64(m_left); }
    bool takeBlock(QByteArray &block);
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
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? CStoreCache::Read{Outcome::Absent, QStringLiteral("no cache")}
                               : damaged(QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return damaged(QStringLiteral("not a regular file"));
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

bool CStoreCache::Reader::take(void *data, qint64 bytes)
{
    if (bytes < 0 || bytes > m_left || !readFully(m_file, static_cast<char *>(data), quint64(bytes)))
        return false;
    m_sum.add(data, size_t(bytes));
    m_left -= bytes;
    return true;
}

bool CStoreCache::Reader::takeBlock(QByteArray &block)
{
    quint64 bytes = 0;
    if (!takeLength(bytes))
        return false;
    block = QByteArray(qsizetype(bytes), Qt::Uninitialized);
    return take(block.data(), block.size());
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
    QByteArray meta;
    if (!takeBlock(meta))
        return damaged(QStringLiteral("cut short or damaged"));
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
    in >> loaded.m_rows >> loaded.m_newestDay >> loaded.m_newestUsDay >> m_domainCount >> dayCount;
    const QString folder = QFileInfo(m_path).path();
    for (quint64 i = 0; in.status() == QDataStream::Ok && i < dayCount && i <= quint64(CSnapshotStore::WindowDays); ++i) {
        CSnapshotStore::ListFile day;
        in >> day.name >> day.date >> day.rows;
        day.path = QDir(folder).filePath(day.name);
        day.listId = CListSource::listIdOf(day.name);
        loaded.m_days.push_back(day);
    }
    if (in.status() != QDataStream::Ok || loaded.m_days.size() != dayCount)
        return damaged(QStringLiteral("damaged"));
    loaded.m_folder = folder;
    return fine();
}

bool CStoreCache::Reader::readDayRanks(CSnapshotStore &loaded)
{
    const auto readRanks = [this](std::shared_ptr<const CDayRanks> &held) {
        QByteArray block;
        auto ranks = std::make_shared<CDayRanks>();
        if (!takeBlock(block) || !ranks->fromBytes(block) || quint64(ranks->size()) > m_domainCount)
            return false;
        held = std::move(ranks);
        return true;
    };
    for (CSnapshotStore::ListFile &day : loaded.m_days) {
        if (!readRanks(day.ranks))
            return false;
    }
    if (!readRanks(loaded.m_usRanks))
        return false;
    if (!loaded.m_newestUsDay.isValid())
        loaded.m_usRanks.reset();
    return true;
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
    if (!takeLength(namesBytes) || m_domainCount > namesBytes / 2 || namesBytes > 256 * m_domainCount
        || namesBytes > quint64(namesLimit()))
        return damaged(QStringLiteral("cut short or damaged (sizes)"));
    QByteArray names(qsizetype(namesBytes), Qt::Uninitialized);
    if (!take(names.data(), names.size()))
        return damaged(QStringLiteral("cut short or damaged"));
    if (!readDayRanks(loaded))
        return damaged(QStringLiteral("cut short or damaged (ranks of a day)"));
    if (m_left != 0 || m_sum.value() != m_trailer.checksum)
        return damaged(QStringLiteral("damaged (checksum)"));
    if (!loaded.m_ids.setNames(std::move(names)) || quint64(loaded.m_ids.size()) != m_domainCount)
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
