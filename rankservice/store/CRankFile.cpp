#include "rankservice/store/CRankFile.h"

#include "rankservice/store/CDayRanks.h"
#include "rankservice/store/CReplacingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Magic[8] = {'S', 'R', 'V', 'R', 'A', 'N', 'K', 'S'};
constexpr quint32 Version = 2;

struct Header
{
    char magic[8];
    quint32 version;
    quint32 bits;
    quint64 count;
    quint64 words;
    quint64 stamp;
    quint64 length; // of the whole file
    quint64 reserved[2];
};
static_assert(sizeof(Header) == 64);

// The presence words in groups, each after the count before it (see CDayRanks::InFile).
quint64 groupBytes(quint64 words)
{
    return quint64(CDayRanks::beforeCount(size_t(words))) * CDayRanks::GroupBytes;
}

// The length a file of that header must have, or 0 when its sizes cannot be one.
quint64 lengthOf(const Header &header)
{
    if (header.bits > 32 || header.words > (quint64(1) << 40) || header.count > header.words * 64)
        return 0;
    return sizeof(Header) + groupBytes(header.words) + CDayRanks::packedBytesFor(header.count, header.bits);
}

using Opened = CResult<std::shared_ptr<const CDayRanks>>;

Opened refused(const QString &path, const QString &why)
{
    return Opened::failure(QFileInfo(path).fileName() + QStringLiteral(": ") + why);
}

// The header of the open file fd at path, checked against its length and
// against what the cache recorded.
CResult<Header> checkedHeader(int fd, const QString &path, quint64 length, quint64 stamp, qint64 domains)
{
    using Checked = CResult<Header>;
    const auto fail = [&path](const QString &why) { return Checked::failure(QFileInfo(path).fileName() + QStringLiteral(": ") + why); };
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(CReplacingFile::kindOf(st.st_mode) + QStringLiteral(", not a regular file"));
    Header header{};
    if (st.st_size < qint64(sizeof header) || ::pread(fd, &header, sizeof header, 0) != qint64(sizeof header))
        return fail(QStringLiteral("cut short (%1 bytes)").arg(st.st_size));
    if (std::memcmp(header.magic, Magic, sizeof Magic) != 0 || header.version != Version)
        return fail(QStringLiteral("not a rank file of this version"));
    if (header.stamp != stamp || header.length != length)
        return fail(QStringLiteral("not the file the cache names (another load's)"));
    if (quint64(st.st_size) != header.length)
        return fail(QStringLiteral("%1 bytes long where %2 were written").arg(st.st_size).arg(header.length));
    const quint64 parts = lengthOf(header);
    if (parts != header.length)
        return fail(QStringLiteral("its parts need %1 bytes, it holds %2").arg(parts).arg(header.length));
    if (domains < 0 || header.words > (quint64(domains) + 63) / 64)
        return fail(QStringLiteral("ranks %1 names where %2 are held").arg(header.words * 64).arg(domains));
    return Checked::success(header);
}

void writeGroups(CReplacingFile &file, const CDayRanks::Parts &parts)
{
    const size_t groups = CDayRanks::beforeCount(parts.words);
    std::vector<quint64> piece;
    piece.reserve(size_t(1 << 14) * (1 + CDayRanks::WordsPerGroup));
    for (size_t g = 0; g < groups; ++g) {
        piece.push_back(parts.before[g]);
        for (size_t v = 0; v < CDayRanks::WordsPerGroup; ++v) {
            const size_t w = g * CDayRanks::WordsPerGroup + v;
            piece.push_back(w < parts.words ? parts.present[w] : 0);
        }
        if (piece.size() == piece.capacity() || g + 1 == groups) {
            file.write(piece.data(), piece.size() * sizeof(quint64));
            piece.clear();
        }
    }
}

} // namespace

CResult<QString> CRankFile::folderFor(const QString &listFolder)
{
    const QString folder = QDir(listFolder).filePath(FolderName);
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return CResult<QString>::failure(QStringLiteral("cannot make %1: %2").arg(folder, CReplacingFile::systemError(errno)));
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return CResult<QString>::failure(QStringLiteral("cannot use %1: %2").arg(folder, CReplacingFile::systemError(errno)));
    if (!S_ISDIR(st.st_mode))
        return CResult<QString>::failure(QStringLiteral("%1 is %2, not a folder; left as it is").arg(folder, CReplacingFile::kindOf(st.st_mode)));
    if (st.st_uid != ::geteuid() || (st.st_mode & 0022) != 0)
        return CResult<QString>::failure(QStringLiteral("%1 can be written by another user; not used").arg(folder));
    return CResult<QString>::success(folder);
}

CResult<CRankFile::Written> CRankFile::write(const QString &folder, const QDate &day, const CDayRanks &ranks)
{
    const CDayRanks::Parts parts = ranks.parts();
    Header header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.version = Version;
    header.bits = parts.bits;
    header.count = quint64(parts.count);
    header.words = parts.words;
    header.stamp = QRandomGenerator::system()->generate64();
    header.length = lengthOf(header);
    Written written{QStringLiteral("%1.%2.ranks").arg(day.toString(Qt::ISODate)).arg(header.stamp, 16, 16, QLatin1Char('0')),
                    header.length, header.stamp};
    CReplacingFile file(QDir(folder).filePath(written.name));
    if (const CResult<void> opened = file.open(0600); !opened)
        return CResult<Written>::failure(opened.message());
    file.write(&header, sizeof header);
    writeGroups(file, parts);
    // Ranks never built (an empty day) are zeros, as is the padding.
    const QByteArray zeros(qsizetype(CDayRanks::packedBytesFor(0, 0)), '\0');
    if (parts.packedBytes > 0)
        file.write(parts.packed, parts.packedBytes);
    file.write(zeros.constData(), CDayRanks::packedBytesFor(header.count, header.bits) - parts.packedBytes);
    // Synced with the cache that names it (CRankFile::sync).
    if (const CResult<void> committed = file.commit(CReplacingFile::Sync::Later); !committed)
        return CResult<Written>::failure(committed.message());
    return CResult<Written>::success(written);
}

Opened CRankFile::open(const QString &path, quint64 length, quint64 stamp, qint64 domains)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return refused(path, errno == ELOOP ? QStringLiteral("a symbolic link, never followed")
                             : errno == ENOENT ? QStringLiteral("missing")
                                               : CReplacingFile::systemError(errno));
    const CResult<Header> header = checkedHeader(fd, path, length, stamp, domains);
    if (!header) {
        ::close(fd);
        return Opened::failure(header.message());
    }
    // A page asks for a few words of each day: reading ahead would only fill the page cache.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    const Header &h = header.value();
    auto file = std::shared_ptr<CDayRanks::InFile>(new CDayRanks::InFile, [](CDayRanks::InFile *open) {
        ::close(open->fd);
        delete open;
    });
    file->fd = fd;
    file->groups = qint64(sizeof(Header));
    file->packed = file->groups + qint64(groupBytes(h.words));
    CDayRanks::Parts sizes;
    sizes.words = size_t(h.words);
    sizes.packedBytes = size_t(CDayRanks::packedBytesFor(h.count, h.bits));
    sizes.bits = h.bits;
    sizes.count = qsizetype(h.count);
    return Opened::success(std::make_shared<const CDayRanks>(CDayRanks::reading(sizes, std::move(file))));
}

void CRankFile::sync(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    ::syncfs(fd);
    ::close(fd);
}

void CRankFile::removeAllBut(const QString &folder, const QSet<QString> &keep)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::System | QDir::Hidden)) {
        if (!keep.contains(name))
            dir.remove(name);
    }
}
