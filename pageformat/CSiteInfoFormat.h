#pragma once

#include <QLatin1StringView>

// The site-information page as the ranking service writes it and Sorvane's
// page reader finds its way through it, by fixed, case-sensitive texts:
// - each rank follows its marker after one character (a line feed), written
//   with thousands separators and ended by a space;
// - the traffic-rank table lies between TrafficStart and TrafficEnd, the
//   reach table between ReachStart and ReachEnd, each heading followed by
//   the domain exactly as asked and HeadingEnd;
// - a period's figure follows its header, inside CellStart ... CellEnd.
// Only the texts: the service, the reader, the benchmark and the tests build
// or read pages with them, and none of them depends on another.
class CSiteInfoFormat
{
public:
    static constexpr QLatin1StringView GlobalMarker{
        "<img src=\"/images/icons/globe-sm.jpg\" alt=\"Global\" style=\"margin-bottom:-2px;\"/>"};
    static constexpr QLatin1StringView UsMarker{"alt=\"United States Flag\"/>"};

    static constexpr QLatin1StringView TrafficStart{"<p>Traffic rank for "};
    static constexpr QLatin1StringView TrafficEnd{"<p>Estimated percentage of global pageviews on "};
    static constexpr QLatin1StringView ReachStart{"<p>Estimated percentage of global internet users who visit "};
    static constexpr QLatin1StringView ReachEnd{
        "<div id=\"bounce\" c=\"\" y=\"b\" class=\"tw-table\">\n<p>Estimated percentage of visits to "};
    static constexpr QLatin1StringView HeadingEnd{":</p>"};

    static constexpr QLatin1StringView YesterdayHeader{"<th>Yesterday</th>"};
    static constexpr QLatin1StringView SevenDayHeader{"<th>7 day</th>"};
    static constexpr QLatin1StringView OneMonthHeader{"<th>1 month</th>"};
    static constexpr QLatin1StringView ThreeMonthHeader{"<th>3 month</th>"};

    static constexpr QLatin1StringView CellStart{"<td class=\"avg \">"};
    // A page asked for a past day says which day its figures are as of:
    // this text, then the day as YYYY-MM-DD, outside every other marker.
    static constexpr QLatin1StringView AsOfMarker{"Figures as of "};
    static constexpr QLatin1StringView CellEnd{"</td>"};
};

// The reader's offsets were worked out for exactly these texts.
static_assert(CSiteInfoFormat::GlobalMarker.size() == 80);
static_assert(CSiteInfoFormat::UsMarker.size() == 26);
static_assert(CSiteInfoFormat::ReachStart.size() == 59);
static_assert(CSiteInfoFormat::ReachEnd.size() == 83);
static_assert(CSiteInfoFormat::TrafficStart.size() == 20);
static_assert(CSiteInfoFormat::TrafficEnd.size() == 47);
static_assert(CSiteInfoFormat::CellStart.size() == 17);
