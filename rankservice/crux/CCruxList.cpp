#include "rankservice/crux/CCruxList.h"

#include "rankservice/crux/CCruxOrigins.h"

#include "rankservice/lists/CListReader.h"
#include "rankservice/lists/CSnapshotParser.h"

namespace {

constexpr QByteArrayView Header = "origin,rank";
// Too few lines to judge by the share of malformed ones (test lists, hand-made ones).
constexpr qint64 JudgedFrom = 1000;

CResult<void> refused(const QString &why)
{
    return CResult<void>::failure(QStringLiteral("is no Chrome UX Report list: ") + why);
}

} // namespace

int CCruxList::codeOf(int rank)
{
    for (size_t i = 0; i < Buckets.size(); ++i) {
        if (Buckets[i] == rank)
            return int(i) + 1;
    }
    return NoBucket;
}

CResult<void> CCruxList::takeLine(QByteArrayView line, State &state, const Row &row)
{
    ++state.line;
    if (line.endsWith('\r'))
        line.chop(1);
    if (!state.headerSeen) {
        if (line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        if (line != Header)
            return refused(QStringLiteral("the first line is not \"origin,rank\""));
        state.headerSeen = true;
        return CResult<void>::success();
    }
    if (line.isEmpty())
        return CResult<void>::success();
    const qsizetype comma = line.lastIndexOf(',');
    const QByteArrayView host = comma < 0 ? QByteArrayView() : CCruxOrigins::hostOf(line.first(comma));
    const int rank = comma < 0 ? 0 : CSnapshotParser::parseRank(line.sliced(comma + 1));
    if (host.isEmpty() || rank == 0) {
        ++state.counts.malformed;
        return CResult<void>::success();
    }
    const int code = codeOf(rank);
    if (code == NoBucket)
        return refused(QStringLiteral("the rank %1 on line %2 is no bucket").arg(rank).arg(state.line));
    // Every bucket from this one up now holds one origin more than before.
    ++state.inBucket[size_t(code - 1)];
    qint64 within = 0;
    for (size_t i = 0; i < Buckets.size(); ++i) {
        within += state.inBucket[i];
        if (i + 1 >= size_t(code) && within > Buckets[i] + Buckets[i] / 10)
            return refused(QStringLiteral("more than %1 origins among the top %1").arg(Buckets[i]));
    }
    ++state.counts.rows;
    row(host, code);
    return CResult<void>::success();
}

CResult<void> CCruxList::verdict(const State &state, bool complete)
{
    const Counts &c = state.counts;
    if (c.rows + c.malformed >= JudgedFrom && c.malformed > c.rows)
        return refused(QStringLiteral("%1 of %2 lines are no origin and bucket").arg(c.malformed).arg(c.rows + c.malformed));
    if (complete && !state.headerSeen)
        return refused(QStringLiteral("it is empty"));
    if (complete && c.rows == 0)
        return refused(QStringLiteral("it holds no origin"));
    return CResult<void>::success();
}

CResult<void> CCruxList::parseMore(QByteArrayView text, bool complete, State &state, const Row &row)
{
    while (state.pos < text.size()) {
        const qsizetype end = text.indexOf('\n', state.pos);
        if (end < 0 && !complete)
            break;
        const qsizetype lineEnd = end < 0 ? text.size() : end;
        const CResult<void> taken = takeLine(text.sliced(state.pos, lineEnd - state.pos), state, row);
        state.pos = end < 0 ? text.size() : end + 1;
        if (!taken)
            return taken;
    }
    return verdict(state, complete);
}

CResult<CCruxList::Counts> CCruxList::parse(QByteArrayView text, const Row &row)
{
    State state;
    const CResult<void> parsed = parseMore(text, true, state, row);
    return parsed ? CResult<Counts>::success(state.counts) : CResult<Counts>::failure(parsed.message());
}

CResult<CCruxList::Counts> CCruxList::read(const QString &path, const Row &row)
{
    // Taken piece by piece, a line cut by a piece's end carried over, so that
    // a list that is none is refused before it is read whole, and the text is
    // never held whole.
    State state;
    QByteArray lines;
    const CResult<void> read = CListReader::read(path, [&state, &row, &lines](QByteArrayView piece) {
        lines.append(piece);
        state.pos = 0;
        const CResult<void> parsed = parseMore(lines, false, state, row);
        lines.remove(0, state.pos);
        return parsed ? CResult<CListReader::Next>::success(CListReader::Next::More)
                      : CResult<CListReader::Next>::failure(parsed.message());
    });
    if (!read)
        return CResult<Counts>::failure(read.message());
    state.pos = 0;
    const CResult<void> rest = parseMore(lines, true, state, row);
    return rest ? CResult<Counts>::success(state.counts) : CResult<Counts>::failure(rest.message());
}
