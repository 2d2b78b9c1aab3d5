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

CResult<void> tooBig()
{
    return refused(QStringLiteral("unpacks to more than %1 MB").arg(CListReader::MaxTextSize >> 20));
}

// One reading of a list, step by step.
class Reading
{
public:
    Reading(const QString &path, const CListReader::Take &take) : m_file(path), m_take(take) {}

    CResult<void> open();
    bool plain() const { return looksLikeText(m_magic); }
    CResult<void> readPlain();
    CResult<void> openArchive();
    CResult<void> unpack();
    CResult<void> unchanged() { return Stamp::of(m_file.handle()) == m_opened ? fine() : changed(); }

private:
    static CResult<void> changed() { return refused(QStringLiteral("changed while it was read (rewritten or cut short)")); }
    CResult<void> cannotRead() const { return refused(QStringLiteral("cannot be read: ") + m_file.errorString()); }
    // Hands a piece on; false once the taker has enough or refuses.
    bool hand(QByteArrayView piece, CResult<void> &outcome);

    QFile m_file;
    const CListReader::Take &m_take;
    Stamp m_opened;
    QByteArray m_magic;
    QByteArray m_buffer;
    qint64 m_handed = 0;
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

bool Reading::hand(QByteArrayView piece, CResult<void> &outcome)
{
    m_handed += piece.size();
    if (m_handed > CListReader::MaxTextSize) {
        outcome = tooBig();
        return false;
    }
    const CResult<CListReader::Next> next = m_take(piece);
    if (!next)
        outcome = refused(next.message());
    return next && next.value() == CListReader::Next::More;
}

CResult<void> Reading::readPlain()
{
    // One buffer, used again for every piece: the text is never held whole.
    m_buffer.resize(qMin<qint64>(PlainChunk, m_file.size() + 1));
    CResult<void> outcome = fine();
    for (;;) {
        const qint64 step = m_file.read(m_buffer.data(), m_buffer.size());
        if (step < 0)
            return cannotRead();
        if (step == 0)
            break;
        if (!hand(QByteArrayView(m_buffer.constData(), step), outcome))
            return outcome;
    }
    // All of it, and no more than there was when it was opened.
    return m_handed == m_opened.size ? fine() : changed();
}

CResult<void> Reading::openArchive()
{
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
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > CListReader::MaxTextSize)
        return tooBig();
    return fine();
}

CResult<void> Reading::unpack()
{
    m_buffer.resize(ReadChunk);
    CResult<void> outcome = fine();
    for (;;) {
        const la_ssize_t got = archive_read_data(m_archive.get(), m_buffer.data(), size_t(m_buffer.size()));
        if (got == 0)
            return fine();
        if (got < 0)
            return refused(QStringLiteral("is damaged: ") + reason(m_archive.get()));
        if (!hand(QByteArrayView(m_buffer.constData(), got), outcome))
            return outcome;
    }
}

} // namespace

CResult<void> CListReader::read(const QString &path, const Take &take)
{
    Reading reading(path, take);
    CResult<void> step = reading.open();
    if (step && reading.plain())
        step = reading.readPlain();
    else if (step && (step = reading.openArchive()))
        step = reading.unpack();
    if (step)
        step = reading.unchanged();
    return step;
}

CResult<QByteArray> CListReader::read(const QString &path)
{
    QByteArray text;
    const CResult<void> read = CListReader::read(path, [&text](QByteArrayView piece) {
        text.append(piece);
        return CResult<Next>::success(Next::More);
    });
    if (!read)
        return CResult<QByteArray>::failure(read.message());
    if (text.isEmpty())
        return CResult<QByteArray>::failure(QStringLiteral("is empty once unpacked"));
    return CResult<QByteArray>::success(std::move(text));
}
