#include "rankservice/lists/CListReader.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <utility>

#include <sys/stat.h>

namespace {

struct ArchiveFree
{
    void operator()(archive *a) const { archive_read_free(a); }
};

QString reason(archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown archive error");
}

// What tells a file rewritten or cut short under the reader from the one opened.
struct Stamp
{
    off_t size = -1;
    timespec modified{};

    static Stamp of(int fd)
    {
        Stamp stamp;
        struct stat st;
        if (::fstat(fd, &st) == 0) {
            stamp.size = st.st_size;
            stamp.modified = st.st_mtim;
        }
        return stamp;
    }
    bool operator==(const Stamp &other) const
    {
        return size == other.size && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec;
    }
};

constexpr qsizetype ReadChunk = 256 * 1024;
// Plain text is read in bigger steps: there is nothing to unpack between them.
constexpr qsizetype PlainChunk = 4 * 1024 * 1024;

// The start of a plain list: text, where every packed format libarchive
// knows starts with a binary or a known magic.
bool looksLikeText(QByteArrayView start)
{
    if (start.startsWith("\xEF\xBB\xBF"))
        return true;
    if (start.startsWith("BZh") || start.startsWith("LZIP"))
        return false;
    for (const char c : start) {
        if (!((c >= 0x20 && c < 0x7f) || c == '\t' || c == '\r' || c == '\n'))
            return false;
    }
    return !start.isEmpty();
}

CResult<void> fine()
{
    return CResult<void>::success();
}

CResult<void> refused(const QString &why)
{
    return CResult<void>::failure(why);
}

// One reading of a list, step by step.
class Reading
{
public:
    Reading(const QString &path, const CListReader::Watch &watch) : m_file(path), m_watch(watch) {}

    CResult<void> open();
    bool plain() const { return looksLikeText(m_magic) && m_file.size() <= CListReader::MaxTextSize; }
    CResult<void> readPlain();
    CResult<void> openArchive();
    CResult<void> unpack();
    CResult<void> unchanged() { return Stamp::of(m_file.handle()) == m_opened ? fine() : changed(); }

    QByteArray text;

private:
    static CResult<void> changed() { return refused(QStringLiteral("changed while it was read (rewritten or cut short)")); }
    CResult<void> cannotRead() const { return refused(QStringLiteral("cannot be read: ") + m_file.errorString()); }
    CResult<void> watched(qint64 fileBytes) { return m_watch ? m_watch(text, fileBytes) : fine(); }
    // The unpacked size a gzip stream ends with (modulo 4 GB), or 0.
    qsizetype gzipSize();

