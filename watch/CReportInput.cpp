#include "watch/CReportInput.h"

#include "CDataSession.h"

CResult<CReportInput> CReportInput::read(const QString &dataDirectory, QStringList &notes)
{
    // Through the data session, so by its rules and its memory guard; reading
    // needs no lock, the files being only ever replaced whole.
    CDataSession session(dataDirectory);
    session.load();
    for (const CDataSession::Note &note : session.takeNotes())
        notes.append(note.text);
    if (!session.domainsProblem().isEmpty())
        return CResult<CReportInput>::failure(session.domainsProblem().section(u'\n', 0, 0));
    if (!session.historyProblem().isEmpty())
        return CResult<CReportInput>::failure(session.historyProblem().section(u'\n', 0, 0));
    CReportInput input;
    input.listed = session.domainNames();
    const CResult<CDomainGroups> groups = CDomainGroups::read(session, notes);
    if (!groups)
        return CResult<CReportInput>::failure(groups.message());
    input.groups = groups.value();
    input.history = std::move(session.history());
    return CResult<CReportInput>::success(std::move(input));
}
