#pragma once

#include "base/CResult.h"

#include <QDBusConnection>
#include <QString>

#include <optional>

// A desktop notification through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). A desktop without a
// session bus or without a notification service is not a failure: there is
// simply no one to tell.
//
// Connecting to the session bus can block for ever on a bus that accepts
// and never answers, so the program never connects in its own process: a
// helper child (the program itself, run with helperArgument()) does, and is
// killed when it has not finished within its time.
class CDesktopNotifier
{
public:
    static constexpr int DefaultTimeoutMs = 10000;

    // Tells no one.
    CDesktopNotifier() = default;
    // Through the helper program (empty: no one is told), ended after timeoutMs.
    CDesktopNotifier(QString helperProgram, int timeoutMs);
    // In this process, on a connection already made (a bus known to answer).
    explicit CDesktopNotifier(QDBusConnection connection);

    CResult<> notify(const QString &summary, const QString &body) const;

    // The hidden argument that makes the program the helper, and the
    // helper's whole work: the summary and the body read from standard
    // input (the first line, the rest), told on the session bus; exit 0
    // when told or no one is there, 1 with the reason on standard error.
    static QString helperArgument() { return QStringLiteral("--notify-desktop-helper"); }
    static int runHelper();

private:
    CResult<> notifyThroughHelper(const QString &summary, const QString &body) const;

    std::optional<QDBusConnection> m_connection;
    QString m_helper;
    int m_timeoutMs = DefaultTimeoutMs;
};
