#pragma once

#include "base/CResult.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

class CAlexaRankData;
class QIODevice;

// Reads a history to import: Sorvane's CSV export (told by its header row),
// its JSON export (an array of objects), or lines in the history file's own
// form. All or nothing: a file with any bad record (wrong fields, a date
// that is not a date, a domain the domain rules refuse, a figure the history
// file cannot hold) gives no records; the message names the bad lines by
// their line number in the file (a header is line 1), the first twenty and
// then how many more.
class CHistoryImporter
{
    Q_DECLARE_TR_FUNCTIONS(CHistoryImporter)

public:
    static constexpr int ShownBadLines = 20;

    // The records go to records (left empty on failure), in the file's
    // order; name is the file's name for the message.
    static CResult<> read(QIODevice &device, const QString &name, QList<CAlexaRankData> &records);
    static CResult<> readFile(const QString &path, QList<CAlexaRankData> &records);
};
