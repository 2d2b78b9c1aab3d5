#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <utility>

class CAlexaRankData;
class CPeriod;

// Where in the history the records of each month stand, so a view of a month
// or a day visits its own records instead of the whole history. Records
// appended to the history are taken in when the index is next asked; a
// record removed from it must be told with removeAt().
class CPeriodIndex
{
public:
    // In ascending order, the places of every record whose date has the
    // period's month and year cuts: all that the period can match, perhaps
    // more (a day's whole month).
    QList<qsizetype> candidates(const QList<CAlexaRankData> &history, const CPeriod &period);
    // The record at position has left the history; later places move down.
    void removeAt(qsizetype position);
    void clear();

private:
    void takeIn(const QList<CAlexaRankData> &history);

    // Keyed by the date's month and year cuts, as the period compares them.
    QHash<std::pair<QString, QString>, QList<qsizetype>> m_months;
    qsizetype m_covered = 0; // the history's records taken in so far
};
