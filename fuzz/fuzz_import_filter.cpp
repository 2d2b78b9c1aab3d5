#include "io/CDomainImportFilter.h"
#include "FuzzCheck.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

// The input is an imported file: each line, without its terminator, goes
// through the filter as the import reads it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView rest(data, qsizetype(size));
    CDomainImportFilter filter;
    while (!rest.isEmpty()) {
        const qsizetype newline = rest.indexOf('\n');
        QByteArrayView bytes = newline < 0 ? rest : rest.first(newline);
        rest = newline < 0 ? QByteArrayView() : rest.sliced(newline + 1);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = QString::fromUtf8(bytes);

        switch (filter.check(line)) {
        case CDomainImportFilter::Verdict::Blank:
        case CDomainImportFilter::Verdict::Refused:
            FUZZ_CHECK(filter.entry().isEmpty());
            break;
        case CDomainImportFilter::Verdict::Accepted: {
            // The entry becomes a line of the domain list and the first field
            // of history lines, so nothing in it may split either.
            const QString entry = filter.entry();
            FUZZ_CHECK(entry.startsWith(QStringLiteral("  ")));
            FUZZ_CHECK(entry.size() > 2);
            FUZZ_CHECK(!entry.contains(u',') && !entry.contains(u'\n'));
            FUZZ_CHECK(!entry.mid(2).contains(u'/') && !entry.mid(2).contains(u' '));
            FUZZ_CHECK(entry == entry.toLower());
            FUZZ_CHECK(entry.size() <= 2 + 253);
            for (const QChar c : entry)
                FUZZ_CHECK(c.category() != QChar::Other_Control && c.category() != QChar::Other_Format);
            break;
        }
        }
    }
    return 0;
}
