#pragma once

#include "base/CResult.h"

#include <QList>
#include <QString>
#include <QStringList>

// Writes table rows as CSV: cells joined by ",", each row ended by a single
// "\n", no header, no quoting, UTF-8. The file is replaced only once it has
// been written completely.
class CCsvWriter
{
public:
    static QByteArray toCsv(const QList<QStringList> &rows);
    // On failure the message names the file and the reason.
    static CResult<> write(const QString &path, const QList<QStringList> &rows);
};
