#pragma once

#include <QDate>
#include <QSet>
#include <QString>

// Which records of the history an export takes. Empty domains and invalid
// dates leave that side open; the default takes the whole history. A named
// group of domains narrows domains before the export runs.
struct CHistoryFilter
{
    QSet<QString> domains;
    QDate from; // first day taken
    QDate to;   // last day taken

    bool takesAll() const { return domains.isEmpty() && !from.isValid() && !to.isValid(); }
};
