#pragma once

#include <QElapsedTimer>

// Lets a progress line through at most once a second: a log shows that a
// long run moves without a line for every step of it.
class CProgressPace
{
public:
    // Whether a line may be shown now; the first always may.
    bool due();

private:
    QElapsedTimer m_shown;
};
