#pragma once

#include <QString>

// Where the ranking service is reached: the environment variable
// SORVANE_SERVICE, written "host" or "host:port"; unset, localhost on port 80.
class CServiceAddress
{
public:
    static constexpr int DefaultPort = 80;

    static CServiceAddress fromEnvironment();
    // An unusable port leaves the default in place and sets *problem.
    static CServiceAddress parse(const QString &text, QString *problem = nullptr);

    QString host() const { return m_host; }
    int port() const { return m_port; }

    QString pageAddress(const QString &domain) const;
    QString refererAddress(const QString &domain) const;

private:
    QString m_host = QStringLiteral("localhost");
    int m_port = DefaultPort;
};
