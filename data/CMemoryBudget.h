#pragma once

#include "base/CResult.h"

#include <QString>
#include <QtGlobal>

// Whether the history file fits in the memory at hand. Loading a history
// takes about three times its file size at its peak (the file read whole,
// 32 bytes per record of a line of about 65, the table and the tree); a file
// too large for that is refused before reading, with a message, rather than
// ending in an abort.
class CMemoryBudget
{
public:
    static constexpr qint64 BytesPerFileByte = 3;

    // What the system lets this process have: the smaller of the memory
    // available (MemAvailable) and what is left under the address-space
    // limit. -1 when neither is known.
    static qint64 available();
    static qint64 neededFor(qint64 fileBytes) { return fileBytes * BytesPerFileByte; }
    // Fails with what to do when the file at path needs more than
    // availableBytes (negative: unknown, so never refused).
    static CResult<> checkHistory(const QString &path, qint64 availableBytes);
    // The same for the domain list, whose lines become texts and a list:
    // about six times the file at its peak.
    static constexpr qint64 DomainListBytesPerFileByte = 6;
    static CResult<> checkDomainList(const QString &path, qint64 availableBytes);
    static QString sizeText(qint64 bytes);
};
