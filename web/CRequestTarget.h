#pragma once

#include <QString>

namespace Korv::QtLib::Web {

// Splits an address into the host to connect to, the path for the request
// line and the referer to send, by a fixed sequence of plain text
// substitutions (not a general URL parser).
class CRequestTarget
{
public:
    CRequestTarget();

    void setUrl(const QString &url, int tag, const QString &referer);

    QString url() const { return m_url; }
    QString host() const { return m_host; }
    QString path() const { return m_path; }
    QString referer() const { return m_referer; }
    int tag() const { return m_tag; }

private:
    QString m_url;
    QString m_host;
    QString m_path;
    QString m_referer;
    int m_tag = 0;
};

} // namespace Korv::QtLib::Web
