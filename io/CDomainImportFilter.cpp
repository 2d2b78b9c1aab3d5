#include "io/CDomainImportFilter.h"

#include "CDomainName.h"
#include "CFieldText.h"
#include "CRequestTarget.h"

CDomainImportFilter::CDomainImportFilter()
    : m_pattern(QRegularExpression::anchoredPattern(
                    QStringLiteral(R"((www\.)?(([^\.]+)\.)?([^\.]+)\.[a-z]{2,4}(\.[a-z]{2,4})?)")),
                QRegularExpression::CaseInsensitiveOption)
{
}

CDomainImportFilter::Verdict CDomainImportFilter::check(const QString &fileLine)
{
    m_entry.clear();
    const QString line = CFieldText::withoutByteOrderMarks(fileLine).toString();
    QString candidate = line;
    candidate.remove(QStringLiteral("http://"));
    const qsizetype slash = candidate.indexOf(u'/');
    if (slash >= 0)
        candidate.truncate(slash);
    // Over-long lines are junk: the pattern is never run over megabytes of them.
    const CDomainName::Problem problem = CDomainName::problemOf(candidate);
    if (candidate.isEmpty() || problem == CDomainName::Problem::TooLong
        || problem == CDomainName::Problem::Unprintable || !m_pattern.match(candidate).hasMatch())
        return Verdict::Rejected;

    Korv::QtLib::Web::CRequestTarget target;
    target.setUrl(line, 0, QString());
    const QString host = CDomainName::withoutWww(target.host());
    if (CDomainName::problemOf(host) == CDomainName::Problem::Comma)
        return Verdict::RefusedComma;
    m_entry = CDomainName::entry(host);
    return Verdict::Accepted;
}
