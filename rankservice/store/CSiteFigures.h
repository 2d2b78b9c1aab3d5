#pragma once

// The six figures the service knows about one domain. Ranks start at 1, so
// 0 marks a figure without data; such a figure is left out of the page.
struct CSiteFigures
{
    static constexpr int None = 0;

    int globalRank = None; // rank in the newest daily list
    int usRank = None;     // rank in the newest United States list
    int yesterday = None;  // the newest daily list again, shown in the traffic table
    int sevenDay = None;   // rounded means over the lists of the last 7, 30 and 90 days
    int oneMonth = None;
    int threeMonth = None;

    static bool known(int figure) { return figure > None; }
    bool any() const
    {
        return known(globalRank) || known(usRank) || known(sevenDay) || known(oneMonth)
            || known(threeMonth);
    }

    friend bool operator==(const CSiteFigures &, const CSiteFigures &) = default;
};
