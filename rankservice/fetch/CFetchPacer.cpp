#include "rankservice/fetch/CFetchPacer.h"

#include <QEventLoop>
#include <QTimer>

CFetchPacer::CFetchPacer()
{
    m_clock.start();
}

CFetchPacer::~CFetchPacer() = default;

bool CFetchPacer::spaceOut(std::chrono::milliseconds interval)
{
    if (m_last) {
        const std::chrono::milliseconds since = now() - *m_last;
        if (since < interval && !pause(interval - since))
            return false;
    }
    m_last = now();
    return !m_interrupted;
}

bool CFetchPacer::pause(std::chrono::milliseconds time)
{
    if (!m_interrupted && time.count() > 0)
        wait(time);
    return !m_interrupted;
}

void CFetchPacer::interrupt()
{
    m_interrupted = true;
    if (m_waiting)
        m_waiting->quit();
}

std::chrono::milliseconds CFetchPacer::now() const
{
    return std::chrono::milliseconds(m_clock.elapsed());
}

void CFetchPacer::wait(std::chrono::milliseconds time)
{
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    m_waiting = &loop;
    loop.exec();
    m_waiting = nullptr;
}
