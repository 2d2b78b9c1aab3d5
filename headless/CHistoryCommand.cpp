#include "headless/CHistoryCommand.h"

#include "CAlexaRankData.h"
#include "CDataSession.h"
#include "CHistoryMerge.h"
#include "io/CHistoryFilter.h"
#include "io/CHistoryImporter.h"
#include "watch/CDomainGroups.h"

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

CHistoryCommand::ExitCode CHistoryCommand::exportHistory(const CHistoryFilter &chosen, const QStringList &groups,
                                                         CHistoryExporter::Format format, const QString &outputPath)
{
    CHistoryFilter filter = chosen;
    // Reading needs no lock: the data files are only ever replaced whole.
    CDataSession session(m_dataDirectory);
    if (!groups.isEmpty()) {
        QStringList notes;
        const QString path = session.filePath(CDataSession::groupsFileName());
        const CResult<CDomainGroups> read = CDomainGroups::read(session, notes);
        for (const QString &note : std::as_const(notes))
            m_err << "sorvane: " << note << Qt::endl;
        if (!read)
            return refuse(read.message());
        const QStringList members = read.value().domainsOf(groups);
        if (members.isEmpty())
            return refuse(QStringLiteral("no domain belongs to the group %1 in %2").arg(groups.join(QStringLiteral(", ")), path));
        for (const QString &domain : members)
            filter.domains.insert(domain);
    }
    session.load();
    // A history that cannot be read is said once, in the command's words.
    if (const CResult<> read = session.historyRead(); !read)
        return refuse(read.message().section(u'\n', 0, 0));
    for (const CDataSession::Note &note : session.takeNotes())
        m_err << "sorvane: " << QString(note.text).replace(u'\n', u' ') << Qt::endl;
    const QList<CAlexaRankData> &history = session.history();
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

    CDataSession session(m_dataDirectory);
    if (session.establish() > 0)
        return refuse(QStringLiteral("cannot create the data folder %1").arg(m_dataDirectory));
    switch (session.lock(CDataSession::LockMode::QueryRun)) {
    case CDataSession::LockState::Held:
        break;
    case CDataSession::LockState::HeldByOther:
        return refuse(windowOpenMessage());
    default:
        return refuse(session.lockReason());
    }
    session.load();
    for (const CDataSession::Note &note : session.takeNotes())
        m_err << "sorvane: " << note.text << Qt::endl;
    if (!session.historySavable())
        return refuse(session.historyRead().message() + QStringLiteral("; nothing was imported"));

    const CHistoryMerge::Counts counts = dryRun ? CHistoryMerge::count(session.history(), records)
                                                : CHistoryMerge::merge(session.history(), std::move(records));
    if (!dryRun && counts.added > 0) {
        if (const CResult<> saved = session.saveHistory(); !saved)
            return refuse(saved.message());
    }
    QTextStream out(&m_out);
    out << CHistoryMerge::summary(counts);
    if (dryRun)
        out << QStringLiteral("; a dry run: nothing was stored");
    out << Qt::endl;
    return Done;
}
