#include "rankservice/lists/CSampleGenerator.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const char *const SampleNames[] = {
    "northwind-news.test",      "bluefjord-books.test",      "quillmere-recipes.test",
    "copperkettle-games.test",  "lanternfish-travel.test",   "mossgate-weather.test",
    "pebblecrest-music.test",   "saltmarsh-sports.test",     "thistledown-garden.test",
    "ironbark-tools.test",      "willowbrook-health.test",   "emberline-auto.test",
    "kestrel-maps.test",        "driftwood-photos.test",     "amberfield-finance.test",
    "foxglove-fashion.test",    "harborlight-jobs.test",     "juniper-learning.test",
    "marigold-kids.test",       "oakhollow-homes.test",      "ravenspur-tech.test",
    "silverbirch-science.test", "tidewater-shop.test",       "velvetpine-video.test",
    "zephyr-forum.test",
};
constexpr int SampleCount = int(std::size(SampleNames));

// Which sample domains show which situation.
constexpr int Sporadic = 5;      // missing from some days
constexpr int Newcomer = 21;     // listed only in the last 20 days
constexpr int DroppedOut = 23;   // not listed in the last 10 days
constexpr int NeverListed = 24;  // in the domains file, in no list: every figure "NA"
constexpr int WwwSpelled = 2;    // written "www.", in capitals, in the plain lists

// Deterministic noise from a day and a domain, the same on every platform.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

double unit(qint64 day, int domain, int salt)
{
    return double(mix(quint64(day) * 1000003ULL + quint64(domain) * 131ULL + quint64(salt)) >> 11)
        / double(1ULL << 53);
}

bool listedOn(int domain, int age, qint64 day)
{
    switch (domain) {
    case Sporadic: return day % 4 != 0;
    case Newcomer: return age < 20;
    case DroppedOut: return age >= 10;
    case NeverListed: return false;
    default: return true;
    }
}

struct Entry
{
    int rank;
    int domain;
};

// Ranks spread from the tens to near a million, wandering a little from day to day.
std::vector<Entry> dayList(qint64 day, int age, double scale)
{
    std::vector<Entry> entries;
    for (int i = 0; i < SampleCount; ++i) {
        if (!listedOn(i, age, day))
            continue;
        const double base = 40.0 * std::pow(20000.0, double(i) / (SampleCount - 1));
        const double wave = 0.12 * std::sin(double(day) / (3.0 + i % 7));
        const double noise = 0.08 * (unit(day, i, 1) - 0.5);
        entries.push_back({qMax(1, int(std::lround(base * scale * (1.0 + wave + noise)))), i});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.rank < b.rank; });
    for (size_t k = 1; k < entries.size(); ++k)
        entries[k].rank = qMax(entries[k].rank, entries[k - 1].rank + 1);
    return entries;
}

CResult<void> writeFile(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.commit())
        return CResult<void>::success();
    return CResult<void>::failure(path + QStringLiteral(": ") + file.errorString());
}

QByteArray plainList(const std::vector<Entry> &entries, bool wwwSpelling)
{
    QByteArray out;
    for (const Entry &e : entries) {
        out += QByteArray::number(e.rank) + ',';
        if (wwwSpelling && e.domain == WwwSpelled)
            out += "www." + QByteArray(SampleNames[e.domain]).toUpper();
        else
            out += SampleNames[e.domain];
        out += '\n';
    }
    return out;
}

QByteArray linkList(const std::vector<Entry> &entries, qint64 day)
{
    QByteArray out = "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain,IDN_TLD,"
                     "PrevGlobalRank,PrevTldRank,PrevRefSubNets,PrevRefIPs\n";
    int tldRank = 0;
    for (const Entry &e : entries) {
        const QByteArray name(SampleNames[e.domain]);
        const int subnets = 200000 / (e.rank + 10) + 5;
        const QByteArray fields[] = {
            QByteArray::number(e.rank), QByteArray::number(++tldRank), name, "test",
            QByteArray::number(subnets), QByteArray::number(subnets + subnets / 4), name, "test",
            QByteArray::number(e.rank + int(unit(day, e.domain, 2) * 9) - 4),
            QByteArray::number(tldRank), QByteArray::number(subnets), QByteArray::number(subnets + 1),
        };
        out += QByteArrayList(std::begin(fields), std::end(fields)).join(',') + '\n';
    }
    return out;
}

} // namespace

QStringList CSampleGenerator::domains()
{
    QStringList names;
    for (const char *name : SampleNames)
        names << QLatin1StringView(name);
    return names;
}

CResult<void> CSampleGenerator::write(const QString &folder, const QDate &lastDay)
{
    if (!QDir().mkpath(folder))
        return CResult<void>::failure(folder + QStringLiteral(": cannot create the folder"));
    const QDir dir(folder);
    for (int age = 0; age < Days; ++age) {
        const QDate date = lastDay.addDays(-age);
        const qint64 day = date.toJulianDay();
        const QString stamp = date.toString(Qt::ISODate);
        const std::vector<Entry> global = dayList(day, age, 1.0);
        // Every third day comes as the link-based list, the others as plain lines.
        const bool links = day % 3 == 0;
        const QString name = (links ? QStringLiteral("link-list-") : QStringLiteral("top-sites-")) + stamp
            + QStringLiteral(".csv");
        if (CResult<void> written =
                writeFile(dir.filePath(name), links ? linkList(global, day) : plainList(global, day % 2 != 0));
            !written)
            return written;

        std::vector<Entry> us = dayList(day, age, 0.3);
        std::erase_if(us, [](const Entry &e) { return e.domain % 5 == 4; });
        if (CResult<void> written = writeFile(dir.filePath(stamp + QStringLiteral(".us.csv")), plainList(us, false));
            !written)
            return written;
    }
    return writeFile(dir.filePath(DomainsFileName), domains().join(QLatin1Char('\n')).toLatin1() + '\n');
}
