#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

// Deterministic made-up data for the benchmark: histories, domain lists,
// site-information pages and folders of daily ranking lists.
class CBenchData
{
public:
    // Histories name their domains from here on, apart from the lists'.
    static constexpr int HistoryDomainBase = 900000;

    // "site-000042.example"; distinct for distinct numbers.
    static QString domainName(int number);

    // records history lines for `domains` domains, one line per domain and
    // day, oldest day first, the last day being lastDay (fewer lines on the
    // first day when records is not a multiple of domains).
    static QByteArray history(int records, int domains, const QDate &lastDay);
    static QByteArray domainList(const QStringList &domains);

    // A page as the fetch object hands it to the parser (status line and
    // headers included) of about `chars` characters: ordinary markup, tab
    // indented, around the rank markers and both sections for domain.
    static QString siteInfoPage(const QString &domain, int chars);

    // Writes `days` daily lists ("rank,domain" lines, `rows` each) ending
    // with lastDay, plus a United States list for lastDay, into folder. The
    // lists draw on a pool a fifth larger than a day, so days differ.
    // Returns `pick` domains that the newest list ranks, spread over it.
    static QStringList writeSnapshots(const QString &folder, int days, int rows,
                                      const QDate &lastDay, int pick);

    static bool writeFile(const QString &path, const QByteArray &contents);
};
