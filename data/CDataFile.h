#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading a data file whole, and finding what interrupted saves left beside it.
class CDataFile
{
public:
    // The file's bytes; a missing file reads as empty. Anything else that
    // cannot be read to its end (no permission, a read error, a folder, a
    // FIFO, a device) fails with the reason: such a file must not be saved
    // over, since its contents were never seen. Special files are never
    // opened for reading, so a FIFO cannot block.
    static CResult<QByteArray> read(const QString &path);

    // Removes the temporary files ("<name>.XXXXXX") that a save of one of
    // these files leaves when the program dies before renaming it into
    // place. Only regular files of exactly that form are removed; returns
    // their names.
    static QStringList removeLeftovers(const QString &directory, const QStringList &fileNames);
};
