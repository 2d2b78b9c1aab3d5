#include "io/CHistoryImporter.h"

#include "CAlexaRankData.h"
#include "CDomainName.h"
#include "CFieldText.h"
#include "CRecordDate.h"
#include "io/CDomainImportFilter.h"
#include "io/CHistoryExporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

constexpr int FieldCount = CAlexaRankData::FieldCount;
constexpr int DateField = FieldCount - 1;
constexpr qsizetype ChunkBytes = 1 << 20;
// No record comes near this; a longer line is no history.
constexpr qsizetype MaxLineBytes = 16 << 20;

// The file's bytes, read a slice at a time: a file of any size costs a
// slice of memory, not its size.
class ByteSource
{
public:
    explicit ByteSource(QIODevice &device) : m_device(device) {}

    // The line number of the next byte; the first line is 1.
    qsizetype line() const { return m_line; }
    bool failed() const { return m_failed; }
    bool tooLong() const { return m_tooLong; }

    // At least count bytes ahead, fewer only at the end of the file.
    QByteArrayView ahead(qsizetype count)
    {
        while (m_buffer.size() - m_pos < count && fill()) {
        }
        return QByteArrayView(m_buffer).sliced(m_pos, qMin(count, m_buffer.size() - m_pos));
    }
    void skip(qsizetype count) { m_pos += count; }

    // The bytes ahead up to the next '"', '\\' or line end, as far as the
    // slice in memory goes, and past them; empty only at such a byte or at
    // the end of the file.
    QByteArrayView takePlain()
    {
        if (m_pos >= m_buffer.size() && !fill())
            return {};
        const char *begin = m_buffer.constData() + m_pos;
        const char *end = m_buffer.constData() + m_buffer.size();
        const char *at = begin;
        while (at < end && *at != '"' && *at != '\\' && *at != '\n')
            ++at;
        m_pos += at - begin;
        return QByteArrayView(begin, at - begin);
    }

    int peek() { return m_pos < m_buffer.size() || fill() ? uchar(m_buffer.at(m_pos)) : -1; }
    int get()
    {
        const int c = peek();
        if (c >= 0) {
            ++m_pos;
            if (c == '\n')
                ++m_line;
        }
        return c;
    }

    // The next line without its end, valid until the next read; false at
    // the end of the file.
    bool readLine(QByteArrayView &line)
    {
        qsizetype searched = m_pos;
        qsizetype end = -1;
        while ((end = m_buffer.indexOf('\n', searched)) < 0) {
            searched = m_buffer.size() - m_pos;
            if (searched > MaxLineBytes) {
                m_tooLong = true;
                return false;
            }
            if (!fill())
                break;
        }
        if (end < 0 && m_pos >= m_buffer.size())
            return false;
        if (end < 0)
            end = m_buffer.size();
        line = QByteArrayView(m_buffer).sliced(m_pos, end - m_pos);
        while (line.endsWith('\r'))
            line.chop(1);
        m_pos = end + 1;
        ++m_line;
        return true;
    }

private:
    // Moves what is left to the front and reads the next slice after it.
    bool fill()
    {
        if (m_failed)
            return false;
        if (m_pos > 0) {
            m_buffer.remove(0, qMin(m_pos, m_buffer.size()));
            m_pos = 0;
        }
        const qsizetype kept = m_buffer.size();
        m_buffer.resize(kept + ChunkBytes);
        const qint64 got = m_device.read(m_buffer.data() + kept, ChunkBytes);
        m_buffer.resize(kept + qMax<qint64>(got, 0));
        m_failed = got < 0;
        return got > 0;
    }

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_line = 1;
    bool m_failed = false;
    bool m_tooLong = false;
};

// One record's fields as read, before they are checked. Texts that had to
// be unquoted or unescaped are kept in storage; the rest are views of the
// line.
struct Fields
{
    qsizetype line = 0;
    int count = 0; // may exceed FieldCount; only the first are kept
    std::array<QByteArrayView, FieldCount> at;
    std::array<QByteArray, FieldCount> storage;

    void add(QByteArrayView text)
    {
        if (count < FieldCount)
            at[std::size_t(count)] = text;
        ++count;
    }
    void addStored(const QByteArray &text)
    {
        if (count < FieldCount) {
            storage[std::size_t(count)] = text;
            at[std::size_t(count)] = storage[std::size_t(count)];
        }
        ++count;
    }
};

