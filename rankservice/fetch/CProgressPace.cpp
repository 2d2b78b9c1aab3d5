#include "rankservice/fetch/CProgressPace.h"

bool CProgressPace::due()
{
    if (m_shown.isValid() && m_shown.elapsed() < 1000)
        return false;
    m_shown.start();
    return true;
}
