#pragma once

#include <QByteArray>

#include <utility>

// Tells systemd how the service stands ("READY=1" once the lists are loaded,
// "STATUS=..." while they load) through the datagram socket systemd named
// (NOTIFY_SOCKET, read by the service's options), so that units ordered after
// the service start only once it answers. Does nothing without a socket.
class CServiceNotifier
{
public:
    explicit CServiceNotifier(QByteArray socketPath = {}) : m_socketPath(std::move(socketPath)) {}

    // False when there is no socket to tell or the message could not be sent.
    bool notify(const QByteArray &state) const;

private:
    QByteArray m_socketPath;
};
