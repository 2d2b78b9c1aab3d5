#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDate.h"
#include "CDomainDateList.h"
#include "DecodedHistory.h"
#include "FuzzCheck.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

// The bytes the save would write for these records (without the file).
QByteArray historyText(const QList<CAlexaRankData> &history)
{
    QString text;
    for (const CAlexaRankData &record : history)
        text += record.toString() + u'\n';
    return text.toUtf8();
}

// Compared as the bytes written, since characters that UTF-8 cannot carry
// (lone surrogates from a UTF-16 file) are replaced on the way.
QByteArray lineTexts(const QList<CAlexaRankData> &history)
{
    QStringList lines;
    for (const CAlexaRankData &record : history) {
        QString line = record.toString();
        while (line.endsWith(u'\r'))
            line.chop(1);
        lines.append(line);
    }
    return lines.join(u'\n').toUtf8();
}

} // namespace

// The same bytes are read as a history file and as a domain list.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));

    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::parseHistory(bytes, history, dates);
    FUZZ_CHECK(history.size() <= bytes.count('\n') + 1);
    // UTF-8 is read line by line from the bytes; that must read as the
    // decoded file does.
    const auto bom = QStringConverter::encodingForData(bytes);
    if (!bom || *bom == QStringConverter::Utf8)
        FUZZ_CHECK(history == decodedHistory(bytes));
    // The date list holds, per domain, the latest date on the calendar.
    QHash<QString, QString> latest;
    for (const CAlexaRankData &record : history) {
        FUZZ_CHECK(!record.toString().contains(u'\n'));
        const auto it = latest.find(record.domain());
        if (it == latest.end())
            latest.insert(record.domain(), record.date());
        else if (CDomainDateList::isLater(record.date(), *it))
            *it = record.date();
    }
    FUZZ_CHECK(dates.count() == latest.size());
    for (auto it = latest.cbegin(); it != latest.cend(); ++it)
        FUZZ_CHECK(dates.contains(it.key(), it.value()));

    // What was loaded is saved and loaded again without losing a record.
    QList<CAlexaRankData> reloaded;
    CDomainDateList reloadedDates;
    CDataStore::parseHistory(historyText(history), reloaded, reloadedDates);
    FUZZ_CHECK(reloaded.size() == history.size());
    // Only carriage returns that end up before the line feed may go: a date
    // that ends in one (possible when a ninth field followed it) reads back
    // without it, as every line end "\r\n" does.
    FUZZ_CHECK(lineTexts(reloaded) == lineTexts(history));

    const QStringList domains = CDataStore::parseDomainList(bytes);
    FUZZ_CHECK(domains.size() <= bytes.count('\n') + 1);
    for (const QString &domain : domains)
        FUZZ_CHECK(!domain.isEmpty() && !domain.contains(u'\n'));
    return 0;
}