enum class DateForm { Iso, Stored };

// Checks each record read and keeps it, or notes its line as bad.
class Collector
{
    Q_DECLARE_TR_FUNCTIONS(CHistoryImporter)

public:
    QList<CAlexaRankData> records;
    QStringList shown; // the first bad lines, as the message gives them
    qsizetype badCount = 0;

    void bad(qsizetype line, const QString &reason)
    {
        if (++badCount <= CHistoryImporter::ShownBadLines)
            shown.append(tr("line %1: %2").arg(line).arg(reason));
    }

    void take(const Fields &fields, DateForm form)
    {
        if (const QString problem = problemOf(fields); !problem.isEmpty())
            return bad(fields.line, problem);
        const QByteArrayView dateText = fields.at[DateField];
        const QDate date = dateOf(dateText, form);
        // A date of the form that is no day is a mistake; a text of no date
        // form is what the history kept and an export wrote, and is kept.
        if (!date.isValid() && looksLikeDate(dateText))
            return bad(fields.line, tr("\"%1\" is not a date (%2)")
                                        .arg(QString::fromUtf8(dateText),
                                             form == DateForm::Iso ? QStringLiteral("YYYY-MM-DD")
                                                                   : QStringLiteral("DD/MM/YYYY")));
        // The record is read the way the history file's lines are.
        m_line.resize(0); // keeps its capacity, where clear() gives it back
        m_line.append(fields.at[0]);
        m_line.append(',');
        for (int i = 1; i < DateField; ++i) {
            // As from a page: what is no rank figure is stored as "NA", so no
            // formula or markup reaches the history through a file either.
            const QByteArrayView figure = fields.at[std::size_t(i)];
            m_line.append(isFigure(figure) ? figure : QByteArrayView("NA"));
            m_line.append(',');
        }
        if (date.isValid())
            m_line.append(storedDate(date));
        else
            m_line.append(dateText);
        records.append(CAlexaRankData::fromUtf8Line(m_line));
    }

private:
    QString problemOf(const Fields &fields)
    {
        if (fields.count != FieldCount)
            return tr("%1 fields, not %2").arg(fields.count).arg(FieldCount);
        for (const QByteArrayView text : fields.at) {
            if (!text.isValidUtf8())
                return tr("not UTF-8 text");
        }
        const QString domain = QString::fromUtf8(fields.at[0]);
        switch (CDomainName::problemOf(domain)) {
        case CDomainName::Problem::None:
            break;
        case CDomainName::Problem::TooLong:
            return tr("the domain is longer than %1 characters").arg(CDomainName::MaxLength);
        case CDomainName::Problem::Unprintable:
            return tr("the domain holds a control or format character");
        case CDomainName::Problem::Comma:
            return tr("the domain holds \",\"");
        case CDomainName::Problem::Empty:
        case CDomainName::Problem::Space:
        case CDomainName::Problem::NoDot:
        case CDomainName::Problem::NotAHostName:
        case CDomainName::Problem::Address:
            break; // only a pasted name is held to these
        }
        if (domain.trimmed().isEmpty())
            return tr("no domain");
        if (!m_domainsTaken.contains(fields.at[0].toByteArray())) {
            if (m_domainFilter.check(domain) != CDomainImportFilter::Verdict::Accepted)
                return tr("\"%1\" is no domain name the domain list would take").arg(domain);
            m_domainsTaken.insert(fields.at[0].toByteArray());
        }
        for (int i = 1; i < DateField; ++i) {
            if (!fitsLine(fields.at[std::size_t(i)]))
                return tr("%1 holds a comma or a line break, which the history file cannot hold")
                    .arg(CHistoryExporter::fieldNames().at(i));
        }
        return QString();
    }

    // What a field of a history line may hold: no "," and nothing that breaks the line.
    static bool fitsLine(QByteArrayView text)
    {
        bool ascii = true;
        for (const char c : text) {
            if (c == ',' || (c >= 0 && c < 0x20) || c == 0x7f)
                return false;
            ascii = ascii && c >= 0;
        }
        return ascii || CFieldText::isPlain(QString::fromUtf8(text));
    }

