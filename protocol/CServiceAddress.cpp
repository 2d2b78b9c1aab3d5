#include "protocol/CServiceAddress.h"

#include "protocol/CSiteInfoRequest.h"

#include <QCoreApplication>

CServiceAddress CServiceAddress::parse(const QString &text, QString *problem)
{
    CServiceAddress address;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return address;
    const qsizetype colon = trimmed.lastIndexOf(u':');
    // More than one colon is an IPv6 address without a port.
    if (colon < 0 || trimmed.indexOf(u':') != colon) {
        address.m_host = trimmed;
        return address;
    }
    const QString host = trimmed.left(colon);
    if (!host.isEmpty())
        address.m_host = host;
    bool ok = false;
    const int port = trimmed.mid(colon + 1).toInt(&ok);
    if (ok && port > 0 && port < 65536)
        address.m_port = port;
    else if (problem)
        *problem = QCoreApplication::translate("CServiceAddress", "\"%1\" is not a port number; using port %2")
                       .arg(trimmed.mid(colon + 1))
                       .arg(DefaultPort);
    return address;
}

QString CServiceAddress::pageAddress(const QString &domain, const QDate &day) const
{
    return QStringLiteral("http://") + m_host + CSiteInfoRequest::pagePath(domain, day);
}

QString CServiceAddress::refererAddress(const QString &domain) const
{
    return QStringLiteral("http://") + m_host + CSiteInfoRequest::refererPath(domain);
}
