#pragma once

#include "CDomainName.h"

#include <QSet>
#include <QString>
#include <QStringList>

class QTextStream;

// Decides what one line of an imported file adds to the domain list: a
// domain or an address on one gives its name (CDomainName::reduce),
// indented by two spaces as every domain entry is. A blank line is no
// entry; any other line that is no domain name is refused, and the import
// names it.
class CDomainImportFilter
{
public:
    enum class Verdict {
        Blank,    // nothing on the line
        Accepted, // entry() holds the new domain entry
        Refused,  // problem() says why
    };

    struct Outcome
    {
        QStringList added;   // new entries, in file order, each once
        QStringList skipped; // "line 4: \"a b.com\" holds a space", one a refused line
    };
    static constexpr int SkippedShown = 10;

    // Every line of the stream; entries already listed are not added again.
    static Outcome importLines(QTextStream &stream, QSet<QString> listed);
    // How many lines were skipped and the first few; empty for none.
    static QString skippedMessage(const QStringList &skipped);

    Verdict check(const QString &line);
    QString entry() const { return m_entry; }
    CDomainName::Problem problem() const { return m_problem; }

private:
    QString m_entry;
    CDomainName::Problem m_problem = CDomainName::Problem::None;
};
