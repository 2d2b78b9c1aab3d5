#include "CDataStore.h"

#include "CAlexaRankData.h"
#include "CDataFile.h"
#include "CDataFileWriter.h"
#include "CDomainDateList.h"
#include "CDomainName.h"
#include "CFieldText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <functional>
#include <sys/stat.h>

namespace {

// Made private (0700): the data are the user's alone.
bool ensureLevel(const QDir &dir)
{
    return dir.exists() || ::mkdir(QFile::encodeName(dir.absolutePath()).constData(), 0700) == 0;
}

// Decodes a whole file: UTF-8 unless a byte-order mark says otherwise.
QString decode(QByteArrayView contents)
{
    const auto bom = QStringConverter::encodingForData(contents);
    QStringDecoder decoder(bom.value_or(QStringConverter::Utf8));
    return decoder.decode(contents);
}

// Lines whose bytes are not UTF-8: they load with U+FFFD in place of the
// bad bytes, and are saved that way.
qsizetype invalidUtf8Lines(QByteArrayView contents)
{
    const auto bom = QStringConverter::encodingForData(contents);
    if (bom && *bom != QStringConverter::Utf8)
        return 0;
    if (contents.isValidUtf8())
        return 0;
    qsizetype count = 0;
    qsizetype start = 0;
    while (start < contents.size()) {
        qsizetype end = contents.indexOf('\n', start);
        if (end < 0)
            end = contents.size();
        if (!contents.sliced(start, end - start).isValidUtf8())
            ++count;
        start = end + 1;
    }
    return count;
}

void noteEncoding(const QString &path, QByteArrayView contents, QStringList &notes)
{
    const qsizetype lines = invalidUtf8Lines(contents);
    if (lines > 0)
        notes.append(QCoreApplication::translate("CDataStore", "%1 is not UTF-8 text: %2 line(s) hold bytes that are not UTF-8. "
                                                               "They are shown with \uFFFD in place of those bytes and will be saved that way.")
                         .arg(QDir::toNativeSeparators(path))
                         .arg(lines));
}

// Calls f for every line of text (characters or bytes), without its "\n"
// and the carriage returns before it. Files that went through two line-end
// conversions end lines in "\r\r\n"; a carriage return kept in the last
// field would be dropped by the next save and load, changing the record.
template<typename View, typename F>
void forEachLineOf(View text, F f)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        View line = text.sliced(start, end - start);
        while (line.endsWith('\r'))
            line.chop(1);
        f(line);
        start = end + 1;
    }
}

// Calls f for every non-empty line, without byte-order marks at its start.
void forEachLine(QStringView text, const std::function<void(QStringView)> &f)
{
    forEachLineOf(text, [&](QStringView line) {
        // A byte-order mark inside the file (files joined together) is not
        // text. Kept, it would become the file's own mark whenever its line
        // is saved first, and the next load would drop it from the domain.
        line = CFieldText::withoutByteOrderMarks(line);
        if (!line.isEmpty())
            f(line);
    });
}

CResult<> saveFailed(const QString &path, const CResult<> &step)
{
    return CResult<>::failure(QCoreApplication::translate("CDataStore", "Could not save %1: %2\nThe previous file has been kept.")
                                  .arg(QDir::toNativeSeparators(path), step.message()));
}

