#include "CListReader.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

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

} // namespace

CListReader::Result CListReader::read(const QString &path, const std::function<void(qint64)> &afterChunk)
{
    Result result;
    QFile file(path);
    // Unbuffered: libarchive reads the descriptor from where this leaves it.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        result.problem = QStringLiteral("cannot be read: ") + file.errorString();
        return result;
    }
    // Read with read(2), never mapped: a file cut short under a mapping
    // would kill the service with SIGBUS.
    const Stamp opened = Stamp::of(file.handle());
    if (file.size() == 0) {
        result.problem = QStringLiteral("is empty");
        return result;
    }

    // A zip is read through its central directory, which comes last, so a
    // cut-off download is noticed; anything else is one stream, gzip or plain.
    const QByteArray magic = file.read(4);
    const bool zip = magic == QByteArrayView("PK\x03\x04");
    const bool gzip = magic.startsWith("\x1f\x8b");
    if (looksLikeText(magic) && file.size() <= MaxTextSize) {
        // Plain text straight into its buffer: libarchive's raw reading would
        // copy it in 64 KB pieces into a buffer grown as it goes.
        result.text = QByteArray(qsizetype(file.size()), Qt::Uninitialized);
        qint64 got = 0;
        if (!file.seek(0)) {
            result.text.clear();
            result.problem = QStringLiteral("cannot be read: ") + file.errorString();
            return result;
        }
        while (got < result.text.size()) {
            const qint64 step = file.read(result.text.data() + got, result.text.size() - got);
            if (step <= 0)
                break;
            got += step;
            if (afterChunk)
                afterChunk(got);
        }
        if (got != result.text.size() || file.read(1).size() != 0 || !(Stamp::of(file.handle()) == opened)) {
            result.text.clear();
            result.problem = QStringLiteral("changed while it was read (rewritten or cut short)");
        }
        return result;
    }
    // A gzip stream ends with its unpacked size (modulo 4 GB): enough to
    // reserve the text at once for any list this reads.
    qsizetype expected = 0;
    if (gzip && file.size() >= 18 && file.seek(file.size() - 4)) {
        const QByteArray tail = file.read(4);
        if (tail.size() == 4)
            expected = qsizetype(quint8(tail[0]) | quint8(tail[1]) << 8 | quint8(tail[2]) << 16
                                 | quint32(quint8(tail[3])) << 24);
    }
    if (!file.seek(0)) {
        result.problem = QStringLiteral("cannot be read: ") + file.errorString();
        return result;
    }
    std::unique_ptr<archive, ArchiveFree> reader(archive_read_new());
    if (zip) {
        archive_read_support_format_zip_seekable(reader.get());
    } else {
        archive_read_support_filter_all(reader.get());
        archive_read_support_format_raw(reader.get());
    }
    if (archive_read_open_fd(reader.get(), file.handle(), 64 * 1024) != ARCHIVE_OK) {
        result.problem = QStringLiteral("is damaged: ") + reason(reader.get());
        return result;
    }

    archive_entry *entry = nullptr;
    const int header = archive_read_next_header(reader.get(), &entry);
    if (header == ARCHIVE_EOF) {
        result.problem = QStringLiteral("is an empty archive");
        return result;
    }
    if (header < ARCHIVE_WARN) {
        result.problem = QStringLiteral("is not a readable list: ") + reason(reader.get());
        return result;
    }

    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > MaxTextSize) {
        result.problem = QStringLiteral("unpacks to more than %1 MB").arg(MaxTextSize >> 20);
        return result;
    }
    if (archive_entry_size_is_set(entry))
        result.text.reserve(qsizetype(archive_entry_size(entry)) + ReadChunk);
    else if (expected > 0 && expected <= MaxTextSize)
        result.text.reserve(expected + ReadChunk);

    // Unpacked straight into the text, not through a buffer of its own: the
    // copy was a tenth of reading a compressed list.
    for (;;) {
        const qsizetype at = result.text.size();
        result.text.resize(at + ReadChunk); // within the reserved size, or grown geometrically
        const la_ssize_t got = archive_read_data(reader.get(), result.text.data() + at, size_t(ReadChunk));
        result.text.resize(at + qMax<qsizetype>(got, 0));
        if (got == 0)
            break;
        if (got < 0) {
            result.text.clear();
            result.problem = QStringLiteral("is damaged: ") + reason(reader.get());
            return result;
        }
        if (result.text.size() > MaxTextSize) {
            result.text.clear();
            result.problem = QStringLiteral("unpacks to more than %1 MB").arg(MaxTextSize >> 20);
            return result;
        }
        if (afterChunk)
            afterChunk(archive_filter_bytes(reader.get(), -1));
    }
    if (!(Stamp::of(file.handle()) == opened)) {
        result.text.clear();
        result.problem = QStringLiteral("changed while it was read (rewritten or cut short)");
        return result;
    }
    if (result.text.isEmpty())
        result.problem = QStringLiteral("is empty once unpacked");
    return result;
}
