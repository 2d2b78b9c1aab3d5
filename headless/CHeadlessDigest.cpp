#include "headless/CHeadlessDigest.h"

#include "CAlexaRankData.h"
#include "CDataSession.h"
#include "watch/CAlertMailer.h"
#include "watch/CDomainGroups.h"

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
    // Reading needs no lock: the data files are only ever replaced whole.
    CDataSession session(folder, m_options.availableMemory);
    session.load();
    for (const CDataSession::Note &note : session.takeNotes())
        m_err << "sorvane: " << QString(note.text).replace(u'\n', u' ') << Qt::endl;
    if (const QString problem = !session.historyProblem().isEmpty() ? session.historyProblem() : session.domainsProblem();
        !problem.isEmpty())
        return refuse(problem.section(u'\n', 0, 0));
    QStringList domains = session.domainNames();
    if (!m_options.groups.isEmpty()) {
        QStringList notes;
        const CResult<CDomainGroups> groups = CDomainGroups::read(session, notes);
        for (const QString &note : std::as_const(notes))
            m_err << "sorvane: " << note << Qt::endl;
        if (!groups)
            return refuse(groups.message());
        // A group may name a domain that is no longer listed: it is shown too.
        domains = groups.value().domainsOf(m_options.groups);
    }
    if (domains.isEmpty())
        return refuse(m_options.groups.isEmpty()
                          ? QStringLiteral("no domains in %1").arg(session.filePath(CDataSession::domainListFileName()))
                          : QStringLiteral("no domains in the groups %1").arg(m_options.groups.join(QStringLiteral(", "))));
    const QList<CAlexaRankData> &history = session.history();

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
