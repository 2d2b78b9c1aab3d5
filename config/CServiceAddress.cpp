#include "config/CServiceAddress.h"

#include "CSiteInfoAddress.h"

#include <QCoreApplication>
#include <QtGlobal>

CServiceAddress CServiceAddress::fromEnvironment()
{
    QString problem;
    const CServiceAddress address = parse(qEnvironmentVariable("SORVANE_SERVICE"), &problem);
    if (!problem.isEmpty())
        qWarning("SORVANE_SERVICE: %s", qUtf8Printable(problem));
    return address;
}

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
    address.m_host = trimmed.left(colon);
    bool ok = false;
    const int port = trimmed.mid(colon + 1).toInt(&ok);
    if (ok && port > 0 && port < 65536)
        address.m_port = port;
    else if (problem)
        *problem = QCoreApplication::translate("CServiceAddress", "\"%1\" is not a port number; using port %2")
                       .arg(trimmed.mid(colon + 1))
                       .arg(DefaultPort);
    if (address.m_host.isEmpty())
        address.m_host = QStringLiteral("localhost");
    return address;
}

QString CServiceAddress::pageAddress(const QString &domain) const
{
    return CSiteInfoAddress::page(m_host, domain);
}

QString CServiceAddress::refererAddress(const QString &domain) const
{
    return CSiteInfoAddress::referer(m_host, domain);
}
