#pragma once

#include "base/CResult.h"

#include <QDBusConnection>
#include <QString>

#include <optional>

// A desktop notification through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). A desktop without a
// session bus or without a notification service is not a failure: there is
// simply no one to tell.
class CDesktopNotifier
{
public:
    // The user's session bus, connected to only when there is something to tell.
    CDesktopNotifier() = default;
    explicit CDesktopNotifier(QDBusConnection connection);

    CResult<> notify(const QString &summary, const QString &body) const;

private:
    std::optional<QDBusConnection> m_connection;
};
