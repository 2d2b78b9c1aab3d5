#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

// Reads the rows of one daily ranking list, in either of the two formats
// people download: headerless "rank,domain" lines (the common top-million
// list) or the link-based list whose header line names the columns
// "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,...". Works on raw bytes,
// without copying, because a snapshot folder holds millions of lines.
class CSnapshotParser
{
public:
    enum class Format { Empty, RankDomain, LinkList };

    struct Row
    {
        int rank;
        QByteArrayView domain; // as written in the list, pointing into the parsed text
    };

    struct Result
    {
        Format format = Format::Empty;
        qsizetype malformed = 0; // lines that are not a rank and a domain name
        qsizetype blank = 0;     // lines of nothing but spaces
        qsizetype lines = 0;     // every line read, the header included
    };

    // No ranking line comes near this; a longer one is no list's, and
    // waiting for its end would cost memory and time.
    static constexpr qsizetype MaxLineLength = 4096;

    // Where a reading in pieces stands: what the header said about the
    // columns, and the start of a line that the next piece ends.
    struct State
    {
        bool headerPending = true;
        qsizetype rankColumn = 0;
        qsizetype domainColumn = 1;
        qsizetype exactFields = 2; // the headerless format has exactly two; 0 = at least enough
        qsizetype tooLong = 0;     // the number of a line longer than MaxLineLength, once met
        QByteArray carried;
        Result result;
    };

    // Replaces rows with the well-formed lines of text, in file order.
    static Result parse(QByteArrayView text, std::vector<Row> &rows);
    // The same handing each row to add as it is read, so that a caller
    // keeping rows its own way holds no second copy of them.
    static Result parse(QByteArrayView text, const std::function<void(const Row &)> &add);

    // Reads the next piece of a text that comes in pieces of any size, each
    // byte looked at a bounded number of times: the whole lines at once, the
    // line the piece cuts carried over to the next. A row's domain points
    // into the piece or the carried line, so add must copy what it keeps.
    // Fails at once on a line longer than MaxLineLength.
    static CResult<void> feed(QByteArrayView piece, State &state, const std::function<void(const Row &)> &add);
    // The end of such a text: its last line, where it lacks a line end.
    static CResult<void> finish(State &state, const std::function<void(const Row &)> &add);

    // A rank is a plain decimal number from 1 up to the int range (the
    // client reads ranks as int). Returns 0 for anything else.
    static int parseRank(QByteArrayView field);

    // Host-name characters only: letters, digits, '-', '_' and inner dots.
    static bool isDomainName(QByteArrayView name);
};
