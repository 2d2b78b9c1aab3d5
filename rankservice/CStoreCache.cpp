#include "CStoreCache.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstring>
#include <future>
#include <new>
#include <optional>
#include <system_error>

#include <sys/stat.h>

namespace {

constexpr char Magic[8] = {'S', 'R', 'V', 'C', 'A', 'C', 'H', 'E'};
constexpr char EndMark[8] = {'S', 'R', 'V', 'C', '-', 'E', 'N', 'D'};
constexpr quint32 ByteOrder = 0x01020304;

struct Header
{
    char magic[8];
    quint32 version;
    quint32 byteOrder;
    quint32 accumulatorSize;
    quint32 reserved;
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
               << r.filesSkipped << r.filesNotNeeded << r.filesWithoutDate << r.filesInFuture << r.filesReread
               << r.problems;
}

QDataStream &operator>>(QDataStream &in, CSnapshotStore::Report &r)
{
    return in >> r.filesRead >> r.days >> r.usLists >> r.rows >> r.malformedLines >> r.duplicateLines
              >> r.filesSkipped >> r.filesNotNeeded >> r.filesWithoutDate >> r.filesInFuture >> r.filesReread
              >> r.problems;
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

QString CStoreCache::write(const QString &path, const CSnapshotStore &store, const CSnapshotStore::Report &report,
                           const QByteArray &fingerprint)
{
    QByteArray meta;
    {
        QDataStream out(&meta, QIODevice::WriteOnly);
        out << fingerprint << report << store.m_rows << store.m_newestDay << store.m_newestUsDay
            << store.m_listStamp << quint64(store.m_acc.size()) << quint64(store.m_days.size());
        for (const CSnapshotStore::ListFile &day : store.m_days)
            out << day.name << day.date << day.rows;
    }
    const QByteArray &names = store.m_ids.names();
    const size_t accBytes = store.m_acc.size() * sizeof(CSnapshotStore::Accumulator);

    Header header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.version = Version;
    header.byteOrder = ByteOrder;
    header.accumulatorSize = sizeof(CSnapshotStore::Accumulator);

    // A service stopped while it wrote leaves its temporary file (hundreds
    // of MB for real lists) behind: gone before the next is written.
    const QFileInfo target(path);
    QDir folder = target.dir();
    for (const QString &left : folder.entryList({target.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
        folder.remove(left);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
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
    // Each held day's ranks, for the pages of past days.
    for (const CSnapshotStore::ListFile &day : store.m_days) {
        const QByteArray ranks = day.ranks ? day.ranks->toBytes() : CDayRanks().toBytes();
        putSection(ranks.constData(), size_t(ranks.size()));
    }
    // The sums have a checksum of their own, so that a reader can check them
    // on another thread while it numbers the names.
    const quint64 accBytes64 = accBytes;
    put(&accBytes64, sizeof accBytes64);
    Checksum accSum;
    accSum.add(store.m_acc.data(), accBytes);
    const quint64 accValue = accSum.value();
    sum.add(&accValue, sizeof accValue);
    writeAll(store.m_acc.data(), accBytes);
    Trailer trailer{};
    trailer.checksum = sum.value();
    trailer.length = quint64(length) + sizeof trailer;
    std::memcpy(trailer.end, EndMark, sizeof EndMark);
    if (ok)
        ok = file.write(reinterpret_cast<const char *>(&trailer), sizeof trailer) == qint64(sizeof trailer);
    if (!ok) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

CStoreCache::Outcome CStoreCache::read(const QString &path, const QByteArray &fingerprint, CSnapshotStore &store,
                                       CSnapshotStore::Report &report, QString *why)
{
    // A file made to claim absurd sizes, checksum and all, costs a refusal, never the service.
    try {
        return readWhole(path, fingerprint, store, report, why);
    } catch (const std::bad_alloc &) {
        if (why)
            *why = QStringLiteral("damaged (sizes beyond memory)");
        return Outcome::Damaged;
    }
}

CStoreCache::Outcome CStoreCache::readWhole(const QString &path, const QByteArray &fingerprint,
                                            CSnapshotStore &store, CSnapshotStore::Report &report, QString *why)
{
    const auto fail = [why](Outcome outcome, const QString &reason) {
        if (why)
            *why = reason;
        return outcome;
    };
    QFile file(path);
    if (!file.exists())
        return fail(Outcome::Absent, QStringLiteral("no cache"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(Outcome::Damaged, QStringLiteral("cannot be read: ") + file.errorString());
    const qint64 size = file.size();
    if (size < qint64(sizeof(Header) + sizeof(Trailer)))
        return fail(Outcome::Damaged, QStringLiteral("cut short"));

    // The end first: a file cut short or still being written has none.
    Trailer trailer{};
    if (!file.seek(size - qint64(sizeof trailer))
        || file.read(reinterpret_cast<char *>(&trailer), sizeof trailer) != qint64(sizeof trailer))
        return fail(Outcome::Damaged, QStringLiteral("cannot be read: ") + file.errorString());
    if (std::memcmp(trailer.end, EndMark, sizeof EndMark) != 0 || trailer.length != quint64(size))
        return fail(Outcome::Damaged, QStringLiteral("cut short or damaged (no end mark)"));
    if (!file.seek(0))
        return fail(Outcome::Damaged, QStringLiteral("cannot be read: ") + file.errorString());

    Checksum sum;
    qint64 left = size - qint64(sizeof trailer);
    const auto take = [&](void *data, qint64 bytes) {
        if (bytes < 0 || bytes > left || !readFully(file, static_cast<char *>(data), quint64(bytes)))
            return false;
        sum.add(data, size_t(bytes));
        left -= bytes;
        return true;
    };
    const auto takeLength = [&](quint64 &bytes) { return take(&bytes, sizeof bytes) && bytes <= quint64(left); };
    // A block the file gives its length for, then its bytes.
    const auto takeBlock = [&](QByteArray &block) {
        quint64 bytes = 0;
        if (!takeLength(bytes))
            return false;
        block = QByteArray(qsizetype(bytes), Qt::Uninitialized);
        return take(block.data(), block.size());
    };

    Header header{};
    if (!take(&header, sizeof header) || std::memcmp(header.magic, Magic, sizeof Magic) != 0)
        return fail(Outcome::Damaged, QStringLiteral("not a cache of the lists"));
    if (header.version != Version || header.byteOrder != ByteOrder
        || header.accumulatorSize != sizeof(CSnapshotStore::Accumulator))
        return fail(Outcome::Stale, QStringLiteral("made by another version"));

    QByteArray meta;
    if (!takeBlock(meta))
        return fail(Outcome::Damaged, QStringLiteral("cut short or damaged"));

    CSnapshotStore loaded;
    CSnapshotStore::Report cachedReport;
    QByteArray cachedPrint;
    quint64 accCount = 0;
    quint64 dayCount = 0;
    QDataStream in(meta);
    in >> cachedPrint;
    if (in.status() != QDataStream::Ok)
        return fail(Outcome::Damaged, QStringLiteral("damaged"));
    if (cachedPrint != fingerprint)
        return fail(Outcome::Stale, QStringLiteral("the lists changed"));
    in >> cachedReport >> loaded.m_rows >> loaded.m_newestDay >> loaded.m_newestUsDay >> loaded.m_listStamp
        >> accCount >> dayCount;
    const QString folder = QFileInfo(path).path();
    for (quint64 i = 0; in.status() == QDataStream::Ok && i < dayCount && i <= quint64(CSnapshotStore::WindowDays); ++i) {
        CSnapshotStore::ListFile day;
        in >> day.name >> day.date >> day.rows;
        day.path = QDir(folder).filePath(day.name);
        loaded.m_days.push_back(day);
    }
    if (in.status() != QDataStream::Ok || loaded.m_days.size() != dayCount)
        return fail(Outcome::Damaged, QStringLiteral("damaged"));

    QByteArray names;
    if (!takeBlock(names))
        return fail(Outcome::Damaged, QStringLiteral("cut short or damaged"));
    for (CSnapshotStore::ListFile &day : loaded.m_days) {
        QByteArray block;
        auto ranks = std::make_shared<CDayRanks>();
        if (!takeBlock(block) || !ranks->fromBytes(block))
            return fail(Outcome::Damaged, QStringLiteral("cut short or damaged"));
        day.ranks = std::move(ranks);
    }
    quint64 accBytes = 0;
    if (!takeLength(accBytes) || accCount > accBytes / sizeof(CSnapshotStore::Accumulator)
        || accBytes != accCount * sizeof(CSnapshotStore::Accumulator))
        return fail(Outcome::Damaged, QStringLiteral("cut short or damaged"));
    if (accBytes != quint64(left))
        return fail(Outcome::Damaged, QStringLiteral("cut short or damaged"));
    loaded.m_acc.resize(size_t(accCount));
    // The sums are read and checked on another thread while this one numbers
    // the names: from a cold cache the disk and the CPU work at once.
    const qint64 accAt = file.pos();
    const auto readSums = [&path, accAt, accBytes, data = loaded.m_acc.data()]() -> std::optional<quint64> {
        QFile sums(path);
        if (!sums.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !sums.seek(accAt)
            || !readFully(sums, reinterpret_cast<char *>(data), accBytes))
            return std::nullopt;
        Checksum accSum;
        accSum.add(data, size_t(accBytes));
        return accSum.value();
    };
    std::future<std::optional<quint64>> sums;
    try {
        sums = std::async(std::launch::async, readSums);
    } catch (const std::system_error &) {
        sums = std::async(std::launch::deferred, readSums);
    }
    const bool numbered = loaded.m_ids.setNames(std::move(names)) && quint64(loaded.m_ids.size()) == accCount;
    const std::optional<quint64> accValue = sums.get();
    if (!accValue)
        return fail(Outcome::Damaged, QStringLiteral("cut short or damaged"));
    sum.add(&*accValue, sizeof *accValue);
    if (sum.value() != trailer.checksum)
        return fail(Outcome::Damaged, QStringLiteral("damaged (checksum)"));
    if (!numbered)
        return fail(Outcome::Damaged, QStringLiteral("damaged (names)"));

    loaded.m_folder = folder;
    store.swap(loaded);
    report = cachedReport;
    return Outcome::Used;
}
