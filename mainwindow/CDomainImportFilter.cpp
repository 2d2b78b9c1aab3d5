#include "CDomainImportFilter.h"

#include "CFieldText.h"
#include "CRequestTarget.h"

#include <algorithm>

namespace {

// No host name is longer than a DNS name can be; longer lines are junk, and
// the pattern is never run over megabytes of them.
constexpr qsizetype MaxNameLength = 253;

// A label may hold spaces, but control and format characters (NUL, escapes,
// line breaks of other systems, invisible marks, direction overrides) never
// belong to a name and would garble every place it is shown or stored.
bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return CFieldText::breaksLine(c) || c.category() == QChar::Other_Format;
    });
}

// Files joined together carry their byte-order marks into the text; one at
// the start of a line is no part of it, as in the data files.
QString withoutLeadingMarks(const QString &line)
{
    qsizetype marks = 0;
    while (marks < line.size() && line.at(marks) == QChar::ByteOrderMark)
        ++marks;
    return line.sliced(marks);
}

} // namespace

CDomainImportFilter::CDomainImportFilter()
    : m_pattern(QRegularExpression::anchoredPattern(
                    QStringLiteral(R"((www\.)?(([^\.]+)\.)?([^\.]+)\.[a-z]{2,4}(\.[a-z]{2,4})?)")),
                QRegularExpression::CaseInsensitiveOption)
{
}

CDomainImportFilter::Verdict CDomainImportFilter::check(const QString &fileLine)
{
    m_entry.clear();
    const QString line = withoutLeadingMarks(fileLine);
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
