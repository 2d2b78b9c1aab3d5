#include "watch/CAlertMailer.h"

#include "watch/CBoundedProcess.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace {


QString tr(const char *text)
{
    return QCoreApplication::translate("CAlertMailer", text);
}

// A header value must not hold a line break: it would add headers of its own.
bool isHeaderValue(const QString &value)
{
    return std::none_of(value.cbegin(), value.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

CAlertMailer::CAlertMailer(QString program, int timeoutMs)
    : m_program(std::move(program))
    , m_timeoutMs(timeoutMs)
{
}

QString CAlertMailer::program(const QString &named)
{
    if (!named.isEmpty())
        return named;
    const QString usual = QStringLiteral("/usr/sbin/sendmail");
    return QFileInfo::exists(usual) ? usual : QStringLiteral("/usr/lib/sendmail");
}

CResult<> CAlertMailer::send(const QString &to, const QString &subject, const QString &body) const
{
    if (to.trimmed().isEmpty() || !isHeaderValue(to) || !isHeaderValue(subject))
        return CResult<>::failure(tr("\"%1\" is no mail address; no mail was sent").arg(to));
    QString message = QStringLiteral("To: ") + to.trimmed() + QStringLiteral("\nSubject: ") + subject
                      + QStringLiteral("\nMIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n"
                                       "Content-Transfer-Encoding: 8bit\n\n")
                      + body;
    if (!message.endsWith(u'\n'))
        message += u'\n';

    const CBoundedProcess::Outcome ran =
        CBoundedProcess::run(m_program, {QStringLiteral("-t"), QStringLiteral("-oi")}, message.toUtf8(), m_timeoutMs);
    if (!ran.started)
        return CResult<>::failure(tr("Could not run the mail program %1: %2").arg(m_program, ran.error));
    if (ran.timedOut)
        return CResult<>::failure(tr("The mail program %1 did not finish; the mail may not have been sent").arg(m_program));
    if (!ran.succeeded())
        return CResult<>::failure(tr("The mail program %1 failed (exit code %2)%3")
                                      .arg(m_program)
                                      .arg(ran.exitCode)
                                      .arg(ran.errorOutput.isEmpty() ? QString() : QStringLiteral(": ") + ran.errorOutput));
    return CResult<>::success();
}

bool CAlertMailer::isAddress(QStringView text)
{
    const qsizetype at = text.indexOf(u'@');
    if (at < 1 || at != text.lastIndexOf(u'@') || at == text.size() - 1)
        return false;
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c == u','
               || c == u'<' || c == u'>' || c == u';';
    });
}
