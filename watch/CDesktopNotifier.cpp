#include "watch/CDesktopNotifier.h"

#include "watch/CBoundedProcess.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>
#include <QStringList>
#include <QVariantMap>

namespace {

// A notification service answers at once; one that does not is not waited for long.
constexpr int ReplyTimeoutMs = 5000;
// The helper's input: a notification's worth of text.
constexpr qint64 MaxInputBytes = 1 << 20;

QString tr(const char *text)
{
    return QCoreApplication::translate("CDesktopNotifier", text);
}

} // namespace

CDesktopNotifier::CDesktopNotifier(QString helperProgram, int timeoutMs)
    : m_helper(std::move(helperProgram))
    , m_timeoutMs(timeoutMs)
{
}

CDesktopNotifier::CDesktopNotifier(QDBusConnection connection)
    : m_connection(std::move(connection))
{
}

CResult<> CDesktopNotifier::notify(const QString &summary, const QString &body) const
{
    if (!m_connection)
        return notifyThroughHelper(summary, body);
    const QDBusConnection &connection = *m_connection;
    if (!connection.isConnected())
        return CResult<>::success();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Sorvane") << uint(0) << QStringLiteral("org.qorvex.Sorvane") << summary << body
         << QStringList() << QVariantMap() << int(-1);
    const QDBusMessage reply = connection.call(call, QDBus::Block, ReplyTimeoutMs);
    if (reply.type() != QDBusMessage::ErrorMessage)
        return CResult<>::success();
    const QDBusError error(reply);
    if (error.type() == QDBusError::ServiceUnknown
        || error.name() == QLatin1StringView("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return CResult<>::success();
    return CResult<>::failure(tr("The desktop notification failed: %1").arg(error.message()));
}

CResult<> CDesktopNotifier::notifyThroughHelper(const QString &summary, const QString &body) const
{
    if (m_helper.isEmpty())
        return CResult<>::success();
    QString oneLineSummary = summary;
    oneLineSummary.replace(u'\n', u' ');
    const CBoundedProcess::Outcome ran =
        CBoundedProcess::run(m_helper, {helperArgument()}, (oneLineSummary + u'\n' + body).toUtf8(), m_timeoutMs);
    if (!ran.started)
        return CResult<>::failure(tr("The desktop notification failed: %1").arg(ran.error));
    if (ran.timedOut)
        return CResult<>::failure(tr("The desktop notification was given up: the session bus did not answer within %1 s")
                                      .arg((m_timeoutMs + 999) / 1000));
    if (!ran.succeeded())
        return CResult<>::failure(ran.errorOutput.isEmpty() ? tr("The desktop notification failed (exit code %1)").arg(ran.exitCode)
                                                            : ran.errorOutput);
    return CResult<>::success();
}

int CDesktopNotifier::runHelper()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 1;
    const QString text = QString::fromUtf8(input.read(MaxInputBytes));
    const qsizetype end = text.indexOf(u'\n');
    const QString summary = end < 0 ? text : text.left(end);
    const QString body = end < 0 ? QString() : text.mid(end + 1);
    const CResult<> shown = CDesktopNotifier(QDBusConnection::sessionBus()).notify(summary, body);
    if (shown)
        return 0;
    QFile error;
    if (error.open(stderr, QIODevice::WriteOnly))
        error.write(shown.message().toUtf8());
    return 1;
}
