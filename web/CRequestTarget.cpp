#include "CRequestTarget.h"

namespace Korv::QtLib::Web {

namespace {

const QString Scheme = QStringLiteral("http://");

} // namespace

CRequestTarget::CRequestTarget()
    // Only a placeholder: every target handed to a socket gets its own referer.
    : m_referer(QStringLiteral("http://www.bing.com/search?q=proxy+list&x=0&y=0&form=MSNH90"))
{
}

// A fixed sequence of plain, case-sensitive substitutions; the odd results it
// gives for some inputs (a host-less path, "HTTP://") are relied upon as they are.
void CRequestTarget::setUrl(const QString &url, int tag, const QString &referer)
{
    m_url = url;

    QString host = url;
    if (host.contains(Scheme))
        host.remove(Scheme);
    const qsizetype hostEnd = host.indexOf(u'/');
    if (hostEnd >= 0)
        host.truncate(hostEnd);
    m_host = host;

    QString path = url;
    path.remove(Scheme);
    path.remove(QStringLiteral("www."));
    if (!host.isEmpty())
        path.remove(host);

    // When the host began with "www." it survived the removal above without
    // that prefix; everything up to the first "/" is still host text.
    const qsizetype slash = path.indexOf(u'/');
    if (slash > 0)
        path = path.mid(slash + 1);
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    m_path = path;

    m_referer = referer;
    m_tag = tag;
}

} // namespace Korv::QtLib::Web
