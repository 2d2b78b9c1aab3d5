#include "watch/CReportInput.h"

#include "CDataSession.h"

CResult<CReportInput> CReportInput::read(const QString &dataDirectory, QStringList &notes,
                                         std::optional<qint64> availableMemory)
{
    // Through the data session, so by its rules and its memory guard; reading
    // needs no lock, the files being only ever replaced whole.
    CDataSession session(dataDirectory, availableMemory);
    session.load();
    for (const CDataSession::Note &note : session.takeNotes())
        notes.append(note.text);
    if (const CResult<> read = session.domainsRead(); !read)
        return CResult<CReportInput>::failure(read.message().section(u'\n', 0, 0));
    if (const CResult<> read = session.historyRead(); !read)
        return CResult<CReportInput>::failure(read.message().section(u'\n', 0, 0));
    CReportInput input;
    input.listed = session.domainNames();
    const CResult<CDomainGroups> groups = CDomainGroups::read(session, notes);
    if (groups) {
        input.groups = groups.value();
    } else {
        input.groupsProblem = groups.message();
        notes.append(groups.message());
    }
    input.history = std::move(session.history());
    return CResult<CReportInput>::success(std::move(input));
}

CResult<QStringList> CReportInput::domainsOf(const QStringList &askedGroups) const
{
    if (askedGroups.isEmpty())
        return CResult<QStringList>::success(listed);
    if (!groupsProblem.isEmpty())
        return CResult<QStringList>::failure(
            QStringLiteral("no group can be chosen while %1 cannot be read").arg(CDataSession::groupsFileName()));
    // A group may name a domain that is no longer listed: it is reported too.
    return CResult<QStringList>::success(groups.domainsOf(askedGroups));
}
