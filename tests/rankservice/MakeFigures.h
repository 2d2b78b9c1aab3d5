#pragma once

#include "rankservice/store/CSiteFigures.h"

// Figures as a page shows them: the newest list gives both the global rank
// and yesterday's figure.
inline CSiteFigures makeFigures(int global, int us, int seven, int month, int quarter)
{
    CSiteFigures f;
    f.globalRank = f.yesterday = global;
    f.usRank = us;
    f.sevenDay = seven;
    f.oneMonth = month;
    f.threeMonth = quarter;
    return f;
}
