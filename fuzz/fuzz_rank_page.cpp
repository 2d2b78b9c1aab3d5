#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "FuzzCheck.h"
#include "RankPageParser.h"
#include "StoredFieldCheck.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

bool isRank(const QString &value)
{
    if (value == u"NA")
        return true;
    bool ok = false;
    value.toInt(&ok, 10);
    if (!ok)
        return false;
    for (const QChar c : value)
        if ((c < u'0' || c > u'9') && c != u'-' && c != u'+')
            return false;
    return true;
}

} // namespace

// Byte 0: bit 0 is the mode; with bit 1 set, the text up to the first line
// feed is the domain (the queried name also shapes the section cut). The rest
// is the page, decoded as the fetch object decodes it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool rankMode = data[0] & 1;
    QByteArrayView rest(data + 1, qsizetype(size - 1));
    QString domain = QStringLiteral("example.com");
    if (data[0] & 2) {
        const qsizetype newline = rest.indexOf('\n');
        if (newline >= 0) {
            const QString given = QString::fromLatin1(rest.first(newline));
            // The socket is only ever given a name from the domain list, which
            // holds no empty names and no commas.
            if (!given.isEmpty() && isPlainField(given))
                domain = given;
            rest = rest.sliced(newline + 1);
        }
    }
    const QString page = QString::fromLatin1(rest);

    const CAlexaRankData record = parseRankPage(page, domain, rankMode);
    FUZZ_CHECK(record.domain() == domain);
    FUZZ_CHECK(record.date().size() == 10);
    FUZZ_CHECK(isRank(record.globalRank()));
    FUZZ_CHECK(isRank(record.usRank()));
    FUZZ_CHECK(isStoredFigure(record.yesterday(), 10));
    FUZZ_CHECK(isStoredFigure(record.sevenDay(), 15));
    FUZZ_CHECK(isStoredFigure(record.oneMonth(), 15));
    FUZZ_CHECK(isStoredFigure(record.threeMonth(), 15));

    // Whatever the page held, the record comes back whole from the history file.
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::parseHistory((record.toString() + u'\n').toUtf8(), history, dates);
    FUZZ_CHECK(history.size() == 1);
    FUZZ_CHECK(history.at(0) == record);

    // The mode only moves the section the four figures come from.
    const CAlexaRankData other = parseRankPage(page, domain, !rankMode);
    FUZZ_CHECK(other.globalRank() == record.globalRank());
    FUZZ_CHECK(other.usRank() == record.usRank());
    return 0;
}
