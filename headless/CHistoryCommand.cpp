#include "headless/CHistoryCommand.h"

#include "CAlexaRankData.h"
#include "CDataLock.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CHistoryMerge.h"
#include "io/CHistoryFilter.h"
#include "io/CHistoryImporter.h"

#include <QFileInfo>
#include <QIODevice>
#include <QTextStream>

CHistoryCommand::CHistoryCommand(QString dataDirectory, QIODevice &out, QTextStream &err)
    : m_dataDirectory(std::move(dataDirectory))
    , m_out(out)
    , m_err(err)
{
}

QString CHistoryCommand::windowOpenMessage()
{
    return QStringLiteral("Sorvane is open (or a query run is under way) and holds the data folder; "
                          "import with the window's File > Import History... instead");
}

CHistoryCommand::ExitCode CHistoryCommand::refuse(const QString &message)
{
    m_err << "sorvane: " << message << Qt::endl;
    return CannotRun;
}

CHistoryCommand::ExitCode CHistoryCommand::exportHistory(const CHistoryFilter &filter, CHistoryExporter::Format format,
                                                         const QString &outputPath)
{
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    QStringList notes;
    const CResult<> read = CDataStore::readHistory(CDataStore::historyPath(m_dataDirectory), history, dates, notes);
    if (!read)
        return refuse(read.message());
    for (const QString &note : std::as_const(notes))
        m_err << "sorvane: " << note << Qt::endl;
    if (!outputPath.isEmpty()) {
        const CResult<qsizetype> written = CHistoryExporter::writeFile(outputPath, history, filter, format);
        return written ? Done : refuse(written.message());
    }
    const CResult<qsizetype> written = CHistoryExporter::write(history, filter, format, [&](QByteArrayView bytes) {
        if (m_out.write(bytes.data(), bytes.size()) == bytes.size())
            return CResult<>::success();
        return CResult<>::failure(QStringLiteral("could not write the export: %1").arg(m_out.errorString()));
    });
    return written ? Done : refuse(written.message());
}

CHistoryCommand::ExitCode CHistoryCommand::importHistory(const QString &path, bool dryRun)
{
    // The file first: a bad one needs neither the lock nor the history.
    QList<CAlexaRankData> records;
    if (const CResult<> read = CHistoryImporter::readFile(path, records); !read)
        return refuse(read.message());

    if (CDataStore::establishDataDirectory(m_dataDirectory) > 0 || !QFileInfo(m_dataDirectory).isDir())
        return refuse(QStringLiteral("cannot create the data folder %1").arg(m_dataDirectory));
    CDataLock lock(m_dataDirectory);
    const CDataLock::Result locked = lock.acquire();
    if (locked.state == CDataLock::State::Busy)
        return refuse(windowOpenMessage());
    if (!locked.held())
        return refuse(QStringLiteral("cannot lock the data folder %1").arg(m_dataDirectory));

    const QString historyPath = CDataStore::historyPath(m_dataDirectory);
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    QStringList notes;
    if (const CResult<> read = CDataStore::readHistory(historyPath, history, dates, notes); !read)
        return refuse(read.message() + QStringLiteral("; nothing was imported"));

    const CHistoryMerge::Counts counts =
        dryRun ? CHistoryMerge::count(history, records) : CHistoryMerge::merge(history, std::move(records));
    if (!dryRun && counts.added > 0) {
        if (const CResult<> saved = CDataStore::saveHistory(historyPath, history); !saved)
            return refuse(saved.message());
    }
    QTextStream out(&m_out);
    out << CHistoryMerge::summary(counts);
    if (dryRun)
        out << QStringLiteral("; a dry run: nothing was stored");
    out << Qt::endl;
    return Done;
}
