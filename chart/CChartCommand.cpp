#include "CChartCommand.h"

#include "CChartPicture.h"
#include "CRankChart.h"
#include "CRankSeries.h"
#include "watch/CReportInput.h"

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
    QStringList notes;
    const CResult<CReportInput> input = CReportInput::read(m_options.dataDirectory, notes);
    for (const QString &note : std::as_const(notes))
        m_err << "sorvane: " << QString(note).replace(u'\n', u' ') << Qt::endl;
    if (!input)
        return refuse(input.message());
    QStringList domains = m_options.domains;
    if (domains.isEmpty()) {
        const CResult<QStringList> chosen = input.value().domainsOf(m_options.groups);
        if (!chosen)
            return refuse(chosen.message());
        domains = chosen.value();
    }
    if (domains.isEmpty())
        return refuse(QStringLiteral("no domains to draw"));
    const QList<CAlexaRankData> &history = input.value().history;

    CChartPicture::Content content;
    content.period = period();
    content.figure = m_options.figure;
    content.series = CRankSeries::buildEach(history, domains, m_options.figure, content.period);
    content.listed = input.value().listed;
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
