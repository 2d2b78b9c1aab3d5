#include "rankservice/server/CRequestReader.h"

namespace {

bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text)
        if (!isTokenChar(c))
            return false;
    return true;
}

bool isControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

} // namespace

CRequestReader::Status CRequestReader::feed(QByteArrayView bytes)
{
    while (m_status == Status::Incomplete && !bytes.isEmpty()) {
        const qsizetype newline = bytes.indexOf('\n');
        const qsizetype take = newline < 0 ? bytes.size() : newline + 1;
        if (m_size + take > MaxHeadSize) {
            // The method still counts, so that HEAD is answered without a body.
            if (!m_hasRequestLine) {
                QByteArray start = m_line;
                start.append(bytes.first(qMin<qsizetype>(take, 16)));
                if (const qsizetype space = start.indexOf(' '); space > 0 && isToken(QByteArrayView(start).first(space)))
                    m_method = start.first(space);
            }
            m_status = Status::TooLarge;
            m_line.clear();
            break;
        }
        m_line.append(bytes.first(take));
        m_size += take;
        bytes = bytes.sliced(take);
        if (newline < 0)
            break;

        QByteArrayView line(m_line);
        line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);

        if (line.isEmpty()) {
            // Empty lines before the request line are tolerated.
            if (m_hasRequestLine)
                m_status = (m_version == "HTTP/1.1" && !m_hasHost) ? Status::Malformed
                                                                   : Status::Complete;
        } else if (!(m_hasRequestLine ? takeHeaderLine(line) : takeRequestLine(line))) {
            m_status = Status::Malformed;
        }
        m_line.clear();
    }
    return m_status;
}

bool CRequestReader::takeRequestLine(QByteArrayView line)
{
    // The target lies between the first and the last space: some clients send
    // a path with spaces unencoded.
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last <= first + 1)
        return false;
    const QByteArrayView method = line.first(first);
    const QByteArrayView target = line.sliced(first + 1, last - first - 1);
    const QByteArrayView version = line.sliced(last + 1);
    if (!isToken(method) || (version != "HTTP/1.0" && version != "HTTP/1.1"))
        return false;
    if (!target.startsWith('/'))
        return false;
    for (const char c : target)
        if (isControl(c))
            return false;
    m_method = method.toByteArray();
    m_target = target.toByteArray();
    m_version = version.toByteArray();
    m_hasRequestLine = true;
    return true;
}

bool CRequestReader::takeHeaderLine(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !isToken(line.first(colon)))
        return false; // also refuses folded continuation lines, which start with white space
    for (const char c : line.sliced(colon + 1))
        if (isControl(c) && c != '\t')
            return false;
    if (line.first(colon).compare("Host", Qt::CaseInsensitive) == 0) {
        if (m_hasHost)
            return false;
        m_hasHost = true;
    }
    return true;
}
