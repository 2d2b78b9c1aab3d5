#pragma once

#include "base/CResult.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Writes table rows as CSV: cells joined by ",", each row ended by a single
// "\n", no header, UTF-8. A cell is quoted (RFC 4180) only when it holds a
// quote, a comma or a line break, which no figure Sorvane stores does. The
// file is replaced only once it has been written completely.
class CCsvWriter
{
public:
    static bool needsQuotes(QStringView cell);
    // Appends the cell, quoted when it needs to be.
    static void appendCell(QString &out, QStringView cell);
    static QByteArray toCsv(const QList<QStringList> &rows);
    // On failure the message names the file and the reason.
    static CResult<> write(const QString &path, const QList<QStringList> &rows);
};
