#pragma once

#include "base/CResult.h"
#include "protocol/CRankBuckets.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <functional>

// One month of Chrome's top origins (the Chrome UX Report) as the public
// cache keeps it: the header "origin,rank", then an origin and its rank a
// line. The rank is a bucket, "among the top N", never a place; the order
// within a bucket means nothing. Anything else is refused as it is read: a
// missing header, a rank that is no bucket, or more origins in the top N
// than N (with a tenth to spare), which also bounds what a hostile list can
// make the reader hold.
class CCruxList
{
public:
    static constexpr auto Buckets = CRankBuckets::Values;
    static constexpr int NoBucket = 0;

    // A bucket as a small code that orders like it (1 for the top 1,000),
    // NoBucket for a number that is none; and back.
    static int codeOf(int rank);
    static int bucketOf(int code) { return code > 0 && code <= int(Buckets.size()) ? Buckets[size_t(code - 1)] : 0; }

    struct Counts
    {
        qint64 rows = 0;      // origins with a bucket
        qint64 malformed = 0; // lines that are no http(s) origin and a bucket
    };
    // Each origin's host (pointing into the text) and bucket code, in file order.
    using Row = std::function<void(QByteArrayView host, int code)>;

    // The list at path: plain, gzip or zip, as every list is read.
    static CResult<Counts> read(const QString &path, const Row &row);
    // The list's whole text.
    static CResult<Counts> parse(QByteArrayView text, const Row &row);

    // Where a reading in pieces stands.
    struct State
    {
        qsizetype pos = 0;
        qint64 line = 0;
        bool headerSeen = false;
        Counts counts;
        std::array<qint64, Buckets.size()> inBucket{};
    };
    // Reads the whole lines of text from state.pos on (to its end when
    // complete); the first fault stops it.
    static CResult<void> parseMore(QByteArrayView text, bool complete, State &state, const Row &row);

private:
    static CResult<void> takeLine(QByteArrayView line, State &state, const Row &row);
    static CResult<void> verdict(const State &state, bool complete);
};
