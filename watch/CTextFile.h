#pragma once

#include "base/CResult.h"

#include <QString>
#include <QStringList>

class CDataSession;

// A small UTF-8 file of the data folder read whole through the session: a
// missing file reads as empty, one that cannot be read fails (and the
// session will not save over it), bytes that are not UTF-8 are a note.
class CTextFile
{
public:
    static CResult<QString> read(CDataSession &session, const QString &fileName, QStringList &notes);
};
