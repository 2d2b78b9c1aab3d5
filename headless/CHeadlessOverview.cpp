#include "headless/CHeadlessOverview.h"

#include "CDataStore.h"
#include "COverviewTable.h"
#include "watch/CReportInput.h"

#include <QTextStream>

#include <algorithm>

CHeadlessOverview::CHeadlessOverview(Options options, QTextStream &out, QTextStream &err)
    : m_options(std::move(options))
    , m_out(out)
    , m_err(err)
{
}

CHeadlessOverview::ExitCode CHeadlessOverview::refuse(const QString &message)
{
    m_err << "sorvane: " << message << Qt::endl;
    return CannotStart;
}

CHeadlessOverview::ExitCode CHeadlessOverview::run()
{
    QStringList notes;
    const CResult<CReportInput> input = CReportInput::read(m_options.dataDirectory, notes);
    for (const QString &note : std::as_const(notes))
        m_err << "sorvane: " << QString(note).replace(u'\n', u' ') << Qt::endl;
    if (!input)
        return refuse(input.message());
    if (const CResult<QStringList> chosen = input.value().domainsOf(m_options.groups); !chosen)
        return refuse(chosen.message());
    QStringList domains;
    QHash<QString, QStringList> groupsOf;
    for (const QString &name : input.value().listed) {
        const QStringList memberOf = input.value().groups.groupsOf(name);
        if (m_options.groups.isEmpty() || std::any_of(memberOf.cbegin(), memberOf.cend(), [this](const QString &group) {
                return m_options.groups.contains(group);
            })) {
            domains.append(name);
            groupsOf.insert(name, memberOf);
        }
    }
    if (domains.isEmpty())
        return refuse(m_options.groups.isEmpty()
                          ? QStringLiteral("no domains in %1").arg(CDataStore::domainListPath(m_options.dataDirectory))
                          : QStringLiteral("no listed domains in the groups %1").arg(m_options.groups.join(QStringLiteral(", "))));

    QList<COverviewRow> rows = COverviewTable::build(input.value().history, domains, groupsOf);
    COverviewTable::sortByGlobalRank(rows);
    m_out << COverviewWriter::render(rows, m_options.format);
    m_out.flush();
    return Done;
}
