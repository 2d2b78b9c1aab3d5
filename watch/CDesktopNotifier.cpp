#include "watch/CDesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

// A notification service answers at once; one that does not is not waited for long.
constexpr int ReplyTimeoutMs = 5000;

} // namespace

CDesktopNotifier::CDesktopNotifier(QDBusConnection connection)
    : m_connection(std::move(connection))
{
}

CResult<> CDesktopNotifier::notify(const QString &summary, const QString &body) const
{
    const QDBusConnection connection = m_connection ? *m_connection : QDBusConnection::sessionBus();
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
    return CResult<>::failure(
        QCoreApplication::translate("CDesktopNotifier", "The desktop notification failed: %1").arg(error.message()));
}
