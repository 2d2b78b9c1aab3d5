#pragma once

#include <QString>
#include <QStringView>

#include <optional>

class CAlexaRankData;

// The six figures of a record that can be drawn over time, and the readings
// of their texts.
class CTrendFigure
{
public:
    enum Figure { GlobalRank, UsRank, Yesterday, SevenDay, OneMonth, ThreeMonth };
    static constexpr int Count = 6;

    // "Global Rank", "US Rank", "Yesterday", "7 Day", "1 Month", "3 Month".
    static QString label(int figure);
    // In an exported history: "global_rank" ... "seven_day" ... "three_month".
    static QString exportKey(int figure);
    // In alert rules and the digest: "global", "us", "yesterday", "7day", "1month", "3month".
    static QString ruleName(int figure);
    // The figure of a rule name; -1 for any other text.
    static int figureNamed(QStringView ruleName);
    // What a figure's value means where the label does not say it (the US
    // rank, given in buckets); empty for the others.
    static QString note(int figure);
    static QString text(const CAlexaRankData &record, int figure);

    // A figure as a number, or nothing for "NA", empty or unreadable text.
    // Digits may be grouped by thousands with ",", ".", "'", a space or a
    // no-break space; one decimal point and a trailing "%" (the reach
    // figures) are allowed. A value that is not positive is no rank and
    // cannot be placed on a logarithmic axis, so it is nothing too.
    static std::optional<double> value(QStringView text);
};
