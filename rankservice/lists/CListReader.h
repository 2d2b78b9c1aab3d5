#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// Reads the text of one ranking list as it was downloaded: a plain ".csv", a
// ".gz" or a ".zip" holding the list as its first file. Decompresses in
// memory, never to disk, a piece at a time: what a list costs while it is
// read is what its reader keeps, never its whole text. A file that cannot
// be read gives the reason.
class CListReader
{
public:
    // A list bigger than this once unpacked is refused, so that a hostile
    // archive cannot keep the reading busy (a real top-million list is
    // about 25 MB).
    static constexpr qint64 MaxTextSize = qint64(512) * 1024 * 1024;

    enum class Next { More, Enough };
    // Takes the next piece of the text, in order; Enough ends the reading
    // there, a failure ends it with its message.
    using Take = std::function<CResult<Next>(QByteArrayView piece)>;

    // Hands the list's text to take piece by piece. A file that changes or
    // shrinks while it is read is refused: the text would be part of one
    // list and part of another.
    static CResult<void> read(const QString &path, const Take &take);
    // The whole text at once, for small lists and tests.
    static CResult<QByteArray> read(const QString &path);
};
