#include "CHttpAnswer.h"

#include <QList>

namespace Korv::QtLib::Web {

namespace {

QString printable(QStringView text, qsizetype limit)
{
    QString out;
    for (const QChar c : text) {
        if (out.size() >= limit) {
            out += u'\u2026';
            break;
        }
        out += (c.isPrint() ? c : QChar(u' '));
    }
    return out.trimmed();
}

} // namespace

CHttpAnswer CHttpAnswer::read(QStringView response)
{
    CHttpAnswer answer;
    answer.m_empty = response.isEmpty();
    const qsizetype lineEnd = response.indexOf(u'\n');
    const QStringView statusLine = (lineEnd < 0 ? response : response.first(lineEnd)).trimmed();
    // "HTTP/1.1 200 OK": a version, three digits, an optional phrase.
    if (!statusLine.startsWith(u"HTTP/"))
        return answer;
    const QStringView rest = statusLine.sliced(statusLine.indexOf(u' ') + 1).trimmed();
    const QStringView code = rest.first(qMin<qsizetype>(3, rest.size()));
    bool ok = false;
    const int status = code.toInt(&ok);
    if (!ok || code.size() != 3 || status < 100 || statusLine.indexOf(u' ') < 0)
        return answer;
    answer.m_status = status;
    answer.m_statusText = printable(rest, MaxReasonLength);

    qsizetype headEnd = response.indexOf(u"\r\n\r\n");
    qsizetype bodyStart = headEnd + 4;
    if (headEnd < 0) {
        headEnd = response.indexOf(u"\n\n");
        bodyStart = headEnd + 2;
    }
    if (headEnd < 0)
        return answer;
    const QStringView head = response.first(headEnd);
    const QStringView body = response.sliced(bodyStart);

    qsizetype announced = -1;
    bool plainText = false;
    for (QStringView line : head.tokenize(u'\n')) {
        line = line.trimmed();
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        const QStringView name = line.first(colon).trimmed();
        const QStringView value = line.sliced(colon + 1).trimmed();
        if (name.compare(u"Content-Length", Qt::CaseInsensitive) == 0) {
            const qlonglong length = value.toLongLong(&ok);
            announced = ok && length >= 0 ? length : -1;
        }
        else if (name.compare(u"Content-Type", Qt::CaseInsensitive) == 0)
            plainText = value.startsWith(u"text/plain", Qt::CaseInsensitive);
    }
    answer.m_complete = announced < 0 || body.size() >= announced;
    if (plainText) {
        const qsizetype end = body.indexOf(u'\n');
        // The body came in as Latin-1 characters; the service writes UTF-8.
        const QString line = QString::fromUtf8(body.first(end < 0 ? body.size() : end).toLatin1());
        answer.m_reason = printable(line, MaxReasonLength);
    }
    return answer;
}

} // namespace Korv::QtLib::Web
