#include "protocol/CServiceAddress.h"

#include "protocol/CSiteInfoRequest.h"

#include <QCoreApplication>

CResult<CServiceAddress> CServiceAddress::parse(const QString &text)
{
    CServiceAddress address;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return CResult<CServiceAddress>::success(address);
    const qsizetype colon = trimmed.lastIndexOf(u':');
    // More than one colon is an IPv6 address without a port.
    if (colon < 0 || trimmed.indexOf(u':') != colon) {
        address.m_host = trimmed;
        return CResult<CServiceAddress>::success(address);
    }
    const QString host = trimmed.left(colon);
    if (!host.isEmpty())
        address.m_host = host;
    bool ok = false;
    const int port = trimmed.mid(colon + 1).toInt(&ok);
    if (!ok || port <= 0 || port >= 65536)
        return CResult<CServiceAddress>::failure(
            QCoreApplication::translate("CServiceAddress", "\"%1\" is not a port number").arg(trimmed.mid(colon + 1)));
    address.m_port = port;
    return CResult<CServiceAddress>::success(address);
}

QString CServiceAddress::pageAddress(const QString &domain, const QDate &day) const
{
    return QStringLiteral("http://") + m_host + CSiteInfoRequest::pagePath(domain, day);
}

QString CServiceAddress::refererAddress(const QString &domain) const
{
    return QStringLiteral("http://") + m_host + CSiteInfoRequest::refererPath(domain);
}
