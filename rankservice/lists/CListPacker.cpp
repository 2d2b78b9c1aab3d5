#include "rankservice/lists/CListPacker.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

struct WriterFree
{
    void operator()(archive *a) const { archive_write_free(a); }
};

struct EntryFree
{
    void operator()(archive_entry *e) const { archive_entry_free(e); }
};

la_ssize_t append(archive *, void *out, const void *bytes, size_t length)
{
    static_cast<QByteArray *>(out)->append(static_cast<const char *>(bytes), qsizetype(length));
    return la_ssize_t(length);
}

QByteArray pack(bool asZip, const QString &entryName, const QByteArray &text)
{
    QByteArray out;
    std::unique_ptr<archive, WriterFree> writer(archive_write_new());
    if (asZip) {
        archive_write_set_format_zip(writer.get());
    } else {
        archive_write_set_format_raw(writer.get());
        archive_write_add_filter_gzip(writer.get());
    }
    archive_write_set_bytes_in_last_block(writer.get(), 1);
    if (archive_write_open(writer.get(), &out, nullptr, append, nullptr) != ARCHIVE_OK)
        return {};
    std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), entryName.toUtf8().constData());
    archive_entry_set_size(entry.get(), text.size());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK
        || archive_write_data(writer.get(), text.constData(), size_t(text.size())) != la_ssize_t(text.size())
        || archive_write_close(writer.get()) != ARCHIVE_OK)
        return {};
    return out;
}

} // namespace

QByteArray CListPacker::zip(const QString &entryName, const QByteArray &text)
{
    return pack(true, entryName, text);
}

QByteArray CListPacker::gzip(const QByteArray &text)
{
    return pack(false, QStringLiteral("list.csv"), text);
}