    static bool isFigure(QByteArrayView text)
    {
        // Digits alone are the common case and need no decoding.
        if (!text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return true;
        return CFieldText::isFigure(QString::fromUtf8(text));
    }

    // Digits and separators in either date form ("2026-02-30", "30/02/2026").
    static bool looksLikeDate(QByteArrayView text)
    {
        if (text.size() != 10)
            return false;
        const bool iso = text.at(4) == '-' && text.at(7) == '-';
        const bool stored = text.at(2) == '/' && text.at(5) == '/';
        if (!iso && !stored)
            return false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char c = text.at(i);
            if (!(c >= '0' && c <= '9') && c != '-' && c != '/')
                return false;
        }
        return true;
    }

    static QDate dateOf(QByteArrayView text, DateForm form)
    {
        if (text.size() != 10)
            return QDate();
        char16_t characters[10];
        for (int i = 0; i < 10; ++i)
            characters[i] = char16_t(uchar(text.at(i)));
        const QStringView view(characters, 10);
        return form == DateForm::Iso ? CHistoryExporter::dateFrom(view) : CRecordDate::parse(view);
    }

    const QByteArray &storedDate(QDate date)
    {
        auto found = m_dates.find(date.toJulianDay());
        if (found == m_dates.end())
            found = m_dates.emplace(date.toJulianDay(), CRecordDate::text(date).toUtf8()).first;
        return found->second;
    }

    QByteArray m_line;
    std::unordered_map<qint64, QByteArray> m_dates;
    CDomainImportFilter m_domainFilter;
    QSet<QByteArray> m_domainsTaken; // a history names few domains many times
};

void splitPlain(QByteArrayView line, Fields &fields)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = line.indexOf(',', start);
        fields.add(comma < 0 ? line.sliced(start) : line.sliced(start, comma - start));
        if (comma < 0)
            return;
        start = comma + 1;
    }
}

// An RFC 4180 record with quotes, which may go on over further lines.
// Answers why the quoting is broken, or nothing.
QString splitQuoted(ByteSource &source, QByteArrayView line, Fields &fields)
{
    QByteArray field;
    bool quoted = false;
    bool closed = false; // the field's closing quote has been read
    qsizetype i = 0;
    for (;;) {
        if (i == line.size()) {
            if (!quoted)
                break;
            if (!source.readLine(line))
                return CHistoryImporter::tr("a quoted field is not closed");
            field.append('\n');
            i = 0;
            continue;
        }
        const char c = line.at(i++);
        if (quoted) {
            if (c != '"') {
                field.append(c);
            } else if (i < line.size() && line.at(i) == '"') {
                field.append('"');
                ++i;
            } else {
                quoted = false;
                closed = true;
            }
        } else if (c == ',') {
            fields.addStored(field);
            field.resize(0);
            closed = false;
        } else if (closed) {
            return CHistoryImporter::tr("text after a closing quote");
        } else if (c == '"') {
            if (!field.isEmpty())
                return CHistoryImporter::tr("a quote inside a field that does not start with one");
            quoted = true;
        } else {
            field.append(c);
        }
    }
    fields.addStored(field);
    return QString();
}

void readLines(ByteSource &source, Collector &collector, DateForm form)
{
    Fields fields;
    QByteArrayView line;
    for (;;) {
        fields.line = source.line();
        fields.count = 0;
        if (!source.readLine(line))
            return;
        if (line.isEmpty())
            continue;
        // The history file's own lines have no quoting: a quote there is text.
        if (form == DateForm::Stored || !line.contains('"')) {
            splitPlain(line, fields);
        } else if (const QString broken = splitQuoted(source, line, fields); !broken.isEmpty()) {
            collector.bad(fields.line, broken);
            continue;
        }
        collector.take(fields, form);
    }
}

// Sorvane's JSON export: an array of flat objects whose values are strings,
// whole numbers or null. Broken syntax ends the reading at its line; a
// well-formed object with wrong keys or values is one bad record. Read here
// rather than by QJsonDocument, which takes a whole document at once: the
// array taken apart and each object handed to it took 4.7 to 5.3 s for a
// million records, where this takes under 2.
class JsonReader
{
    Q_DECLARE_TR_FUNCTIONS(CHistoryImporter)

public:
    JsonReader(ByteSource &source, Collector &collector) : m_source(source), m_collector(collector) {}

