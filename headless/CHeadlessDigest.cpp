#include "headless/CHeadlessDigest.h"

#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "watch/CAlertMailer.h"
#include "watch/CReportInput.h"

#include <QTextStream>

CHeadlessDigest::CHeadlessDigest(Options options, QTextStream &out, QTextStream &err)
    : m_options(std::move(options))
    , m_out(out)
    , m_err(err)
{
}

CHeadlessDigest::ExitCode CHeadlessDigest::refuse(const QString &message)
{
    m_err << "sorvane: " << message << Qt::endl;
    return CannotStart;
}

CHeadlessDigest::ExitCode CHeadlessDigest::run()
{
    const QString folder = m_options.dataDirectory;
    if (m_options.mail && m_options.outlets.mailTo.isEmpty())
        return refuse(QStringLiteral("--mail needs a mail address: [Alerts] mailTo=address in Sorvane.ini"));
    QStringList notes;
    const CResult<CReportInput> input = CReportInput::read(folder, notes, m_options.availableMemory);
    for (const QString &note : std::as_const(notes))
        m_err << "sorvane: " << QString(note).replace(u'\n', u' ') << Qt::endl;
    if (!input)
        return refuse(input.message());
    const CResult<QStringList> chosen = input.value().domainsOf(m_options.groups);
    if (!chosen)
        return refuse(chosen.message());
    const QStringList &domains = chosen.value();
    if (domains.isEmpty())
        return refuse(m_options.groups.isEmpty()
                          ? QStringLiteral("no domains in %1").arg(CDataStore::domainListPath(folder))
                          : QStringLiteral("no domains in the groups %1").arg(m_options.groups.join(QStringLiteral(", "))));
    const QList<CAlexaRankData> &history = input.value().history;

    const CDigest digest(history, domains, m_options.figure, m_options.days, m_options.clock.today());
    const QString text = digest.render(m_options.format);
    if (!m_options.mail) {
        m_out << text;
        m_out.flush();
        return Done;
    }
    const CResult<> sent = m_options.outlets.mailer
                               ? m_options.outlets.mailer->send(m_options.outlets.mailTo, digest.subject(), text)
                               : CResult<>::failure(QStringLiteral("no mail program"));
    if (!sent) {
        m_err << "sorvane: " << sent.message() << Qt::endl;
        return NotSent;
    }
    m_out << "digest mailed to " << m_options.outlets.mailTo << Qt::endl;
    return Done;
}
