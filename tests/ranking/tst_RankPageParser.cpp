#include "CRankClock.h"
#include "RankPageParser.h"
#include "pageformat/CSiteInfoFormat.h"

#include <QFile>
#include <QTest>

#include <algorithm>

namespace {

// Records are dated by this clock, never by the machine's.
const CRankClock Clock(QDate(2026, 12, 6));

using Format = CSiteInfoFormat;

const QString Globe = Format::GlobalMarker;
const QString Flag = Format::UsMarker;
const QString Cell = Format::CellStart;
const QString Today = QStringLiteral("06/12/2026");
const QString NA = QStringLiteral("NA");

QString traffic(const QString &domain) { return Format::TrafficStart % domain % Format::HeadingEnd; }
QString pageviews(const QString &domain) { return Format::TrafficEnd % domain % Format::HeadingEnd; }
QString reach(const QString &domain) { return Format::ReachStart % domain % Format::HeadingEnd; }
const QString ReachEnd = Format::ReachEnd;

// A period table whose four value cells hold the given texts.
QString table(const QString &y, const QString &s, const QString &m, const QString &t)
{
    return u"<table><tr>" % Format::YesterdayHeader % u"\n" % Cell % y % u"</td><td>+1%</td></tr>\n<tr>"
        % Format::SevenDayHeader % u"\n" % Cell % s % u"</td></tr>\n<tr>" % Format::OneMonthHeader % u"\n" % Cell
        % m % u"</td></tr>\n<tr>" % Format::ThreeMonthHeader % u"\n" % Cell % t % u"</td></tr></table>\n";
}

QStringList fields(const CAlexaRankData &r)
{
    return {r.globalRank(), r.usRank(), r.yesterday(), r.sevenDay(), r.oneMonth(), r.threeMonth()};
}

QByteArray readData(const QString &name)
{
    QFile file(QStringLiteral(SORVANE_TEST_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

} // namespace

class tst_RankPageParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void figures_data();
    void figures();
    void figureRule_data();
    void figureRule();
    void sectionCut_data();
    void sectionCut();
    void samplePages_data();
    void samplePages();
    void errorRecordIsAllNA();
};

void tst_RankPageParser::figures_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("expected"); // global, US, yesterday, 7 day, 1 month, 3 month

    const QStringList noFigures{NA, NA, NA, NA};
    QTest::newRow("global: skipped line-feed, separators removed")
        << Globe + QStringLiteral("\n1,234,567 </strong>") << QStringList{QStringLiteral("1234567"), NA} + noFigures;
    QTest::newRow("global: value starting at a space is NA")
        << Globe + QStringLiteral("\n 1234 </strong>") << QStringList{NA, NA} + noFigures;
    QTest::newRow("global: beyond int range is NA")
        << Globe + QStringLiteral("\n3,000,000,000 ") << QStringList{NA, NA} + noFigures;
    QTest::newRow("global: largest int")
        << Globe + QStringLiteral("\n2,147,483,647 ") << QStringList{QStringLiteral("2147483647"), NA} + noFigures;
    QTest::newRow("global: runs to the end of the text")
        << Globe + QStringLiteral(">42") << QStringList{QStringLiteral("42"), NA} + noFigures;
    QTest::newRow("global: a tab ends the value")
        << Globe + QStringLiteral("\n77\t</strong>") << QStringList{QStringLiteral("77"), NA} + noFigures;
    // Not trimmed: the second line feed stays in the value, which toInt accepts.
    // toInt() would accept the line feed left in front of the digits, and
    // stored, it would split the record's line in the history file.
    QTest::newRow("global: only the first character is skipped")
        << Globe + QStringLiteral("\n\n5 ") << QStringList{NA, NA} + noFigures;
    QTest::newRow("figure with a line break inside")
        << QStringLiteral("<th>7 day</th>1\n2</td>") << QStringList{NA, NA, NA, NA, NA, NA};
    QTest::newRow("us: line-feed before the number is trimmed")
        << Flag + QStringLiteral("\n\n98,765 </strong>") << QStringList{NA, QStringLiteral("98765")} + noFigures;
    QTest::newRow("us: value starting at a space is NA")
        << Flag + QStringLiteral("\n 98 ") << QStringList{NA, NA} + noFigures;
    QTest::newRow("us: beyond int range is NA")
        << Flag + QStringLiteral("\n9,999,999,999 ") << QStringList{NA, NA} + noFigures;
    QTest::newRow("no markers at all")
        << QStringLiteral("HTTP/1.0 503 Service Unavailable\r\n\r\n<html>busy</html>") << QStringList{NA, NA} + noFigures;
    QTest::newRow("cell tag removed after trimming")
        << table(QStringLiteral("12.3%"), QStringLiteral(" 4.5%"), QStringLiteral("1,234"), QStringLiteral("7 \t"))
        << QStringList{NA, NA, QStringLiteral("12.3%"), QStringLiteral(" 4.5%"), QStringLiteral("1234"),
                       QStringLiteral("7")};
    QTest::newRow("11 characters: NA only for yesterday")
        << table(QStringLiteral("12345678901"), QStringLiteral("12345678901"), QStringLiteral("12345678901"),
                 QStringLiteral("12345678901"))
        << QStringList{NA, NA, NA, QStringLiteral("12345678901"), QStringLiteral("12345678901"),
                       QStringLiteral("12345678901")};
    QTest::newRow("limits 10 and 15 are inclusive")
        << table(QStringLiteral("1234567890"), QStringLiteral("123456789012345"), QStringLiteral("1234567890123456"),
                 QStringLiteral("123456789012345"))
        << QStringList{NA, NA, QStringLiteral("1234567890"), QStringLiteral("123456789012345"), NA,
                       QStringLiteral("123456789012345")};
    QTest::newRow("length counted after commas are removed")
        << table(QStringLiteral("1,234,567,890"), QString(), QString(), QString())
        << QStringList{NA, NA, QStringLiteral("1234567890"), QString(), QString(), QString()};
    QTest::newRow("header followed by the cell end is empty, not NA")
        << QStringLiteral("<th>Yesterday</th></td><th>7 day</th></td>")
        << QStringList{NA, NA, QString(), QString(), NA, NA};
    QTest::newRow("no cell end: value runs to the end")
        << QStringLiteral("<th>3 month</th>\n\t17% ") << QStringList{NA, NA, NA, NA, NA, QStringLiteral("17%")};
}

// Only rank figures are stored; whatever else a page puts in a cell becomes
// "NA", so no markup, quote or formula reaches the history or its exports.
void tst_RankPageParser::figureRule_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("stored");

