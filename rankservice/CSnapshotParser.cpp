#include "CSnapshotParser.h"

#include <limits>

namespace {

QByteArrayView cleanField(QByteArrayView field)
{
    field = field.trimmed();
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        field = field.sliced(1, field.size() - 2).trimmed();
    return field;
}

// Splits line at commas into at most fields.size() views; returns the count
// of fields the line really has.
qsizetype splitFields(QByteArrayView line, QByteArrayView *fields, qsizetype capacity)
{
    qsizetype count = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = line.indexOf(',', start);
        const qsizetype end = comma < 0 ? line.size() : comma;
        if (count < capacity)
            fields[count] = cleanField(line.sliced(start, end - start));
        ++count;
        if (comma < 0)
            return count;
        start = comma + 1;
    }
}

bool sameText(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Host-name characters, for the common line that needs no trimming.
struct HostChars
{
    bool allowed[256] = {};
    constexpr HostChars()
    {
        for (int c = 'a'; c <= 'z'; ++c)
            allowed[c] = allowed[c - 'a' + 'A'] = true;
        for (int c = '0'; c <= '9'; ++c)
            allowed[c] = true;
        allowed[int('-')] = allowed[int('_')] = allowed[int('.')] = true;
    }
};
constexpr HostChars Host;

// The plain "rank,domain" line, as nearly every line of a headerless list
// is written: digits, one comma, host-name characters, then the line's end.
// Returns the row and moves pos past the line; anything else (spaces,
// quotes, more fields, a bad name) returns false and leaves it to the
// general reading of a line, so both agree on every line.
bool plainRow(QByteArrayView text, qsizetype &pos, CSnapshotParser::Row &row)
{
    const char *const begin = text.data();
    const qsizetype size = text.size();
    qsizetype at = pos;
    while (at < size && begin[at] >= '0' && begin[at] <= '9')
        ++at;
    if (at == pos || at >= size || begin[at] != ',')
        return false;
    const int rank = CSnapshotParser::parseRank(QByteArrayView(begin + pos, at - pos));
    const qsizetype nameStart = ++at;
    char previous = '.'; // a leading dot is refused like a double one
    while (at < size && Host.allowed[quint8(begin[at])]) {
        if (begin[at] == '.' && previous == '.')
            return false;
        previous = begin[at];
        ++at;
    }
    const qsizetype nameEnd = at;
    if (at < size && begin[at] == '\r')
        ++at;
    if (at < size && begin[at] != '\n')
        return false;
    const qsizetype length = nameEnd - nameStart;
    if (rank == 0 || length == 0 || length > 253 || previous == '.')
        return false;
    row = CSnapshotParser::Row{rank, QByteArrayView(begin + nameStart, length)};
    pos = at + 1;
    return true;
}

} // namespace

int CSnapshotParser::parseRank(QByteArrayView field)
{
    if (field.isEmpty() || field.size() > 10)
        return 0;
    qint64 value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > std::numeric_limits<int>::max())
        return 0;
    return int(value);
}

bool CSnapshotParser::isDomainName(QByteArrayView name)
{
    if (name.isEmpty() || name.size() > 253 || name.front() == '.' || name.back() == '.')
        return false;
    char previous = 0;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '-' || c == '_' || c == '.';
        if (!ok || (c == '.' && previous == '.'))
            return false;
        previous = c;
    }
    return true;
}

CSnapshotParser::Result CSnapshotParser::parse(QByteArrayView text, std::vector<Row> &rows)
{
    rows.clear();
    return parse(text, [&rows](const Row &row) { rows.push_back(row); });
}

CSnapshotParser::Result CSnapshotParser::parse(QByteArrayView text, const std::function<void(const Row &)> &add)
{
    Result result;

    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);

    // Column positions; the headerless format is rank then domain.
    qsizetype rankColumn = 0;
    qsizetype domainColumn = 1;
    qsizetype exactFields = 2; // the headerless format has exactly two; 0 = at least enough
    bool headerPending = true;

    constexpr qsizetype Capacity = 64;
    QByteArrayView fields[Capacity];

    qsizetype pos = 0;
    while (pos < text.size()) {
        if (!headerPending && result.format == Format::RankDomain) {
            CSnapshotParser::Row row;
            if (plainRow(text, pos, row)) {
                add(row);
                continue;
            }
        }
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.sliced(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;

        const qsizetype count = splitFields(line, fields, Capacity);

        if (headerPending) {
            headerPending = false;
            bool linkHeader = false;
            for (qsizetype i = 0; i < qMin(count, Capacity) && !linkHeader; ++i)
                linkHeader = sameText(fields[i], "GlobalRank");
            if (linkHeader) {
                result.format = Format::LinkList;
                rankColumn = domainColumn = -1;
                for (qsizetype i = 0; i < qMin(count, Capacity); ++i) {
                    if (rankColumn < 0 && sameText(fields[i], "GlobalRank"))
                        rankColumn = i;
                    else if (domainColumn < 0 && sameText(fields[i], "Domain"))
                        domainColumn = i;
                }
                if (domainColumn < 0) {
                    // A header without a domain column: no line below it is usable.
                    ++result.malformed;
                    rankColumn = -1;
                }
                exactFields = 0;
                continue;
            }
            result.format = Format::RankDomain;
        }

        if (rankColumn < 0) {
            ++result.malformed;
            continue;
        }
        const qsizetype needed = qMax(rankColumn, domainColumn) + 1;
        const bool shapeOk = exactFields ? count == exactFields : count >= needed;
        const int rank = shapeOk ? parseRank(fields[rankColumn]) : 0;
        const QByteArrayView domain = shapeOk ? fields[domainColumn] : QByteArrayView();
        if (rank == 0 || !isDomainName(domain)) {
            ++result.malformed;
            continue;
        }
        add(Row{rank, domain});
    }
    return result;
}
