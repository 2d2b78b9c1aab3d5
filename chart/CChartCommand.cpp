#include "CChartCommand.h"

#include "CAlexaRankData.h"
#include "CChartPicture.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CDomainName.h"
#include "CRankChart.h"
#include "CRankSeries.h"
#include "watch/CDomainGroups.h"

#include <QTextStream>

CChartCommand::CChartCommand(Options options, QTextStream &out, QTextStream &err)
    : m_options(std::move(options))
    , m_out(out)
    , m_err(err)
{
}

CChartCommand::ExitCode CChartCommand::refuse(const QString &message)
{
    m_err << "sorvane: " << message << Qt::endl;
    return CannotStart;
}

CTrendPeriod CChartCommand::period() const
{
    if (m_options.days > 0)
        return CTrendPeriod(m_options.today.addDays(1 - m_options.days), m_options.today);
    return CTrendPeriod(m_options.from, m_options.to);
}

CChartCommand::ExitCode CChartCommand::run()
{
    const QString folder = m_options.dataDirectory;
    QStringList notes;
    QStringList domains = m_options.domains;
    if (domains.isEmpty() && !m_options.groups.isEmpty()) {
        const CResult<CDomainGroups> groups = CDomainGroups::read(CDomainGroups::path(folder), notes);
        if (!groups)
            return refuse(groups.message());
        domains = groups.value().domainsOf(m_options.groups);
    } else if (domains.isEmpty()) {
        const CResult<QStringList> list = CDataStore::readDomainList(CDataStore::domainListPath(folder), notes);
        if (!list)
            return refuse(list.message());
        for (const QString &entry : list.value()) {
            if (const QString name = CDomainName::nameOf(entry); !name.isEmpty())
                domains.append(name);
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
        return refuse(QStringLiteral("no domains to draw"));

    CChartPicture::Content content;
    content.period = period();
    content.figure = m_options.figure;
    content.series = CRankSeries::buildEach(history, domains, m_options.figure, content.period);
    const CChartPicture picture(content, m_options.size);
    const bool svg = m_options.path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    const CResult<> saved = svg ? picture.saveSvg(m_options.path) : picture.savePng(m_options.path);
    if (!saved) {
        m_err << "sorvane: " << saved.message() << Qt::endl;
        return NotSaved;
    }
    if (picture.rankChart()->isEmpty())
        m_err << "sorvane: " << CChartPicture::emptyText(content.figure, content.period, true) << Qt::endl;
    m_out << "chart of " << domains.size() << " domain(s) saved to " << m_options.path << Qt::endl;
    return Done;
}
