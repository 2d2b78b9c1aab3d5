#pragma once

#include "base/CResult.h"

#include <QString>
#include <QStringList>

// A small UTF-8 file of the data folder read whole: a missing file reads as
// empty, one that cannot be read fails, bytes that are not UTF-8 are a note.
class CTextFile
{
public:
    static CResult<QString> read(const QString &path, QStringList &notes);
};
