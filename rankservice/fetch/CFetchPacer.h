#pragma once

#include <QElapsedTimer>

#include <chrono>
#include <optional>

class QEventLoop;

// The waits of an update: between two questions a publisher wants spaced
// out, before an attempt again, and as long as a publisher's Retry-After
// asks. Waits run a local event loop, so a running service goes on
// answering. Tests put in one whose time passes only by its pauses.
class CFetchPacer
{
public:
    CFetchPacer();
    virtual ~CFetchPacer();
    CFetchPacer(const CFetchPacer &) = delete;
    CFetchPacer &operator=(const CFetchPacer &) = delete;

    // Waits until interval has passed since the last spaced question, then
    // counts this one; false when interrupted.
    bool spaceOut(std::chrono::milliseconds interval);
    // Waits for time; false when interrupted, now or before.
    bool pause(std::chrono::milliseconds time);
    // Ends the wait under way and every later one at once, until resume().
    void interrupt();
    void resume() { m_interrupted = false; }

protected:
    virtual std::chrono::milliseconds now() const;
    virtual void wait(std::chrono::milliseconds time);

private:
    QElapsedTimer m_clock;
    std::optional<std::chrono::milliseconds> m_last;
    QEventLoop *m_waiting = nullptr;
    bool m_interrupted = false;
};
