#include "CLoadClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Lane
{
    int fd = -1;
    qsizetype request = -1;
    qsizetype written = 0;
    bool sent = false; // the whole request is written
    Clock::time_point due;
};

qint64 nsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(to - from).count();
}

enum class Step { Going, Answered, Failed };

// Moves a connection that poll found ready one step on: its request written
// (in part), or what the server sent read, counted in bytes.
Step step(Lane &lane, const QByteArray &request, qint64 &bytes)
{
    if (!lane.sent) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(lane.fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0 || error != 0)
            return Step::Failed;
        const ssize_t sent = ::send(lane.fd, request.constData() + lane.written,
                                    size_t(request.size() - lane.written), MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN)
            return Step::Failed;
        lane.written += std::max<ssize_t>(0, sent);
        lane.sent = lane.written == request.size();
        return Step::Going;
    }
    char buffer[64 * 1024];
    ssize_t got = 0;
    while ((got = ::recv(lane.fd, buffer, sizeof buffer, 0)) > 0)
        bytes += got;
    if (got == 0)
        return Step::Answered;
    return errno == EAGAIN || errno == EINTR ? Step::Going : Step::Failed;
}

} // namespace

CLoadClient::CLoadClient(quint16 port, QList<QByteArray> requests, int connections)
    : m_port(port)
    , m_requests(std::move(requests))
    , m_connections(qMax(1, connections))
{
}

CFetchLoop::Result CLoadClient::run(int timeLimitMs) const
{
    CFetchLoop::Result result;
    result.latenciesNs.reserve(size_t(m_requests.size()));

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::milliseconds(timeLimitMs);
    // Each connection asks once per interval; their starts are staggered so
    // the total rate is even rather than in bursts of one per connection.
    const auto interval = m_rate > 0 ? std::chrono::nanoseconds(qint64(1e9 * m_connections / m_rate))
                                     : std::chrono::nanoseconds(0);
    std::vector<Lane> lanes(static_cast<size_t>(m_connections));
    for (size_t i = 0; i < lanes.size(); ++i)
        lanes[i].due = start + interval * qint64(i) / m_connections;

    qsizetype next = 0;
    qsizetype done = 0;
    const auto finish = [&](Lane &lane, bool failed) {
        const Clock::time_point now = Clock::now();
        result.latenciesNs.push_back(nsBetween(lane.due, now));
        if (failed)
            ++result.failures;
        if (lane.fd >= 0)
            ::close(lane.fd);
        lane.fd = -1;
        ++done;
        // Paced: the next request is due one interval after this one was,
        // however long it took. Unpaced: at once.
        lane.due = m_rate > 0 ? lane.due + interval : now;
    };

    std::vector<pollfd> polled;
    std::vector<Lane *> polledLanes;
    while (done < m_requests.size()) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            result.timedOut = true;
            break;
        }
        Clock::time_point wakeAt = deadline;
        polled.clear();
        polledLanes.clear();
        for (Lane &lane : lanes) {
            if (lane.fd < 0 && next < m_requests.size()) {
                if (lane.due > now) {
                    wakeAt = std::min(wakeAt, lane.due);
                    continue;
                }
                lane.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                lane.request = next++;
                lane.written = 0;
                lane.sent = false;
                if (lane.fd < 0
                    || (::connect(lane.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) < 0
                        && errno != EINPROGRESS)) {
                    finish(lane, true);
                    continue;
                }
            }
            if (lane.fd >= 0) {
                polled.push_back({lane.fd, short(lane.sent ? POLLIN : POLLOUT), 0});
                polledLanes.push_back(&lane);
            }
        }
        if (polled.empty() && wakeAt == deadline && next >= m_requests.size())
            break;
        const qint64 waitNs = std::max<qint64>(0, nsBetween(Clock::now(), wakeAt));
        const timespec timeout{time_t(waitNs / 1000000000), long(waitNs % 1000000000)};
        if (::ppoll(polled.data(), polled.size(), &timeout, nullptr) < 0 && errno != EINTR)
            break;
        for (size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents == 0)
                continue;
            Lane &lane = *polledLanes[i];
            const Step outcome = step(lane, m_requests.at(lane.request), result.bytes);
            if (outcome != Step::Going)
                finish(lane, outcome == Step::Failed);
        }
    }
    for (Lane &lane : lanes) {
        if (lane.fd >= 0)
            ::close(lane.fd);
    }
    result.elapsedNs = nsBetween(start, Clock::now());
    return result;
}
