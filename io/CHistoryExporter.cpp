#include "io/CHistoryExporter.h"

#include "CAlexaRankData.h"
#include "CDataFileWriter.h"
#include "CFieldText.h"
#include "CRecordDate.h"
#include "CTrendFigure.h"
#include "io/CCsvWriter.h"
#include "io/CHistoryFilter.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <unordered_map>

namespace {

using Format = CHistoryExporter::Format;

constexpr int DateField = CAlexaRankData::FieldCount - 1;
constexpr qsizetype SliceChars = 1 << 20;

// Digits as a JSON number writes them: no sign, no leading zero. Any other
// spelling ("007") stays a string, so it reads back as it was.
bool isJsonNumber(QStringView text)
{
    if (text.isEmpty() || (text.size() > 1 && text.front() == u'0'))
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void appendJsonString(QString &out, QStringView text)
{
    out.append(u'"');
    const bool plain = std::none_of(text.begin(), text.end(),
                                    [](QChar c) { return c == u'"' || c == u'\\' || c.unicode() < 0x20; });
    if (plain) {
        out.append(text);
        out.append(u'"');
        return;
    }
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            out.append(u'\\');
            out.append(c);
        } else if (c.unicode() < 0x20) {
            out.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0')));
        } else {
            out.append(c);
        }
    }
    out.append(u'"');
}

// Decides what an export takes and writes each record, with what a
// history repeats on every line (its dates) worked out once.
class RecordWriter
{
public:
    RecordWriter(const CHistoryFilter &filter, Format format)
        : m_filter(filter)
        , m_format(format)
    {
        for (const QString &domain : filter.domains) {
            CAlexaRankData probe;
            probe.domain(domain);
            m_domains.insert(probe.key(0));
        }
    }

    bool takes(const CAlexaRankData &record)
    {
        if (!m_domains.isEmpty() && !m_domains.contains(record.key(0)))
            return false;
        if (!m_filter.from.isValid() && !m_filter.to.isValid())
            return true;
        const Date &date = dateOf(record);
        return date.day.isValid() && (!m_filter.from.isValid() || date.day >= m_filter.from)
               && (!m_filter.to.isValid() || date.day <= m_filter.to);
    }

    void append(QString &out, const CAlexaRankData &record)
    {
        if (m_format == Format::Csv)
            appendCsv(out, record);
        else
            appendJson(out, record);
    }

private:
    struct Date
    {
        QDate day;
        QString text; // ISO, or the stored text when it names no day
    };

    const Date &dateOf(const CAlexaRankData &record)
    {
        const quint32 key = record.key(DateField);
        auto found = m_dates.find(key);
        if (found == m_dates.end()) {
            const QString stored = record.date();
            const QDate day = CRecordDate::parse(stored);
            found = m_dates.emplace(key, Date{day, day.isValid() ? CHistoryExporter::dateText(day) : stored}).first;
        }
        return found->second;
    }

    // A figure as the history's readers may see it: what is no rank figure
    // (a formula or markup kept from an older file) goes out as "NA".
    static QString figureOf(const CAlexaRankData &record, int field)
    {
        QString text = record.field(field);
        return CFieldText::isFigure(text) ? text : QStringLiteral("NA");
    }

    void appendCsv(QString &out, const CAlexaRankData &record)
    {
        quint32 number = 0;
        for (int i = 0; i < DateField; ++i) {
            if (record.isNumber(i, &number))
                record.appendField(out, i);
            else
                CCsvWriter::appendCell(out, i == 0 ? record.field(i) : figureOf(record, i));
            out.append(u',');
        }
        CCsvWriter::appendCell(out, dateOf(record).text);
        out.append(u'\n');
    }

