#pragma once

#include "base/CResult.h"

#include "COverviewRow.h"

#include <QList>
#include <QString>
#include <QStringList>

// The overview's rows as `sorvane --overview` prints them: a table of text,
// CSV (RFC 4180 with a header row) or a JSON array of objects. Changes are
// signed numbers of places ("+150", "-3"), left empty (null in JSON) where
// there is nothing to compare; a newest rank that is "NA" stays "NA".
class COverviewWriter
{
public:
    enum class Format { Text, Csv, Json };

    // "text", "csv" or "json"; a failure for another name.
    static CResult<Format> formatNamed(const QString &name);
    // The CSV header's cells, which are also the JSON objects' keys.
    static const QStringList &fieldNames();
    static QString render(const QList<COverviewRow> &rows, Format format);

    // One field as CSV and the text table write it; empty for nothing.
    static QString cell(const COverviewRow &row, int column);

private:
    static QString renderText(const QList<COverviewRow> &rows);
    static QString renderCsv(const QList<COverviewRow> &rows);
    static QString renderJson(const QList<COverviewRow> &rows);
};
