#pragma once

#include "base/CResult.h"

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>

#include <functional>

class CAlexaRankData;
struct CHistoryFilter;

// Writes the history, or the records a filter takes, in history order as
// CSV (RFC 4180 with a header row) or as a JSON array of objects. Both carry
// the stored texts, dates in ISO form; JSON gives whole numbers as numbers,
// "NA" as null and every other figure as a string, so that reading the
// export back yields exactly the stored texts. The output is made and
// handed on in slices, never whole.
class CHistoryExporter
{
public:
    enum class Format { Csv, Json };

    // The keys of the JSON objects, which are also the CSV header's cells.
    static const QList<QString> &fieldNames();
    // Dates as exported histories write them: "YYYY-MM-DD" (ISO 8601).
    static QString dateText(QDate day);
    // Invalid for any text of another form.
    static QDate dateFrom(QStringView text);
    // JSON for a name ending in ".json" (in any case), CSV for any other.
    static Format formatOfPath(const QString &path);
    // "csv" or "json"; a failure for anything else.
    static CResult<Format> formatNamed(const QString &name);

    // sink gets the bytes in order; when it fails, the export stops with
    // its message. Answers how many records were written.
    using Sink = std::function<CResult<>(QByteArrayView)>;
    static CResult<qsizetype> write(const QList<CAlexaRankData> &history, const CHistoryFilter &filter,
                                    Format format, const Sink &sink);
    // The file is replaced only once it is written whole and synced; on
    // failure the message names the file and the reason, and an old file
    // of that name is left as it was.
    static CResult<qsizetype> writeFile(const QString &path, const QList<CAlexaRankData> &history,
                                        const CHistoryFilter &filter, Format format);
};
