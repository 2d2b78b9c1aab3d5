#include "CAlexaSocket.h"

#include "CRequestTarget.h"

#include "CHttpAnswer.h"
#include "CRequestTarget.h"
#include "RankPageParser.h"
#include "protocol/CServiceAddress.h"

CAlexaSocket::CAlexaSocket(QObject *parent, int index)
    : CWebSocket(parent, 0)
{
    setIndex(index);
    setRankMode(true);
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
    Q_EMIT fetchFailed(domain(), CFetchFailure::fromAnswer(serviceText(), answer), index());
}

void CAlexaSocket::processError()
{
    if (domain().isEmpty())
        return;
    Q_EMIT fetchFailed(domain(), CFetchFailure::noAnswer(serviceText(), failure(), reached()), index());
}

QString CAlexaSocket::serviceText() const
{
    return host() + u':' + QString::number(port());
}

void CAlexaSocket::aim(const CServiceAddress &service, const QString &domain, const QDate &day)
{
    Korv::QtLib::Web::CRequestTarget target;
    target.setUrl(service.pageAddress(domain, day), 0, service.refererAddress(domain));
    reset();
    setPath(target.path());
    setHost(target.host());
    setReferer(target.referer());
    setPort(service.port());
    setDomain(domain);
}
