#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Reads the text of one ranking list as it was downloaded: a plain ".csv", a
// ".gz" or a ".zip" holding the list as its first file. Decompresses in
// memory, never to disk; a file that cannot be read gives the reason.
class CListReader
{
public:
    // A list bigger than this once unpacked is refused, so that a hostile
    // archive cannot fill the memory (a real top-million list is about 25 MB).
    static constexpr qint64 MaxTextSize = qint64(512) * 1024 * 1024;

    // Looks at the text after each chunk read, with the bytes taken from the
    // file so far; a failure stops the reading with its message. It may
    // change the bytes already read, never their number.
    using Watch = std::function<CResult<void>(QByteArray &text, qint64 fileBytes)>;

    // The list's text. A file that changes or shrinks while it is read is
    // refused: the text would be part of one list and part of another.
    static CResult<QByteArray> read(const QString &path, const Watch &watch = {});
};
