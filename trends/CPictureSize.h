#pragma once

#include <QSize>
#include <QStringView>

#include <optional>

// The size of a saved chart, as typed or given on the command line: "1200x800".
class CPictureSize
{
public:
    static constexpr int Smallest = 200;
    static constexpr int Largest = 10000;
    static constexpr QSize Default{1200, 800};

    // Width and height from Smallest to Largest pixels, joined by "x"
    // (or "×"); nothing for any other text.
    static std::optional<QSize> parse(QStringView text);
    static QString text(QSize size);
};
