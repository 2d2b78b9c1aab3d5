#include "CHeldSync.h"

#include <condition_variable>
#include <mutex>

namespace {

std::mutex holdMutex;
std::condition_variable holdEnded;
bool held = false;
int reachedCount = 0;
CFileCalls real;

int heldSync(int fd)
{
    {
        std::unique_lock lock(holdMutex);
        ++reachedCount;
        holdEnded.wait(lock, [] { return !held; });
    }
    return real.fdatasync(fd);
}

} // namespace

CHeldSync::CHeldSync() : m_previous(CFileCalls::current())
{
    real = CFileCalls::system();
    {
        const std::lock_guard lock(holdMutex);
        held = true;
        reachedCount = 0;
    }
    CFileCalls::current().fdatasync = heldSync;
}

CHeldSync::~CHeldSync()
{
    release();
    CFileCalls::current() = m_previous;
}

int CHeldSync::reached()
{
    const std::lock_guard lock(holdMutex);
    return reachedCount;
}

void CHeldSync::release()
{
    {
        const std::lock_guard lock(holdMutex);
        held = false;
    }
    holdEnded.notify_all();
}
