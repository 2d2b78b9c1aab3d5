#include "io/CDomainImportFilter.h"

#include "CFieldText.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr qsizetype LineShown = 80;

} // namespace

CDomainImportFilter::Outcome CDomainImportFilter::importLines(QTextStream &stream, QSet<QString> listed)
{
    Outcome outcome;
    CDomainImportFilter filter;
    qsizetype number = 0;
    for (QString line = stream.readLine(); !line.isNull(); line = stream.readLine()) {
        ++number;
        switch (filter.check(line)) {
        case Verdict::Blank:
            break;
        case Verdict::Refused: {
            // A garbled line is not echoed: it would garble the message too.
            const QString shown = filter.problem() == CDomainName::Problem::Unprintable
                                      ? QString()
                                      : QStringLiteral(" \"%1\"").arg(CFieldText::shown(line.trimmed(), LineShown));
            outcome.skipped.append(QCoreApplication::translate("CDomainImportFilter", "line %1:%2 %3")
                                       .arg(number)
                                       .arg(shown, CDomainName::reason(filter.problem())));
            break;
        }
        case Verdict::Accepted:
            if (!listed.contains(filter.entry())) {
                listed.insert(filter.entry());
                outcome.added.append(filter.entry());
            }
            break;
        }
    }
    return outcome;
}

QString CDomainImportFilter::skippedMessage(const QStringList &skipped)
{
    if (skipped.isEmpty())
        return QString();
    QStringList lines = skipped.mid(0, SkippedShown);
    if (skipped.size() > SkippedShown)
        lines.append(QCoreApplication::translate("CDomainImportFilter", "... and %1 more").arg(skipped.size() - SkippedShown));
    return QCoreApplication::translate("CDomainImportFilter", "Lines that name no domain were not imported (%1):")
               .arg(skipped.size())
           + u'\n' + lines.join(u'\n');
}

CDomainImportFilter::Verdict CDomainImportFilter::check(const QString &fileLine)
{
    m_entry.clear();
    m_problem = CDomainName::Problem::None;
    if (CFieldText::withoutByteOrderMarks(fileLine).trimmed().isEmpty())
        return Verdict::Blank;
    const CDomainName::Reduced reduced = CDomainName::reduce(fileLine);
    m_problem = reduced.problem;
    if (reduced.problem != CDomainName::Problem::None)
        return Verdict::Refused;
    m_entry = CDomainName::entry(reduced.name);
    return Verdict::Accepted;
}
