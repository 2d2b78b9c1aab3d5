#pragma once

#include <QList>
#include <QString>

class CAlexaRankData;

// Adds records to a history without breaking its date order: a record whose
// domain and date the history already holds (or that came earlier in the
// same batch) is skipped; every other one goes before the first held record
// with a later date, so a history in date order stays so. Records of one
// day keep the order they came in.
class CHistoryMerge
{
public:
    struct Counts
    {
        qsizetype added = 0;
        qsizetype skipped = 0;
    };

    // "3 added, 1 skipped (...)", for the user.
    static QString summary(const Counts &counts);

    static Counts merge(QList<CAlexaRankData> &history, QList<CAlexaRankData> records);
    // What merge() would do, without doing it.
    static Counts count(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &records);
};
