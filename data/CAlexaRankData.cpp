#include "CAlexaRankData.h"

#include "CRecordDate.h"
#include "CTextPool.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

constexpr quint32 NumberFlag = 0x80000000u;
constexpr quint32 MaxNumber = 0x7fffffffu;

// A plain decimal number: digits only, no leading zero (but "0"), small
// enough for 31 bits. Any other spelling ("007", "+5") stays text, so it
// comes back as it was.
template<typename Char>
bool plainNumber(const Char *text, qsizetype size, quint32 &value)
{
    if (size < 1 || size > 10 || (size > 1 && text[0] == '0'))
        return false;
    quint64 n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = text[i];
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + quint64(c - '0');
    }
    if (n > MaxNumber)
        return false;
    value = quint32(n);
    return true;
}

struct BytesHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view bytes) const
    {
        return std::hash<std::string_view>{}(bytes);
    }
};

// A history file repeats its domains, dates and "NA" on every line; this
// keeps their codes by their bytes, so reading a line costs no string and
// no lock. Codes never change, so the cache is never stale; it is only kept
// from growing without end on a file of all-different texts.
using Utf8Codes = std::unordered_map<std::string, quint32, BytesHash, std::equal_to<>>;
constexpr std::size_t MaxCachedTexts = 1 << 16;

} // namespace

QString CAlexaRankData::text(quint32 code)
{
    if (code == 0)
        return QString();
    if (code & NumberFlag)
        return QString::number(code & MaxNumber);
    return CTextPool::text(code);
}

void CAlexaRankData::appendText(QString &out, quint32 code)
{
    if (code == 0)
        return;
    if (!(code & NumberFlag)) {
        out.append(CTextPool::text(code));
        return;
    }
    char16_t digits[10];
    int first = 10;
    quint32 n = code & MaxNumber;
    do {
        digits[--first] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n != 0);
    out.append(QStringView(digits + first, 10 - first));
}

quint32 CAlexaRankData::codeOf(QStringView text)
{
    if (text.isEmpty())
        return 0;
    quint32 value = 0;
    if (plainNumber(text.utf16(), text.size(), value))
        return NumberFlag | value;
    return CTextPool::idOf(text.toString());
}

quint32 CAlexaRankData::codeOfUtf8(QByteArrayView text)
{
    if (text.isEmpty())
        return 0;
    quint32 value = 0;
    if (plainNumber(text.data(), text.size(), value))
        return NumberFlag | value;
    thread_local Utf8Codes cache;
    const std::string_view key(text.data(), std::size_t(text.size()));
    if (const auto found = cache.find(key); found != cache.end())
        return found->second;
    const quint32 id = CTextPool::idOf(QString::fromUtf8(text));
    if (cache.size() >= MaxCachedTexts)
        cache.clear();
    cache.emplace(key, id);
    return id;
}

QString CAlexaRankData::assign(int field, const QString &value)
{
    if (value.isEmpty())
        return text(m_fields[field]);
    // The text goes to the pool as it is, without the copy a view would need;
    // what is stored reads back as exactly this text.
    quint32 number = 0;
    m_fields[field] = plainNumber(value.utf16(), value.size(), number) ? NumberFlag | number : CTextPool::idOf(value);
    return value;
}

QString CAlexaRankData::domain(const QString &value) { return assign(0, value); }
QString CAlexaRankData::globalRank(const QString &value) { return assign(1, value); }
QString CAlexaRankData::usRank(const QString &value) { return assign(2, value); }
QString CAlexaRankData::yesterday(const QString &value) { return assign(3, value); }
QString CAlexaRankData::sevenDay(const QString &value) { return assign(4, value); }
QString CAlexaRankData::oneMonth(const QString &value) { return assign(5, value); }
QString CAlexaRankData::threeMonth(const QString &value) { return assign(6, value); }
QString CAlexaRankData::date(const QString &value) { return assign(7, value); }

QString CAlexaRankData::year() const { return CRecordDate::yearOf(date()); }
QString CAlexaRankData::month() const { return CRecordDate::monthOf(date()); }
QString CAlexaRankData::day() const { return CRecordDate::dayOf(date()); }

QString CAlexaRankData::field(int i) const
{
    if (i < 0 || i >= FieldCount)
        return QString();
    return text(m_fields[i]);
}

bool CAlexaRankData::isNumber(int i, quint32 *value) const
{
    if (i < 0 || i >= FieldCount || !(m_fields[i] & NumberFlag))
        return false;
    *value = m_fields[i] & MaxNumber;
    return true;
}

QString CAlexaRankData::toString() const
{
    QString line;
    appendTo(line);
    return line;
}

void CAlexaRankData::appendField(QString &out, int i) const
{
    if (i >= 0 && i < FieldCount)
        appendText(out, m_fields[i]);
}

void CAlexaRankData::appendTo(QString &out) const
{
    for (int i = 0; i < FieldCount; ++i) {
        if (i > 0)
            out.append(u',');
        appendText(out, m_fields[i]);
    }
}

namespace {

// Calls code(field) for the first FieldCount comma-separated parts of line.
template<typename View, typename Char, typename Code>
void splitFields(View line, Char comma, quint32 *fields, Code code)
{
    int index = 0;
    qsizetype start = 0;
    while (index < CAlexaRankData::FieldCount) {
        const qsizetype end = line.indexOf(comma, start);
        fields[index++] = code(end < 0 ? line.sliced(start) : line.sliced(start, end - start));
        if (end < 0)
            break;
        start = end + 1;
    }
}

} // namespace

CAlexaRankData CAlexaRankData::fromLine(QStringView line)
{
    CAlexaRankData record;
    splitFields(line, u',', record.m_fields, &CAlexaRankData::codeOf);
    return record;
}

CAlexaRankData CAlexaRankData::fromUtf8Line(QByteArrayView line)
{
    CAlexaRankData record;
    splitFields(line, ',', record.m_fields, &CAlexaRankData::codeOfUtf8);
    return record;
}
