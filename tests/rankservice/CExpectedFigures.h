#pragma once

#include "rankservice/store/CSiteFigures.h"

#include <QByteArray>

#include <map>

// The figures a name should have as of one day, worked out directly from
// generated lists rather than by the service's own index: the oracle that
// the list store and the running service are checked against.
class CExpectedFigures
{
public:
    // A list's ranks by name; lists by days back from the newest.
    using List = std::map<QByteArray, int>;
    using Lists = std::map<int, List>;

    // As of the list `anchor` (the newest on or before the day asked for),
    // with the US list `us` (usLists.end() when there is none): its rank,
    // and the rounded means over the lists of the 7, 30 and 90 days back
    // from it.
    static CSiteFigures of(const QByteArray &name, const Lists &lists, Lists::const_iterator anchor,
                           const Lists &usLists, Lists::const_iterator us);
};