    QTest::newRow("digits") << QStringLiteral("1234") << QStringLiteral("1234");
    QTest::newRow("thousands separators") << QStringLiteral("1,234") << QStringLiteral("1234");
    QTest::newRow("percentage") << QStringLiteral("12.3%") << QStringLiteral("12.3%");
    QTest::newRow("whole percentage") << QStringLiteral("7%") << QStringLiteral("7%");
    QTest::newRow("space inside the cell stays") << QStringLiteral(" 4.5%") << QStringLiteral(" 4.5%");
    QTest::newRow("NA") << NA << NA;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("bold markup") << QStringLiteral("<b>1</b>") << NA;
    QTest::newRow("entity") << QStringLiteral("&lt;1%") << NA;
    QTest::newRow("quote") << QStringLiteral("\"5") << NA;
    QTest::newRow("formula") << QStringLiteral("=1+2") << NA;
    QTest::newRow("lotus formula") << QStringLiteral("@SUM(1)") << NA;
    QTest::newRow("plus sign") << QStringLiteral("+1") << NA;
    QTest::newRow("minus sign") << QStringLiteral("-1") << NA;
    QTest::newRow("percent alone") << QStringLiteral("%") << NA;
    QTest::newRow("point without decimals") << QStringLiteral("1.%") << NA;
    QTest::newRow("two points") << QStringLiteral("1.2.3%") << NA;
    QTest::newRow("words") << QStringLiteral("n/a") << NA;
}

void tst_RankPageParser::figureRule()
{
    QFETCH(QString, cell);
    QFETCH(QString, stored);

    const QString page = Globe + u'\n' + cell + u' ' + Flag + u'\n' + cell + u' '
                         + table(cell, cell, cell, cell);
    const CAlexaRankData record = parseRankPage(page, QStringLiteral("example.com"), true, Clock);
    QCOMPARE(record.yesterday(), stored);
    QCOMPARE(record.sevenDay(), stored);
    QCOMPARE(record.oneMonth(), stored);
    QCOMPARE(record.threeMonth(), stored);
    // A rank is a whole number or nothing.
    const QString rank = stored.trimmed();
    const bool wholeNumber = !rank.isEmpty() && std::all_of(rank.begin(), rank.end(), [](QChar c) { return c.isDigit(); });
    QCOMPARE(record.globalRank(), wholeNumber ? rank : NA);
}

void tst_RankPageParser::figures()
{
    QFETCH(QString, page);
    QFETCH(QStringList, expected);

    for (const bool rankMode : {true, false}) {
        const CAlexaRankData record = parseRankPage(page, QStringLiteral("example.com"), rankMode, Clock);
        QCOMPARE(fields(record), expected);
        QCOMPARE(record.domain(), QStringLiteral("example.com"));
        QCOMPARE(record.date(), Today);
    }
}