    void read()
    {
        if (!expect('['))
            return;
        skipSpace();
        if (m_source.peek() == ']') {
            m_source.get();
        } else {
            for (;;) {
                if (!readObject())
                    return;
                skipSpace();
                const int c = m_source.get();
                if (c == ']')
                    break;
                if (c != ',') {
                    syntax(tr("\",\" or \"]\" expected after an object"));
                    return;
                }
            }
        }
        skipSpace();
        if (m_source.peek() >= 0)
            syntax(tr("text after the end of the array"));
    }

private:
    // Ends the reading: nothing after broken syntax can be trusted.
    bool syntax(const QString &what)
    {
        m_collector.bad(m_source.line(), tr("not JSON: %1").arg(what));
        return false;
    }

    void skipSpace()
    {
        for (int c = m_source.peek(); c == ' ' || c == '\n' || c == '\r' || c == '\t'; c = m_source.peek())
            m_source.get();
    }

    bool expect(char wanted)
    {
        skipSpace();
        if (m_source.get() == wanted)
            return true;
        return syntax(tr("\"%1\" expected").arg(QLatin1Char(wanted)));
    }

    bool readObject()
    {
        skipSpace();
        m_fields.line = m_source.line();
        m_fields.count = 0;
        std::array<bool, FieldCount> seen{};
        QString problem;
        if (!expect('{'))
            return false;
        skipSpace();
        if (m_source.peek() == '}') {
            m_source.get();
        } else {
            for (;;) {
                QByteArray &key = m_key;
                key.resize(0);
                if (!expect('"') || !readString(key) || !expect(':'))
                    return false;
                skipSpace();
                const int index = fieldIndex(key);
                QByteArray &value = m_fields.storage[std::size_t(index < 0 ? 0 : index)];
                QByteArray ignored;
                QString wrong;
                if (!readValue(index < 0 ? ignored : value, index, &wrong))
                    return false;
                if (problem.isEmpty()) {
                    if (index < 0)
                        problem = tr("unknown key \"%1\"").arg(QString::fromUtf8(key));
                    else if (seen[std::size_t(index)])
                        problem = tr("key \"%1\" given twice").arg(QString::fromUtf8(key));
                    else
                        problem = wrong;
                }
                if (index >= 0)
                    seen[std::size_t(index)] = true;
                skipSpace();
                const int c = m_source.get();
                if (c == '}')
                    break;
                if (c != ',')
                    return syntax(tr("\",\" or \"}\" expected in an object"));
            }
        }
        QStringList missing;
        for (int i = 0; i < FieldCount; ++i) {
            if (!seen[std::size_t(i)])
                missing.append(CHistoryExporter::fieldNames().at(i));
        }
        if (problem.isEmpty() && !missing.isEmpty())
            problem = tr("no %1").arg(missing.join(QStringLiteral(", ")));
        if (!problem.isEmpty()) {
            m_collector.bad(m_fields.line, problem);
            return true;
        }
        for (int i = 0; i < FieldCount; ++i)
            m_fields.at[std::size_t(i)] = m_fields.storage[std::size_t(i)];
        m_fields.count = FieldCount;
        m_collector.take(m_fields, DateForm::Iso);
        return true;
    }

    static int fieldIndex(QByteArrayView key)
    {
        static const QList<QByteArray> names = [] {
            QList<QByteArray> utf8;
            for (const QString &name : CHistoryExporter::fieldNames())
                utf8.append(name.toUtf8());
            return utf8;
        }();
        for (int i = 0; i < int(names.size()); ++i) {
            if (names.at(i) == key)
                return i;
        }
        return -1;
    }