CResult<> writeLines(const QString &path, qsizetype count,
                     const std::function<void(QString &, qsizetype)> &appendLine)
{
    CDataFileWriter file(path);
    if (const CResult<> opened = file.open(); !opened)
        return saveFailed(path, opened);

    // Written in slices so a large history never needs a second full copy.
    constexpr qsizetype sliceChars = 1 << 20;
    QString slice;
    slice.reserve(sliceChars + 1024);
    for (qsizetype i = 0; i < count; ++i) {
        appendLine(slice, i);
        slice.append(u'\n');
        if (slice.size() >= sliceChars || i + 1 == count) {
            const QByteArray bytes = slice.toUtf8();
            if (const CResult<> written = file.write(bytes); !written)
                return saveFailed(path, written);
            slice.clear();
        }
    }
    if (const CResult<> committed = file.commit(); !committed)
        return saveFailed(path, committed);
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

QStringList CDataStore::parseDomainList(QByteArrayView contents, QStringList *skipped)
{
    QStringList domains;
    forEachLine(decode(contents), [&](QStringView line) {
        // A name with "," would split its history lines into the wrong fields.
        if (CDomainName::nameOf(line.toString()).contains(u',')) {
            if (skipped)
                skipped->append(line.toString());
            return;
        }
        domains.append(line.toString());
    });
    return domains;
}

QStringList CDataStore::loadDomainList(const QString &path)
{
    QStringList notes;
    const CResult<QStringList> read = readDomainList(path, notes);
    return read ? read.value() : QStringList();
}

CResult<QStringList> CDataStore::readDomainList(const QString &path, QStringList &notes)
{
    const CResult<QByteArray> contents = CDataFile::read(path);
    if (!contents)
        return CResult<QStringList>::failure(contents.message());
    noteEncoding(path, contents.value(), notes);
    QStringList skipped;
    QStringList domains = parseDomainList(contents.value(), &skipped);
    if (!skipped.isEmpty()) {
        constexpr int shown = 10;
        QStringList names = skipped.mid(0, shown);
        if (skipped.size() > shown)
            names.append(QCoreApplication::translate("CDataStore", "... and %1 more").arg(skipped.size() - shown));
        notes.append(QCoreApplication::translate("CDataStore", "A domain name cannot contain \",\"; these lines of %1 were skipped "
                                                               "and will be left out when the list is saved:\n")
                         .arg(QDir::toNativeSeparators(path))
                     + names.join(u'\n'));
    }
    return CResult<QStringList>::success(std::move(domains));
}

void CDataStore::parseHistory(QByteArrayView contents, QList<CAlexaRankData> &history,
                              CDomainDateList &latestDates)
{
    const auto add = [&](const CAlexaRankData &record) {
        latestDates.update(record.domain(), record.date());
        history.append(record);
    };
    const auto bom = QStringConverter::encodingForData(contents);
    if (bom && *bom != QStringConverter::Utf8) {
        forEachLine(decode(contents),
                    [&](QStringView line) { add(CAlexaRankData::fromLine(line)); });
        return;
    }
    // UTF-8 is read line by line from the bytes: decoding the whole file
    // first would hold it twice more in memory. A line that may hold a
    // byte-order mark (0xEF starts one) is decoded whole, as before, so the
    // marks are dropped or kept just as when the file was decoded at once.
    if (bom)
        contents = contents.sliced(3);
    QStringDecoder lineDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless
                                                           | QStringConverter::Flag::ConvertInitialBom);
    forEachLineOf(contents, [&](QByteArrayView line) {
        if (line.isEmpty())
            return;
        if (line.indexOf('\xEF') < 0) {
            add(CAlexaRankData::fromUtf8Line(line));
            return;
        }
        const QString text = lineDecoder.decode(line);
        const QStringView withoutMarks = CFieldText::withoutByteOrderMarks(text);
        if (!withoutMarks.isEmpty())
            add(CAlexaRankData::fromLine(withoutMarks));
    });
}

void CDataStore::loadHistory(const QString &path, QList<CAlexaRankData> &history,
                             CDomainDateList &latestDates)
{
    QStringList notes;
    readHistory(path, history, latestDates, notes);
}

CResult<> CDataStore::readHistory(const QString &path, QList<CAlexaRankData> &history,
                                  CDomainDateList &latestDates, QStringList &notes)
{
    const CResult<QByteArray> contents = CDataFile::read(path);
    if (!contents)
        return CResult<>::failure(contents.message());
    noteEncoding(path, contents.value(), notes);
    parseHistory(contents.value(), history, latestDates);
    return CResult<>::success();
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
                      [&](QString &out, qsizetype i) { history.at(i).appendTo(out); });
}

CResult<> CDataStore::saveLines(const QString &path, const QStringList &lines)
{
    return writeLines(path, lines.size(), [&](QString &out, qsizetype i) { out.append(lines.at(i)); });
}

CResult<> CDataStore::saveBytes(const QString &path, QByteArrayView bytes)
{
    CDataFileWriter file(path);
    CResult<> step = file.open();
    if (step)
        step = file.write(bytes);
    if (step)
        step = file.commit();
    return step ? step : saveFailed(path, step);
}
