#include "CDomainImportFilter.h"

#include "CRequestTarget.h"

CDomainImportFilter::CDomainImportFilter()
    : m_pattern(QRegularExpression::anchoredPattern(
                    QStringLiteral(R"((www\.)?(([^\.]+)\.)?([^\.]+)\.[a-z]{2,4}(\.[a-z]{2,4})?)")),
                QRegularExpression::CaseInsensitiveOption)
{
}

CDomainImportFilter::Verdict CDomainImportFilter::check(const QString &line)
{
    m_entry.clear();
    QString candidate = line;
    candidate.remove(QStringLiteral("http://"));
    const qsizetype slash = candidate.indexOf(u'/');
    if (slash >= 0)
        candidate.truncate(slash);
    if (candidate.isEmpty() || !m_pattern.match(candidate).hasMatch())
        return Verdict::Rejected;

    Korv::QtLib::Web::CRequestTarget target;
    target.setUrl(line, 0, QString());
    QString host = target.host();
    host.remove(QStringLiteral("www."));
    if (host.contains(u','))
        return Verdict::RefusedComma;
    m_entry = QStringLiteral("  ") + host;
    return Verdict::Accepted;
}
