#pragma once

#include "base/CResult.h"

#include <QDate>
#include <QString>

// Where the ranking service is reached, written "host" or "host:port";
// empty, localhost on port 80.
class CServiceAddress
{
public:
    static constexpr int DefaultPort = 80;

    // A failure, with the reason, for a port that is not one.
    static CResult<CServiceAddress> parse(const QString &text);

    QString host() const { return m_host; }
    int port() const { return m_port; }
    QString text() const { return m_host + u':' + QString::number(m_port); } // "localhost:80"

    // The page of a domain, as of today or of the given day.
    QString pageAddress(const QString &domain, const QDate &day = QDate()) const;
    QString refererAddress(const QString &domain) const;

private:
    QString m_host = QStringLiteral("localhost");
    int m_port = DefaultPort;
};
