#pragma once

#include "CResult.h"

#include <QString>
#include <QtGlobal>

// Whether the history file fits in the memory at hand. A loaded history
// takes about twelve times its file size (text held as UTF-16 in eight
// fields, the table and the tree); a file too large for that is refused
// before reading, with a message, rather than ending in an abort.
class CMemoryBudget
{
public:
    static constexpr qint64 BytesPerFileByte = 12;

    // What the system lets this process have: the smaller of the memory
    // available (MemAvailable) and what is left under the address-space
    // limit. -1 when neither is known.
    static qint64 available();
    static qint64 neededFor(qint64 fileBytes) { return fileBytes * BytesPerFileByte; }
    // Fails with what to do when the file at path needs more than
    // availableBytes (negative: unknown, so never refused).
    static CResult<> checkHistory(const QString &path, qint64 availableBytes);
    static QString sizeText(qint64 bytes);
};
