#include "CAlexaSocket.h"

#include "CRequestTarget.h"

#include "CHttpAnswer.h"
#include "RankPageParser.h"

CAlexaSocket::CAlexaSocket(QObject *parent, int index)
    : CWebSocket(parent, 0)
{
    setIndex(index);
    setRankMode(true);
}

QString CAlexaSocket::serviceText() const
{
    return host() + u':' + QString::number(port());
}

QString CAlexaSocket::noAnswer(const QString &why) const
{
    return tr("no answer from the ranking service at %1 (%2)").arg(serviceText(), why);
}

void CAlexaSocket::processData()
{
    if (domain().isEmpty())
        return;
    const QString text = response();
    const auto answer = Korv::QtLib::Web::CHttpAnswer::read(text);
    if (answer.hasStatusLine() && answer.isComplete() && answer.status() == 200) {
        Q_EMIT rankProfile(parseRankPage(text, domain(), rankMode(), m_clock), index());
        return;
    }
    QString reason;
    if (answer.isEmpty())
        reason = noAnswer(tr("the connection closed without an answer"));
    else if (!answer.hasStatusLine())
        reason = noAnswer(tr("no status line in the answer"));
    else if (!answer.isComplete())
        reason = noAnswer(tr("the connection closed before the answer was complete"));
    else
        reason = tr("the ranking service at %1 answered %2").arg(serviceText(), answer.statusText())
                 + (answer.reason().isEmpty() ? QString() : QStringLiteral(" (") + answer.reason() + u')');
    Q_EMIT fetchFailed(domain(), reason, index());
}

void CAlexaSocket::processError()
{
    if (domain().isEmpty())
        return;
    Q_EMIT fetchFailed(domain(), noAnswer(failure().isEmpty() ? tr("the fetch failed") : failure()), index());
}

void CAlexaSocket::aim(const Korv::QtLib::Web::CRequestTarget &target, int port, const QString &domain, bool rankMode)
{
    reset();
    setRankMode(rankMode);
    setPath(target.path());
    setHost(target.host());
    setReferer(target.referer());
    setPort(port);
    setDomain(domain);
}
