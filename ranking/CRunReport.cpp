#include "CRunReport.h"

#include "CAlexaRankData.h"

#include <QStringList>

namespace {

QString figuresOf(const CAlexaRankData &record)
{
    return QStringList{record.globalRank(), record.usRank(), record.yesterday(), record.sevenDay(),
                       record.oneMonth(), record.threeMonth()}
        .join(u',');
}

} // namespace

QString CRunReport::stored(const CAlexaRankData &record)
{
    return record.domain() + QStringLiteral(": stored ") + figuresOf(record) + QStringLiteral(" for ") + record.date();
}

QString CRunReport::refused(const CAlexaRankData &record)
{
    return record.domain() + QStringLiteral(": already assessed for ") + record.date();
}

QString CRunReport::filled(const CAlexaRankData &record)
{
    return record.domain() + QStringLiteral(": filled ") + figuresOf(record) + QStringLiteral(" for ") + record.date();
}

QString CRunReport::failed(const QString &domain, const CFetchFailure &failure)
{
    return domain + QStringLiteral(": ") + failure.text();
}

QString CRunReport::unreachable(const CServiceAddress &service)
{
    return CQueryRun::unreachable(service).replace(u'\n', u' ').simplified();
}

CRunReport::ExitCode CRunReport::exitCode(const CQueryRun::Counts &counts, bool saved)
{
    return counts.failed > 0 || !saved ? SomeFailed : AllStored;
}
