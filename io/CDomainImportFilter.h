#pragma once

#include <QRegularExpression>
#include <QString>

// Decides what one line of an imported file adds to the domain list: lines
// that look like a domain, or an address on one, give the host name without
// "www.", indented by two spaces as every domain entry is.
class CDomainImportFilter
{
public:
    enum class Verdict {
        Rejected,     // not a domain: skipped without a word
        Accepted,     // entry() holds the new domain entry
        RefusedComma, // looks like a domain but would split its history line
    };

    CDomainImportFilter();

    Verdict check(const QString &line);
    QString entry() const { return m_entry; }

private:
    QRegularExpression m_pattern;
    QString m_entry;
};
