#pragma once

#include <array>

// The ranks of a list that ranks in buckets (Chrome's UX Report): N means
// "among the top N", never a place, and only these values are given, the
// half steps since October 2022. Both the service, which reads such lists,
// and Sorvane, which shows their figures, know them from here.
class CRankBuckets
{
public:
    static constexpr std::array<int, 7> Values{1000, 5000, 10000, 50000, 100000, 500000, 1000000};

    static constexpr bool isBucket(double rank)
    {
        for (const int value : Values) {
            if (rank == value)
                return true;
        }
        return false;
    }
};
