#include "base/CQuitSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> quitSignals = {SIGTERM, SIGINT, SIGHUP};
int pipeFds[2] = {-1, -1};
struct sigaction previous[quitSignals.size()];

void onSignal(int signal)
{
    const int saved = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[0], &number, 1);
    errno = saved;
}

} // namespace

CQuitSignals::CQuitSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return; // the signals keep their default action
    }
    m_notifier = new QSocketNotifier(pipeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CQuitSignals::readPipe);
    for (std::size_t i = 0; i < quitSignals.size(); ++i) {
        struct sigaction action{};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(quitSignals[i], &action, &previous[i]);
    }
}

CQuitSignals::~CQuitSignals()
{
    if (pipeFds[0] < 0)
        return;
    for (std::size_t i = 0; i < quitSignals.size(); ++i)
        sigaction(quitSignals[i], &previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void CQuitSignals::readPipe()
{
    char number = 0;
    while (::read(pipeFds[1], &number, 1) == 1)
        Q_EMIT received(int(static_cast<unsigned char>(number)));
}
