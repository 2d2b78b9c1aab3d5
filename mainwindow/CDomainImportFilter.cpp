#include "CDomainImportFilter.h"

#include "CRequestTarget.h"

#include <algorithm>

namespace {

// No host name is longer than a DNS name can be; longer lines are junk, and
// the pattern is never run over megabytes of them.
constexpr qsizetype MaxNameLength = 253;

// A label may hold spaces, but control characters (NUL, escapes, line breaks
// of other systems) never belong to a name and would garble every place it
// is shown or stored.
bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator
               || c == QChar::ParagraphSeparator;
    });
}

} // namespace

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
    if (candidate.isEmpty() || candidate.size() > MaxNameLength || hasControl(candidate)
        || !m_pattern.match(candidate).hasMatch())
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
