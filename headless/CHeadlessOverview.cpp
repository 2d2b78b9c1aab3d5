#include "headless/CHeadlessOverview.h"

#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CDomainName.h"
#include "COverviewTable.h"
#include "watch/CDomainGroups.h"

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
    const QString folder = m_options.dataDirectory;
    QStringList notes;
    const CResult<QStringList> list = CDataStore::readDomainList(CDataStore::domainListPath(folder), notes);
    if (!list)
        return refuse(list.message());
    const CResult<CDomainGroups> groups = CDomainGroups::read(CDomainGroups::path(folder), notes);
    if (!groups)
        return refuse(groups.message());
    QStringList domains;
    QHash<QString, QStringList> groupsOf;
    for (const QString &entry : list.value()) {
        const QString name = CDomainName::nameOf(entry);
        const QStringList memberOf = groups.value().groupsOf(name);
        const bool wanted = m_options.groups.isEmpty()
                            || std::any_of(memberOf.cbegin(), memberOf.cend(),
                                           [this](const QString &group) { return m_options.groups.contains(group); });
        if (!name.isEmpty() && wanted) {
            domains.append(name);
            groupsOf.insert(name, memberOf);
        }
    }
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    const CResult<> read = CDataStore::readHistory(CDataStore::historyPath(folder), history, dates, notes);
    for (const QString &note : std::as_const(notes))
        m_err << "sorvane: " << QString(note).replace(u'\n', u' ') << Qt::endl;
    if (!read)
        return refuse(read.message());
    if (domains.isEmpty())
        return refuse(m_options.groups.isEmpty()
                          ? QStringLiteral("no domains in %1").arg(CDataStore::domainListPath(folder))
                          : QStringLiteral("no listed domains in the groups %1").arg(m_options.groups.join(QStringLiteral(", "))));

    QList<COverviewRow> rows = COverviewTable::build(history, domains, groupsOf);
    COverviewTable::sortByGlobalRank(rows);
    m_out << COverviewWriter::render(rows, m_options.format);
    m_out.flush();
    return Done;
}
