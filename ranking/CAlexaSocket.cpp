#include "CAlexaSocket.h"

#include "RankPageParser.h"

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
    Q_EMIT rankProfile(parseRankPage(response(), domain(), rankMode(), m_clock), index());
}

void CAlexaSocket::processError()
{
    if (domain().isEmpty())
        return;
    Q_EMIT rankProfile(errorRecord(domain(), m_clock), index());
}
