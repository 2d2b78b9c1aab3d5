#include "rankservice/crux/CCruxOrigins.h"

#include <libpsl.h>

namespace {

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QByteArrayView withoutWww(QByteArrayView host)
{
    return host.size() > 4 && host.startsWith("www.") ? host.sliced(4) : host;
}

} // namespace

void CCruxOrigins::Free::operator()(psl_ctx_st *psl) const
{
    psl_free(psl); // leaves the built-in list alone
}

CCruxOrigins::CCruxOrigins()
    // The system's newest list (Debian's publicsuffix), else the one built into the library.
    : m_psl(psl_latest(nullptr))
{
    if (!m_psl)
        m_psl.reset(const_cast<psl_ctx_t *>(psl_builtin()));
}

CCruxOrigins::~CCruxOrigins() = default;

QString CCruxOrigins::suffixListFile()
{
    const char *file = psl_dist_filename();
    return file ? QString::fromLocal8Bit(file) : QString();
}

QByteArrayView CCruxOrigins::hostOf(QByteArrayView origin)
{
    QByteArrayView rest;
    if (origin.startsWith("https://"))
        rest = origin.sliced(8);
    else if (origin.startsWith("http://"))
        rest = origin.sliced(7);
    else
        return {};
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != ':' && rest[end] != '/')
        ++end;
    const QByteArrayView host = rest.first(end);
    // Host-name characters only: an address in brackets or a user part names no domain.
    for (const char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == '.';
        if (!allowed)
            return {};
    }
    if (host.isEmpty() || host.size() > MaxHost || host.startsWith('.') || host.endsWith('.'))
        return {};
    return host;
}

void CCruxOrigins::keysOf(QByteArrayView host, Keys &out) const
{
    out.count = 0;
    if (host.isEmpty() || host.size() > MaxHost)
        return;
    for (qsizetype i = 0; i < host.size(); ++i)
        out.buffer[size_t(i)] = lowered(host[i]);
    out.buffer[size_t(host.size())] = '\0';
    const QByteArrayView whole(out.buffer.data(), host.size());
    const QByteArrayView own = withoutWww(whole);
    out.keys[out.count++] = own;
    // A name of two labels is its own registrable domain or a suffix: no other key.
    if (own.count('.') < 2)
        return;
    const QByteArrayView registrable = registrableOf(whole);
    if (!registrable.isEmpty() && registrable != own)
        out.keys[out.count++] = registrable;
}

QByteArrayView CCruxOrigins::registrableOf(QByteArrayView host) const
{
    // host ends with a zero, as the library reads it.
    const char *found = psl_registrable_domain(m_psl.get(), host.data());
    if (!found)
        return {};
    return host.sliced(found - host.data());
}
