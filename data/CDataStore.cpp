#include "CDataStore.h"

#include "CAlexaRankData.h"
#include "CDomainDateList.h"
#include "CDomainName.h"
#include "CFieldText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <functional>

namespace {

bool ensureLevel(const QDir &dir)
{
    return dir.exists() || dir.mkdir(dir.absolutePath());
}

// Decodes a whole file: UTF-8 unless a byte-order mark says otherwise.
QString decode(QByteArrayView contents)
{
    const auto bom = QStringConverter::encodingForData(contents);
    QStringDecoder decoder(bom.value_or(QStringConverter::Utf8));
    return decoder.decode(contents);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray(); // a missing or unreadable file reads as empty
    return file.readAll();
}

// Calls f for every non-empty line, without its "\n", carriage returns before
// it and byte-order marks at its start.
void forEachLine(QStringView text, const std::function<void(QStringView)> &f)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        QStringView line = text.mid(start, end - start);
        // Files that went through two line-end conversions end lines in
        // "\r\r\n"; a carriage return kept in the last field would be dropped
        // by the next save and load, changing the record.
        while (line.endsWith(u'\r'))
            line.chop(1);
        // A byte-order mark inside the file (files joined together) is not
        // text. Kept, it would become the file's own mark whenever its line
        // is saved first, and the next load would drop it from the domain.
        line = CFieldText::withoutByteOrderMarks(line);
        if (!line.isEmpty())
            f(line);
        start = end + 1;
    }
}

CResult<> writeLines(const QString &path, qsizetype count,
                     const std::function<void(QString &, qsizetype)> &appendLine)
{
    QSaveFile file(path);
    auto fail = [&] {
        const QString message = QCoreApplication::translate("CDataStore", "Could not save %1: %2\nThe previous file has been kept.")
                                    .arg(QDir::toNativeSeparators(path), file.errorString());
        file.cancelWriting();
        return CResult<>::failure(message);
    };
    // Unbuffered: QSaveFile only notices a failed write that goes through it,
    // not one that fails later while a buffer is flushed at commit(), which
    // would put a cut-short file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered))
        return fail();

    // Written in slices so a large history never needs a second full copy.
    constexpr qsizetype sliceChars = 1 << 20;
    QString slice;
    slice.reserve(sliceChars + 1024);
    for (qsizetype i = 0; i < count; ++i) {
        appendLine(slice, i);
        slice.append(u'\n');
        if (slice.size() >= sliceChars || i + 1 == count) {
            const QByteArray bytes = slice.toUtf8();
            if (file.write(bytes) != bytes.size())
                return fail();
            slice.clear();
        }
    }
    if (!file.commit())
        return fail();
    return CResult<>::success();
}

} // namespace

QString CDataStore::dataDirectory(const QString &home)
{
    return QDir::toNativeSeparators(home + QStringLiteral("/.qorvex/Sorvane"));
}

QString CDataStore::domainListPath(const QString &dataDirectory)
{
    return QDir::toNativeSeparators(dataDirectory + QStringLiteral("/domains.dat"));
}

QString CDataStore::historyPath(const QString &dataDirectory)
{
    return QDir::toNativeSeparators(dataDirectory + QStringLiteral("/db.dat"));
}

int CDataStore::establishDataDirectory(const QString &dataDirectory)
{
    int failures = 0;
    const QDir dir(QDir::fromNativeSeparators(dataDirectory));
    if (!ensureLevel(QDir(QFileInfo(dir.path()).path())))
        ++failures;
    if (!ensureLevel(dir))
        ++failures;
    return failures;
}

QStringList CDataStore::parseDomainList(QByteArrayView contents)
{
    QStringList domains;
    forEachLine(decode(contents), [&](QStringView line) { domains.append(line.toString()); });
    return domains;
}

QStringList CDataStore::loadDomainList(const QString &path)
{
    return parseDomainList(readFile(path));
}

void CDataStore::parseHistory(QByteArrayView contents, QList<CAlexaRankData> &history,
                              CDomainDateList &latestDates)
{
    forEachLine(decode(contents), [&](QStringView line) {
        const CAlexaRankData record = CAlexaRankData::fromLine(line);
        latestDates.update(record.domain(), record.date());
        history.append(record);
    });
}

void CDataStore::loadHistory(const QString &path, QList<CAlexaRankData> &history,
                             CDomainDateList &latestDates)
{
    parseHistory(readFile(path), history, latestDates);
}

CResult<> CDataStore::saveDomainList(const QString &path, const QStringList &domains)
{
    // An entry of spaces alone would be an empty line, which is no domain and
    // is skipped on reading anyway.
    QStringList names;
    names.reserve(domains.size());
    for (const QString &domain : domains) {
        const QString name = CDomainName::nameOf(domain);
        if (!name.isEmpty())
            names.append(name);
    }
    return writeLines(
        path, names.size(), [&](QString &out, qsizetype i) { out.append(names.at(i)); });
}

CResult<> CDataStore::saveHistory(const QString &path, const QList<CAlexaRankData> &history)
{
    return writeLines(path, history.size(),
                      [&](QString &out, qsizetype i) { out.append(history.at(i).toString()); });
}