void tst_RankPageParser::sectionCut_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("rankMode");
    QTest::addColumn<QStringList>("expected"); // the four period figures

    // Each table's figures tell where they were taken: 1x before the
    // sections, 2x reach, 3x bounce, 4x traffic rank, 5x page views.

    const QString d = QStringLiteral("example.com");
    const QString before = table(QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("13"), QStringLiteral("14"));
    const QString reached = reach(d) + table(QStringLiteral("21"), QStringLiteral("22"), QStringLiteral("23"), QStringLiteral("24"));
    const QString bounce = ReachEnd + d + QStringLiteral(":</p>") + table(QStringLiteral("31"), QStringLiteral("32"), QStringLiteral("33"), QStringLiteral("34"));
    const QString ranked = traffic(d) + table(QStringLiteral("41"), QStringLiteral("42"), QStringLiteral("43"), QStringLiteral("44"));
    const QString views = pageviews(d) + table(QStringLiteral("51"), QStringLiteral("52"), QStringLiteral("53"), QStringLiteral("54"));
    const QString page = before + reached + bounce + ranked + views;

    QTest::newRow("rank mode takes the traffic-rank section")
        << page << true << QStringList{QStringLiteral("41"), QStringLiteral("42"), QStringLiteral("43"), QStringLiteral("44")};
    QTest::newRow("reach mode takes the reach section")
        << page << false << QStringList{QStringLiteral("21"), QStringLiteral("22"), QStringLiteral("23"), QStringLiteral("24")};
    QTest::newRow("rank mode without its start: first headers anywhere")
        << before + reached + views << true
        << QStringList{QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("13"), QStringLiteral("14")};
    QTest::newRow("reach mode without its start: first headers anywhere")
        << before + ranked << false
        << QStringList{QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("13"), QStringLiteral("14")};
    QTest::newRow("headers past the end text are not found")
        << traffic(d) + QStringLiteral("<th>7 day</th>9</td>") + pageviews(d) + before << true
        << QStringList{NA, QStringLiteral("9"), NA, NA};
    QTest::newRow("end text before the start does not cut")
        << bounce + reached << false
        << QStringList{QStringLiteral("21"), QStringLiteral("22"), QStringLiteral("23"), QStringLiteral("24")};
    QTest::newRow("another domain's section is passed over")
        << traffic(QStringLiteral("other.org")) + before + ranked << true
        << QStringList{QStringLiteral("41"), QStringLiteral("42"), QStringLiteral("43"), QStringLiteral("44")};
    QTest::newRow("another domain's end text does not cut")
        << ranked.left(ranked.indexOf(QStringLiteral("<tr><th>7 day"))) + pageviews(QStringLiteral("other.org"))
               + QStringLiteral("<th>7 day</th>62</td><th>1 month</th>63</td><th>3 month</th>64</td>")
        << true << QStringList{QStringLiteral("41"), QStringLiteral("62"), QStringLiteral("63"), QStringLiteral("64")};
}

void tst_RankPageParser::sectionCut()
{
    QFETCH(QString, page);
    QFETCH(bool, rankMode);
    QFETCH(QStringList, expected);

    const QString ranks = Globe + QStringLiteral("\n1,000 ") + Flag + QStringLiteral("\n200 ");
    const CAlexaRankData record = parseRankPage(ranks + page, QStringLiteral("example.com"), rankMode, Clock);
    QCOMPARE(fields(record), QStringList({QStringLiteral("1000"), QStringLiteral("200")}) + expected);
}

void tst_RankPageParser::samplePages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("rankMode");

    const QStringList domains{QStringLiteral("example.com"), QStringLiteral("shop.example.net")};
    for (const QString &domain : domains) {
        QTest::addRow("%s rank", qPrintable(domain)) << QStringLiteral("siteinfo-") + domain << domain << true;
        QTest::addRow("%s reach", qPrintable(domain)) << QStringLiteral("siteinfo-") + domain << domain << false;
    }
}

void tst_RankPageParser::samplePages()
{
    QFETCH(QString, page);
    QFETCH(QString, domain);
    QFETCH(bool, rankMode);

    const QString text = QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n")
        + QString::fromLatin1(readData(page + QStringLiteral(".html")));
    const QString golden = QString::fromLatin1(
        readData(page + (rankMode ? QStringLiteral(".rank.txt") : QStringLiteral(".reach.txt")))).trimmed();
    QCOMPARE(parseRankPage(text, domain, rankMode, Clock).toString(), golden);
}

void tst_RankPageParser::errorRecordIsAllNA()
{
    const CAlexaRankData record = errorRecord(QStringLiteral("example.com"), Clock);
    QCOMPARE(record.toString(), QStringLiteral("example.com,NA,NA,NA,NA,NA,NA,06/12/2026"));

    QCOMPARE(errorRecord(QStringLiteral("a.example"), CRankClock(QDate(2027, 1, 31))).date(),
             QStringLiteral("31/01/2027"));
}

QTEST_GUILESS_MAIN(tst_RankPageParser)
#include "tst_RankPageParser.moc"