    // A value into text; wrong tells why a well-formed value is no field's.
    bool readValue(QByteArray &text, int index, QString *wrong)
    {
        text.resize(0);
        const int c = m_source.peek();
        const bool figure = index > 0 && index < DateField;
        const auto name = [index] { return index < 0 ? QString() : CHistoryExporter::fieldNames().at(index); };
        if (c == '"') {
            m_source.get();
            return readString(text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            for (int d = m_source.peek(); d == '-' || d == '+' || d == '.' || d == 'e' || d == 'E' || (d >= '0' && d <= '9');
                 d = m_source.peek())
                text.append(char(m_source.get()));
            const bool digits = std::all_of(text.cbegin(), text.cend(), [](char d) { return d >= '0' && d <= '9'; });
            if (!figure || !digits)
                *wrong = tr("%1 is %2, not a whole number or text").arg(name(), QString::fromLatin1(text));
            return true;
        }
        for (const char *word : {"null", "true", "false"}) {
            if (m_source.ahead(qsizetype(qstrlen(word))) == QByteArrayView(word)) {
                m_source.skip(qsizetype(qstrlen(word)));
                if (word[0] == 'n' && figure)
                    text = "NA";
                else
                    *wrong = tr("%1 is %2").arg(name(), QLatin1StringView(word));
                return true;
            }
        }
        return syntax(tr("a value expected"));
    }

    // The rest of a string whose opening quote has been read, unescaped to UTF-8.
    bool readString(QByteArray &text)
    {
        for (;;) {
            text.append(m_source.takePlain());
            const int c = m_source.get();
            if (c < 0 || c == '\n')
                return syntax(tr("a string is not closed"));
            if (c == '"')
                return true;
            if (c != '\\') {
                text.append(char(c));
                continue;
            }
            const int e = m_source.get();
            switch (e) {
            case '"': case '\\': case '/': text.append(char(e)); break;
            case 'b': text.append('\b'); break;
            case 'f': text.append('\f'); break;
            case 'n': text.append('\n'); break;
            case 'r': text.append('\r'); break;
            case 't': text.append('\t'); break;
            case 'u': {
                const QByteArrayView hex = m_source.ahead(4);
                bool ok = hex.size() == 4;
                const char16_t unit = char16_t(QByteArray(hex.data(), hex.size()).toUShort(&ok, 16));
                if (!ok)
                    return syntax(tr("a bad \\u escape"));
                m_source.skip(4);
                m_units.append(QChar(unit));
                // A pair of escapes for one character is converted together.
                if (QChar::isHighSurrogate(unit) && m_source.ahead(2) == QByteArrayView("\\u"))
                    continue;
                text.append(m_units.toUtf8());
                m_units.clear();
                break;
            }
            default:
                return syntax(tr("a bad escape"));
            }
        }
    }

    ByteSource &m_source;
    Collector &m_collector;
    Fields m_fields;
    QByteArray m_key;
    QString m_units; // \u escapes not yet converted
};

// The CSV export's first line.
QByteArray csvHeader()
{
    return CHistoryExporter::fieldNames().join(u',').toUtf8();
}

} // namespace

CResult<> CHistoryImporter::read(QIODevice &device, const QString &name, QList<CAlexaRankData> &records)
{
    records.clear();
    ByteSource source(device);
    if (source.ahead(3) == QByteArrayView("\xEF\xBB\xBF"))
        source.skip(3);
    Collector collector;
    // Leading white space is no part of any other form's first line.
    const QByteArrayView start = source.ahead(4096).trimmed();
    if (start.startsWith('[')) {
        JsonReader(source, collector).read();
    } else {
        const QByteArray header = csvHeader();
        const QByteArrayView first = source.ahead(header.size() + 2);
        const QByteArrayView after = first.startsWith(header) ? first.sliced(header.size()) : QByteArrayView("x");
        const bool csv = after.isEmpty() || after.startsWith('\n') || after.startsWith('\r');
        if (csv) {
            QByteArrayView line;
            source.readLine(line);
        }
        readLines(source, collector, csv ? DateForm::Iso : DateForm::Stored);
    }
    const QString file = QDir::toNativeSeparators(name);
    if (source.failed())
        return CResult<>::failure(tr("Could not read %1: %2").arg(file, device.errorString()));
    if (source.tooLong())
        collector.bad(source.line(), tr("longer than %1 MB, which no history line is").arg(MaxLineBytes >> 20));
    if (collector.badCount == 0) {
        records = std::move(collector.records);
        return CResult<>::success();
    }
    QStringList lines = collector.shown;
    if (collector.badCount > ShownBadLines)
        lines.append(tr("... and %1 more bad lines").arg(collector.badCount - ShownBadLines));
    return CResult<>::failure(
        tr("%1 was not imported: %2 bad line(s), so nothing was taken from it.\n").arg(file).arg(collector.badCount)
        + lines.join(u'\n'));
}

CResult<> CHistoryImporter::readFile(const QString &path, QList<CAlexaRankData> &records)
{
    records.clear();
    // A FIFO or a device could keep the import waiting for ever.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return CResult<>::failure(
            tr("Could not read %1: it is not a regular file").arg(QDir::toNativeSeparators(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CResult<>::failure(tr("Could not read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return read(file, path, records);
}
