#include "rankservice/lists/CSnapshotParser.h"

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

namespace {

// The header line: which columns hold the rank and the domain. True when the
// line was a header and is used up.
bool readHeader(const QByteArrayView *fields, qsizetype count, CSnapshotParser::State &state)
{
    state.headerPending = false;
    bool linkHeader = false;
    for (qsizetype i = 0; i < count && !linkHeader; ++i)
        linkHeader = sameText(fields[i], "GlobalRank");
    if (!linkHeader) {
        state.result.format = CSnapshotParser::Format::RankDomain;
        return false;
    }
    state.result.format = CSnapshotParser::Format::LinkList;
    state.rankColumn = state.domainColumn = -1;
    for (qsizetype i = 0; i < count; ++i) {
        if (state.rankColumn < 0 && sameText(fields[i], "GlobalRank"))
            state.rankColumn = i;
        else if (state.domainColumn < 0 && sameText(fields[i], "Domain"))
            state.domainColumn = i;
    }
    if (state.domainColumn < 0) {
        // A header without a domain column: no line below it is usable.
        ++state.result.malformed;
        state.rankColumn = -1;
    }
    state.exactFields = 0;
    return true;
}

// Reads every line of text, the last one ending at the text's end with or
// without a line end. False, with the line's number in state.tooLong, at a
// line longer than MaxLineLength.
bool parseLines(QByteArrayView text, CSnapshotParser::State &state, const std::function<void(const CSnapshotParser::Row &)> &add)
{
    using Format = CSnapshotParser::Format;
    constexpr qsizetype Capacity = 64;
    QByteArrayView fields[Capacity];
    qsizetype pos = 0;
    CSnapshotParser::Result &result = state.result;
    while (pos < text.size()) {
        ++result.lines;
        if (!state.headerPending && result.format == Format::RankDomain) {
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
        if (line.size() > CSnapshotParser::MaxLineLength + 1) {
            state.tooLong = result.lines;
            return false;
        }
        if (result.lines == 1 && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty()) {
            ++result.blank;
            continue;
        }

        const qsizetype count = splitFields(line, fields, Capacity);
        if (state.headerPending && readHeader(fields, qMin(count, Capacity), state))
            continue;
        const qsizetype rankColumn = state.rankColumn;
        const qsizetype domainColumn = state.domainColumn;
        const qsizetype exactFields = state.exactFields;
        if (rankColumn < 0) {
            ++result.malformed;
            continue;
        }
        const qsizetype needed = qMax(rankColumn, domainColumn) + 1;
        const bool shapeOk = exactFields ? count == exactFields : count >= needed;
        const int rank = shapeOk ? CSnapshotParser::parseRank(fields[rankColumn]) : 0;
        const QByteArrayView domain = shapeOk ? fields[domainColumn] : QByteArrayView();
        if (rank == 0 || !CSnapshotParser::isDomainName(domain)) {
            ++result.malformed;
            continue;
        }
        add(CSnapshotParser::Row{rank, domain});
    }
    return true;
}

CResult<void> tooLong(const CSnapshotParser::State &state)
{
    return CResult<void>::failure(QStringLiteral("has a line longer than %1 KiB (line %2): no ranking line is")
                                      .arg(CSnapshotParser::MaxLineLength / 1024)
                                      .arg(state.tooLong));
}

} // namespace

CSnapshotParser::Result CSnapshotParser::parse(QByteArrayView text, const std::function<void(const Row &)> &add)
{
    State state;
    parseLines(text, state, add);
    return state.result;
}

CResult<void> CSnapshotParser::feed(QByteArrayView piece, State &state, const std::function<void(const Row &)> &add)
{
    if (state.tooLong > 0)
        return tooLong(state);
    // The line the last piece cut, ended by this one: only its rest is
    // searched for the line end, so a long line costs its length once.
    if (!state.carried.isEmpty()) {
        const qsizetype end = piece.indexOf('\n');
        const qsizetype taken = end < 0 ? piece.size() : end + 1;
        if (state.carried.size() + taken > MaxLineLength + 2) {
            state.tooLong = state.result.lines + 1;
            return tooLong(state);
        }
        state.carried.append(piece.first(taken));
        if (end < 0)
            return CResult<void>::success();
        const bool read = parseLines(state.carried, state, add);
        state.carried.clear();
        if (!read)
            return tooLong(state);
        piece = piece.sliced(taken);
    }
    const qsizetype whole = piece.lastIndexOf('\n') + 1;
    if (!parseLines(piece.first(whole), state, add))
        return tooLong(state);
    const QByteArrayView rest = piece.sliced(whole);
    if (rest.size() > MaxLineLength + 1) {
        state.tooLong = state.result.lines + 1;
        return tooLong(state);
    }
    state.carried = rest.toByteArray();
    return CResult<void>::success();
}

CResult<void> CSnapshotParser::finish(State &state, const std::function<void(const Row &)> &add)
{
    if (state.tooLong > 0)
        return tooLong(state);
    const bool read = parseLines(state.carried, state, add);
    state.carried.clear();
    return read ? CResult<void>::success() : tooLong(state);
}
