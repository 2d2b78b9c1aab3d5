#pragma once

#include "io/CHistoryExporter.h"

#include <QString>
#include <QStringList>

struct CHistoryFilter;
class QIODevice;
class QTextStream;

// The history's way in and out on the command line: an export to standard
// output or a file, and an import merged into db.dat under the data
// folder's lock with the checked save. Messages go to err; a file export
// is written whole or not at all.
class CHistoryCommand
{
public:
    enum ExitCode {
        Done = 0,
        CannotRun = 2, // nothing was written or stored
    };

    // out takes the export's bytes and the import's summary.
    CHistoryCommand(QString dataDirectory, QIODevice &out, QTextStream &err);

    // An empty outputPath writes to out. Groups of groups.dat add their
    // domains to the filter's.
    ExitCode exportHistory(const CHistoryFilter &filter, const QStringList &groups, CHistoryExporter::Format format,
                           const QString &outputPath);
    // dryRun says what an import would do and stores nothing.
    ExitCode importHistory(const QString &path, bool dryRun);

    // The refusal while the window holds the data folder.
    static QString windowOpenMessage();

private:
    ExitCode refuse(const QString &message);

    QString m_dataDirectory;
    QIODevice &m_out;
    QTextStream &m_err;
};
