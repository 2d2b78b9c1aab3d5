#include "CRunReport.h"

#include "CAlexaRankData.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString figuresOf(const CAlexaRankData &record)
{
    return QStringList{record.globalRank(), record.usRank(), record.yesterday(), record.sevenDay(),
                       record.oneMonth(), record.threeMonth()}
        .join(u',');
}

} // namespace

QString CRunReport::fetched(const CAlexaRankData &record)
{
    return record.domain() + QStringLiteral(": fetched ") + figuresOf(record) + QStringLiteral(" for ") + record.date();
}

QString CRunReport::refused(const CAlexaRankData &record)
{
    return record.domain() + QStringLiteral(": already assessed for ") + record.date();
}

QString CRunReport::summary(const CQueryRun::Counts &counts, bool saved)
{
    if (saved || counts.stored == 0)
        return CQueryRun::summary(counts);
    return QCoreApplication::translate("CRunReport", "%1 fetched but not stored, %2 already assessed, %3 failed")
        .arg(counts.stored)
        .arg(counts.refused)
        .arg(counts.failed);
}

QString CRunReport::backfillSummary(int filled, int withoutList, int failed, bool saved)
{
    const char *text = saved || filled == 0 ? QT_TRANSLATE_NOOP("CRunReport", "%1 filled, %2 without a list, %3 failed")
                                            : QT_TRANSLATE_NOOP("CRunReport", "%1 fetched but not stored, %2 without a list, %3 failed");
    return QCoreApplication::translate("CRunReport", text).arg(filled).arg(withoutList).arg(failed);
}

QString CRunReport::failed(const QString &domain, const CFetchFailure &failure)
{
    return domain + QStringLiteral(": ") + failure.text();
}

QString CRunReport::unreachable(const CServiceAddress &service)
{
    return CQueryRun::unreachable(service).replace(u'\n', u' ').simplified();
}

CRunReport::ExitCode CRunReport::exitCode(const CQueryRun::Counts &counts, bool saved, bool stopped)
{
    return counts.failed > 0 || !saved || stopped ? SomeFailed : AllStored;
}
