#include "rankservice/service/CServiceNotifier.h"

#include <QByteArray>

#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

bool CServiceNotifier::notify(const QByteArray &state) const
{
    const QByteArray &path = m_socketPath;
    sockaddr_un address{};
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path
        || (path.front() != '/' && path.front() != '@'))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (path.front() == '@')
        address.sun_path[0] = '\0'; // an abstract socket
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()));
    const bool sent = ::sendto(fd, state.constData(), size_t(state.size()), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr *>(&address), length) == state.size();
    ::close(fd);
    return sent;
}
