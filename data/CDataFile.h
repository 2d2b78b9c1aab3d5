#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QByteArrayView>
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

    // Adds bytes at the end of a regular file (or a link's target), made
    // when missing. Opened without waiting, so a FIFO cannot block; anything
    // but a regular file is refused untouched. The bytes go in one write
    // and are synced, so a failure leaves no half line for the next to follow.
    static CResult<> append(const QString &path, QByteArrayView bytes);

    // Removes the temporary files (".<name>.XXXXXX.tmp", CDataFileWriter's)
    // that a save of one of these files leaves when the program dies before
    // renaming it into place, beside the file and, for a link, beside its
    // target. Only regular files of exactly that form are removed, so a
    // user's "db.dat.backup" stays; returns their paths.
    static QStringList removeLeftovers(const QString &directory, const QStringList &fileNames);
};
