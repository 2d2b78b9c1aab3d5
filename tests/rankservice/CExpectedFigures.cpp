#include "CExpectedFigures.h"

CSiteFigures CExpectedFigures::of(const QByteArray &name, const Lists &lists, Lists::const_iterator anchor,
                                  const Lists &usLists, Lists::const_iterator us)
{
    CSiteFigures expected;
    if (const auto it = anchor->second.find(name); it != anchor->second.end())
        expected.globalRank = expected.yesterday = it->second;
    if (us != usLists.end()) {
        if (const auto it = us->second.find(name); it != us->second.end())
            expected.usRank = it->second;
    }
    int *means[] = {&expected.sevenDay, &expected.oneMonth, &expected.threeMonth};
    const int periods[] = {7, 30, 90};
    for (int p = 0; p < 3; ++p) {
        qint64 sum = 0;
        int count = 0;
        for (auto it = anchor; it != lists.end() && it->first < anchor->first + periods[p]; ++it) {
            if (const auto found = it->second.find(name); found != it->second.end()) {
                sum += found->second;
                ++count;
            }
        }
        *means[p] = count == 0 ? CSiteFigures::None : int((2 * sum + count) / (2 * count));
    }
    return expected;
}
