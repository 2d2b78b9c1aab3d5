#include "CAlexaSocket.h"

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

void CAlexaSocket::processData()
{
    if (domain().isEmpty())
        return;
    const QString text = response();
    const auto answer = Korv::QtLib::Web::CHttpAnswer::read(text);
    const QString noAnswer = QStringLiteral("no answer from the ranking service at %1 (%2)").arg(serviceText());
    if (answer.isEmpty()) {
        Q_EMIT fetchFailed(domain(), noAnswer.arg(QStringLiteral("the connection closed without an answer")), index());
    } else if (!answer.hasStatusLine()) {
        Q_EMIT fetchFailed(domain(), noAnswer.arg(QStringLiteral("no status line in the answer")), index());
    } else if (!answer.isComplete()) {
        Q_EMIT fetchFailed(domain(), noAnswer.arg(QStringLiteral("the connection closed before the answer was complete")),
                           index());
    } else if (answer.status() != 200) {
        QString reason = QStringLiteral("the ranking service at %1 answered %2").arg(serviceText(), answer.statusText());
        if (!answer.reason().isEmpty())
            reason += QStringLiteral(" (") + answer.reason() + u')';
        Q_EMIT fetchFailed(domain(), reason, index());
    } else {
        Q_EMIT rankProfile(parseRankPage(text, domain(), rankMode(), m_clock), index());
    }
}

void CAlexaSocket::processError()
{
    if (domain().isEmpty())
        return;
    const QString why = failure().isEmpty() ? QStringLiteral("the fetch failed") : failure();
    Q_EMIT fetchFailed(domain(), QStringLiteral("no answer from the ranking service at %1 (%2)").arg(serviceText(), why),
                       index());
}
