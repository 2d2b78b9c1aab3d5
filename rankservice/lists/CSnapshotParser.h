#pragma once

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
    };

    // Where a reading in pieces stands: how far it got, and what the header
    // said about the columns.
    struct State
    {
        qsizetype pos = 0;
        bool headerPending = true;
        qsizetype rankColumn = 0;
        qsizetype domainColumn = 1;
        qsizetype exactFields = 2; // the headerless format has exactly two; 0 = at least enough
        Result result;
    };

    // Replaces rows with the well-formed lines of text, in file order.
    static Result parse(QByteArrayView text, std::vector<Row> &rows);
    // The same handing each row to add as it is read, so that a caller
    // keeping rows its own way holds no second copy of them.
    static Result parse(QByteArrayView text, const std::function<void(const Row &)> &add);
    // Reads on from state.pos: the whole lines only, or to the end when the
    // text is complete. For a text that grows as it is read.
    static void parseMore(QByteArrayView text, bool complete, State &state,
                          const std::function<void(const Row &)> &add);

    // A rank is a plain decimal number from 1 up to the int range (the
    // client reads ranks as int). Returns 0 for anything else.
    static int parseRank(QByteArrayView field);

    // Host-name characters only: letters, digits, '-', '_' and inner dots.
    static bool isDomainName(QByteArrayView name);
};
