#include "watch/CReportInput.h"

#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CDomainName.h"

CResult<CReportInput> CReportInput::read(const QString &dataDirectory, QStringList &notes)
{
    CReportInput input;
    const CResult<QStringList> list = CDataStore::readDomainList(CDataStore::domainListPath(dataDirectory), notes);
    if (!list)
        return CResult<CReportInput>::failure(list.message());
    for (const QString &entry : list.value()) {
        if (const QString name = CDomainName::nameOf(entry); !name.isEmpty())
            input.listed.append(name);
    }
    const CResult<CDomainGroups> groups = CDomainGroups::read(CDomainGroups::path(dataDirectory), notes);
    if (!groups)
        return CResult<CReportInput>::failure(groups.message());
    input.groups = groups.value();
    CDomainDateList dates;
    const CResult<> read = CDataStore::readHistory(CDataStore::historyPath(dataDirectory), input.history, dates, notes);
    if (!read)
        return CResult<CReportInput>::failure(read.message());
    return CResult<CReportInput>::success(std::move(input));
}
