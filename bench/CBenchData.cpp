#include "CBenchData.h"

#include "CRecordDate.h"
#include "pageformat/CSiteInfoFormat.h"

#include <QDir>
#include <QFile>

#include <numeric>

namespace {

// A small fixed-seed generator: the same data on every machine and run.
class Lcg
{
public:
    explicit Lcg(quint64 seed) : m_state(seed) {}
    quint32 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33);
    }
    int below(int bound) { return int(next() % quint32(bound)); }

private:
    quint64 m_state;
};

void appendNumber(QByteArray &out, qint64 n)
{
    out += QByteArray::number(n);
}

} // namespace

QString CBenchData::domainName(int number)
{
    return QStringLiteral("site-%1.example").arg(number, 6, 10, QLatin1Char('0'));
}

QByteArray CBenchData::history(int records, int domains, const QDate &lastDay)
{
    QByteArray out;
    out.reserve(qsizetype(records) * 64);
    const int days = (records + domains - 1) / domains;
    const int firstDayCount = records - (days - 1) * domains;
    QList<QByteArray> names;
    for (int d = 0; d < domains; ++d)
        names.append(domainName(HistoryDomainBase + d).toLatin1());
    Lcg random(42);
    for (int day = 0; day < days; ++day) {
        const QByteArray date = CRecordDate::text(lastDay.addDays(day - days + 1)).toLatin1();
        const int count = day == 0 ? firstDayCount : domains;
        for (int d = domains - count; d < domains; ++d) {
            const int global = 1 + d * 1500 + random.below(1000);
            out += names.at(d);
            out += ',';
            appendNumber(out, global);
            out += ',';
            appendNumber(out, 1 + global / 4 + random.below(200));
            out += ',';
            appendNumber(out, global + random.below(500));
            out += ',';
            appendNumber(out, global + random.below(300));
            out += ',';
            appendNumber(out, global + random.below(200));
            out += ',';
            appendNumber(out, global + random.below(100));
            out += ',';
            out += date;
            out += '\n';
        }
    }
    return out;
}

QByteArray CBenchData::domainList(const QStringList &domains)
{
    QByteArray out;
    for (const QString &domain : domains) {
        out += domain.toLatin1();
        out += '\n';
    }
    return out;
}

QString CBenchData::siteInfoPage(const QString &domain, int chars)
{
    // Filler in the manner of a real portal page: navigation, link lists,
    // scripts, indented with tabs.
    int block = 0;
    const auto filler = [&](QString &page, int until) {
        while (page.size() < until) {
            page += QStringLiteral("\t\t<div class=\"row related\" id=\"r%1\">\n"
                                   "\t\t\t<a href=\"/siteinfo/related-%1.example\" title=\"Related site %1\">"
                                   "related-%1.example</a> <span class=\"count\">%2 visits</span>\n"
                                   "\t\t\t<script type=\"text/javascript\">track('row', %1, '%3');</script>\n"
                                   "\t\t</div>\n")
                        .arg(block)
                        .arg(1000 + block * 37 % 9000)
                        .arg(domain);
            ++block;
        }
    };
    QString page = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                  "Connection: close\r\n\r\n<!DOCTYPE html>\n<html>\n<head>\n"
                                  "\t<title>Site information: ")
                   + domain + QStringLiteral("</title>\n</head>\n<body>\n");
    using Format = CSiteInfoFormat;
    // The four period rows of a table, with the given figures.
    const auto table = [](const char *figures[4]) {
        const QLatin1StringView headers[4] = {Format::YesterdayHeader, Format::SevenDayHeader,
                                              Format::OneMonthHeader, Format::ThreeMonthHeader};
        QString rows;
        for (int i = 0; i < 4; ++i)
            rows += u"<tr>" % headers[i] % Format::CellStart % QLatin1StringView(figures[i]) % Format::CellEnd
                    % u"</tr>\n";
        return rows;
    };
    const char *ranks[4] = {"1,234,560", "1,200,001", "1,190,432", "1,301,977"};
    const char *reach[4] = {"0.0123%", "0.0119%", "0.0121%", "0.0130%"};

    filler(page, chars * 30 / 100);
    page += u"<div class=\"ranks\">\n<div class=\"rank global\"><span>Global rank</span> " % Format::GlobalMarker
            % u"\n1,234,567 </div>\n<div class=\"rank us\"><span>Rank in United States</span> "
              u"<img src=\"/images/icons/flags/us.png\" "
            % Format::UsMarker % u"\n98,765 </div>\n</div>\n";
    filler(page, chars * 50 / 100);
    page += u"<div class=\"tw-table\">\n" % Format::TrafficStart % domain % Format::HeadingEnd
            % u"\n<table class=\"traffic\">\n" % table(ranks) % u"</table>\n</div>\n";
    filler(page, chars * 60 / 100);
    page += u"<div class=\"tw-table\">\n" % Format::TrafficEnd % domain % Format::HeadingEnd % u"\n<table>\n<tr>"
            % Format::YesterdayHeader % Format::CellStart % u"0.0001%" % Format::CellEnd % u"</tr>\n</table>\n</div>\n";
    filler(page, chars * 75 / 100);
    page += u"<div class=\"tw-table\">\n" % Format::ReachStart % domain % Format::HeadingEnd
            % u"\n<table class=\"reach\">\n" % table(reach) % u"</table>\n</div>\n" % Format::ReachEnd % domain
            % u" consisting of only one pageview:</p>\n</div>\n";
    filler(page, chars - 16);
    page += QStringLiteral("</body>\n</html>\n");
    return page;
}

QStringList CBenchData::writeSnapshots(const QString &folder, int days, int rows, const QDate &lastDay,
                                       int pick)
{
    QDir().mkpath(folder);
    const int pool = rows + rows / 5;
    QList<QByteArray> names;
    names.reserve(pool);
    for (int i = 0; i < pool; ++i)
        names.append(domainName(i).toLatin1());

    // A stride coprime with the pool walks it as a permutation; each day
    // starts elsewhere, so ranks and membership drift from day to day.
    int stride = 7919;
    while (std::gcd(stride, pool) != 1)
        stride += 2;
    const auto idAt = [&](int day, int row) {
        return int((qint64(row) * stride + qint64(day) * 104729) % pool);
    };

    QByteArray out;
    out.reserve(qsizetype(rows) * 28);
    for (int day = 0; day < days; ++day) {
        out.clear();
        for (int row = 0; row < rows; ++row) {
            appendNumber(out, row + 1);
            out += ',';
            out += names.at(idAt(day, row));
            out += '\n';
        }
        const QDate date = lastDay.addDays(day - days + 1);
        writeFile(folder + u'/' + date.toString(Qt::ISODate) + QStringLiteral(".csv"), out);
    }

    out.clear();
    for (int row = 0; row < rows / 4; ++row) {
        appendNumber(out, row + 1);
        out += ',';
        out += names.at(idAt(days - 1, row * 4 + 1));
        out += '\n';
    }
    writeFile(folder + u'/' + lastDay.toString(Qt::ISODate) + QStringLiteral(".us.csv"), out);

    QStringList picked;
    const int step = qMax(1, rows / qMax(1, pick));
    for (int i = 0; i < pick && i * step < rows; ++i)
        picked.append(QString::fromLatin1(names.at(idAt(days - 1, i * step))));
    return picked;
}

bool CBenchData::writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}
