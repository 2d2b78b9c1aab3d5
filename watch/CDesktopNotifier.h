#pragma once

#include "base/CResult.h"

#include <QDBusConnection>
#include <QString>

// A desktop notification through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). A desktop without a
// session bus or without a notification service is not a failure: there is
// simply no one to tell.
class CDesktopNotifier
{
public:
    explicit CDesktopNotifier(QDBusConnection connection);

    // The user's session bus.
    static CDesktopNotifier sessionBus();

    CResult<> notify(const QString &summary, const QString &body) const;

private:
    QDBusConnection m_connection;
};