    void appendJson(QString &out, const CAlexaRankData &record)
    {
        // Each key as it is written, with what goes before and after it.
        static const QList<QString> keys = [] {
            QList<QString> written;
            for (const QString &name : CHistoryExporter::fieldNames()) {
                QString key = written.isEmpty() ? QStringLiteral("{") : QStringLiteral(",");
                appendJsonString(key, name);
                written.append(key + u':');
            }
            return written;
        }();
        quint32 number = 0;
        for (int i = 0; i < CAlexaRankData::FieldCount; ++i) {
            out.append(keys.at(i));
            if (i == DateField) {
                appendJsonString(out, dateOf(record).text);
            } else if (i > 0 && record.isNumber(i, &number)) {
                record.appendField(out, i);
            } else {
                const QString text = i == 0 ? record.field(i) : figureOf(record, i);
                if (i > 0 && text == u"NA")
                    out.append(QLatin1StringView("null"));
                else if (i > 0 && isJsonNumber(text))
                    out.append(text);
                else
                    appendJsonString(out, text);
            }
        }
        out.append(u'}');
    }

    const CHistoryFilter &m_filter;
    const Format m_format;
    QSet<quint32> m_domains;
    std::unordered_map<quint32, Date> m_dates;
};

} // namespace

const QList<QString> &CHistoryExporter::fieldNames()
{
    static const QList<QString> names = [] {
        QList<QString> keys{QStringLiteral("domain")};
        for (int figure = 0; figure < CTrendFigure::Count; ++figure)
            keys.append(CTrendFigure::exportKey(figure));
        keys.append(QStringLiteral("date"));
        return keys;
    }();
    return names;
}

QString CHistoryExporter::dateText(QDate day)
{
    return day.toString(Qt::ISODate);
}

QDate CHistoryExporter::dateFrom(QStringView text)
{
    // Qt's reader would also take a sign or text after the day.
    const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'-'; });
    if (text.size() != 10 || !digits || text.count(u'-') != 2)
        return QDate();
    return QDate::fromString(text, Qt::ISODate);
}

CHistoryExporter::Format CHistoryExporter::formatOfPath(const QString &path)
{
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ? Format::Json : Format::Csv;
}

CResult<CHistoryExporter::Format> CHistoryExporter::formatNamed(const QString &name)
{
    if (name == u"csv")
        return CResult<Format>::success(Format::Csv);
    if (name == u"json")
        return CResult<Format>::success(Format::Json);
    return CResult<Format>::failure(QStringLiteral("not a format: ") + name);
}

CResult<qsizetype> CHistoryExporter::write(const QList<CAlexaRankData> &history, const CHistoryFilter &filter,
                                           Format format, const Sink &sink)
{
    RecordWriter writer(filter, format);
    QString slice;
    slice.reserve(SliceChars + 4096);
    slice.append(format == Format::Csv ? fieldNames().join(u',') : QStringLiteral("["));
    slice.append(u'\n');
    qsizetype written = 0;
    const auto flush = [&]() -> CResult<> {
        const CResult<> sent = sink(slice.toUtf8());
        slice.clear();
        return sent;
    };
    for (const CAlexaRankData &record : history) {
        if (!writer.takes(record))
            continue;
        if (format == Format::Json && written > 0)
            slice.append(QLatin1StringView(",\n"));
        writer.append(slice, record);
        ++written;
        if (slice.size() >= SliceChars) {
            if (const CResult<> sent = flush(); !sent)
                return CResult<qsizetype>::failure(sent.message());
        }
    }
    if (format == Format::Json)
        slice.append(written > 0 ? QLatin1StringView("\n]\n") : QLatin1StringView("]\n"));
    if (const CResult<> sent = flush(); !sent)
        return CResult<qsizetype>::failure(sent.message());
    return CResult<qsizetype>::success(written);
}

CResult<qsizetype> CHistoryExporter::writeFile(const QString &path, const QList<CAlexaRankData> &history,
                                               const CHistoryFilter &filter, Format format)
{
    CDataFileWriter file(path);
    const auto failure = [&](const QString &why) {
        return CResult<qsizetype>::failure(QCoreApplication::translate("CHistoryExporter", "Could not export to %1: %2")
                                               .arg(QDir::toNativeSeparators(path), why));
    };
    if (const CResult<> opened = file.open(); !opened)
        return failure(opened.message());
    const CResult<qsizetype> written = write(history, filter, format, [&](QByteArrayView bytes) { return file.write(bytes); });
    if (!written)
        return failure(written.message());
    if (const CResult<> committed = file.commit(); !committed)
        return failure(committed.message());
    return written;
}
