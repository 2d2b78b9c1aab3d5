#pragma once

class QByteArray;

// Tells systemd how the service stands ("READY=1" once the lists are loaded,
// "STATUS=..." while they load) through the datagram socket named in
// NOTIFY_SOCKET, so that units ordered after the service start only once it
// answers. Does nothing when the service was not started by systemd.
class CServiceNotifier
{
public:
    // False when there is no socket to tell or the message could not be sent.
    static bool notify(const QByteArray &state);
};