    QFile m_file;
    const CListReader::Watch &m_watch;
    Stamp m_opened;
    QByteArray m_magic;
    std::unique_ptr<archive, ArchiveFree> m_archive;
};

CResult<void> Reading::open()
{
    // Unbuffered: libarchive reads the descriptor from where this leaves it.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return cannotRead();
    // Read with read(2), never mapped: a file cut short under a mapping
    // would kill the service with SIGBUS.
    m_opened = Stamp::of(m_file.handle());
    if (m_file.size() == 0)
        return refused(QStringLiteral("is empty"));
    m_magic = m_file.read(4);
    return m_file.seek(0) ? fine() : cannotRead();
}

CResult<void> Reading::readPlain()
{
    // Straight into the text, in steps the watch sees: libarchive's raw
    // reading would copy it in 64 KB pieces into a buffer grown as it goes.
    text.reserve(qsizetype(m_file.size()));
    while (text.size() < m_file.size()) {
        const qsizetype at = text.size();
        text.resize(at + qMin<qsizetype>(PlainChunk, qsizetype(m_file.size()) - at));
        const qint64 step = m_file.read(text.data() + at, text.size() - at);
        text.resize(at + qsizetype(qMax<qint64>(step, 0)));
        if (step <= 0)
            return changed();
        if (CResult<void> watch = watched(text.size()); !watch)
            return watch;
    }
    return m_file.read(1).isEmpty() ? fine() : changed();
}

qsizetype Reading::gzipSize()
{
    qsizetype expected = 0;
    if (m_magic.startsWith("\x1f\x8b") && m_file.size() >= 18 && m_file.seek(m_file.size() - 4)) {
        const QByteArray tail = m_file.read(4);
        if (tail.size() == 4)
            expected = qsizetype(quint8(tail[0]) | quint8(tail[1]) << 8 | quint8(tail[2]) << 16
                                 | quint32(quint8(tail[3])) << 24);
    }
    return expected;
}

CResult<void> Reading::openArchive()
{
    const qsizetype expected = gzipSize();
    if (!m_file.seek(0))
        return cannotRead();
    // A zip is read through its central directory, which comes last, so a
    // cut-off download is noticed; anything else is one stream, gzip or plain.
    m_archive.reset(archive_read_new());
    if (m_magic == QByteArrayView("PK\x03\x04")) {
        archive_read_support_format_zip_seekable(m_archive.get());
    } else {
        archive_read_support_filter_all(m_archive.get());
        archive_read_support_format_raw(m_archive.get());
    }
    if (archive_read_open_fd(m_archive.get(), m_file.handle(), 64 * 1024) != ARCHIVE_OK)
        return refused(QStringLiteral("is damaged: ") + reason(m_archive.get()));
    archive_entry *entry = nullptr;
    const int header = archive_read_next_header(m_archive.get(), &entry);
    if (header == ARCHIVE_EOF)
        return refused(QStringLiteral("is an empty archive"));
    if (header < ARCHIVE_WARN)
        return refused(QStringLiteral("is not a readable list: ") + reason(m_archive.get()));
    const bool sized = archive_entry_size_is_set(entry);
    if (sized && archive_entry_size(entry) > CListReader::MaxTextSize)
        return refused(QStringLiteral("unpacks to more than %1 MB").arg(CListReader::MaxTextSize >> 20));
    // Reserved, not touched: pages the text never reaches cost nothing.
    if (sized)
        text.reserve(qsizetype(archive_entry_size(entry)) + ReadChunk);
    else if (expected > 0 && expected <= CListReader::MaxTextSize)
        text.reserve(expected + ReadChunk);
    return fine();
}

CResult<void> Reading::unpack()
{
    // Unpacked straight into the text, not through a buffer of its own: the
    // copy was a tenth of reading a compressed list.
    for (;;) {
        const qsizetype at = text.size();
        text.resize(at + ReadChunk); // within the reserved size, or grown geometrically
        const la_ssize_t got = archive_read_data(m_archive.get(), text.data() + at, size_t(ReadChunk));
        text.resize(at + qMax<qsizetype>(got, 0));
        if (got == 0)
            return fine();
        if (got < 0)
            return refused(QStringLiteral("is damaged: ") + reason(m_archive.get()));
        if (text.size() > CListReader::MaxTextSize)
            return refused(QStringLiteral("unpacks to more than %1 MB").arg(CListReader::MaxTextSize >> 20));
        if (CResult<void> watch = watched(archive_filter_bytes(m_archive.get(), -1)); !watch)
            return watch;
    }
}

} // namespace

CResult<QByteArray> CListReader::read(const QString &path, const Watch &watch)
{
    Reading reading(path, watch);
    CResult<void> step = reading.open();
    if (step && reading.plain())
        step = reading.readPlain();
    else if (step && (step = reading.openArchive()))
        step = reading.unpack();
    if (step)
        step = reading.unchanged();
    if (!step)
        return CResult<QByteArray>::failure(step.message());
    if (reading.text.isEmpty())
        return CResult<QByteArray>::failure(QStringLiteral("is empty once unpacked"));
    return CResult<QByteArray>::success(std::move(reading.text));
}
