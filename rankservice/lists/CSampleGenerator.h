#pragma once

#include "base/CResult.h"

#include <QDate>
#include <QStringList>

class QString;

// Writes a small, clearly made-up snapshot folder for trying Sorvane out:
// daily lists for Days days ending with a given day, in both list formats,
// and a United States list per day, about invented ".test" domains. The same
// last day always gives the same files.
class CSampleGenerator
{
public:
    static constexpr int Days = 100;
    static constexpr QLatin1StringView DomainsFileName{"sample-domains.txt"};

    // The invented names, in the order of the domains file.
    static QStringList domains();

    // Writes the lists and the domains file (one name per line) into folder,
    // creating it; fails with the file and the reason when one cannot be written.
    static CResult<void> write(const QString &folder, const QDate &lastDay);
};
