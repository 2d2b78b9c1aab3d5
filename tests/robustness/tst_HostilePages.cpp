#include "CAlexaRankData.h"
#include "CRankClock.h"
#include "RankPageParser.h"
#include "pageformat/CSiteInfoFormat.h"
#include "StoredFieldCheck.h"

#include <QTest>

#include <algorithm>

namespace {

// Records are dated by this clock, never by the machine's.
const CRankClock Clock(QDate(2026, 12, 6));

using Format = CSiteInfoFormat;

const QString GlobalMarker = Format::GlobalMarker;
const QString UsMarker = Format::UsMarker;
const QString Domain = QStringLiteral("example.com");

// The traffic-rank section with the same cell text in all four rows.
QString trafficPage(const QString &cell)
{
    QString page = Format::TrafficStart % Domain % Format::HeadingEnd % u"\n<table>\n";
    for (QLatin1StringView header :
         {Format::YesterdayHeader, Format::SevenDayHeader, Format::OneMonthHeader, Format::ThreeMonthHeader})
        page += u"<tr>" % header % Format::CellStart % cell % Format::CellEnd % u"</tr>\n";
    return page % Format::TrafficEnd % Domain % Format::HeadingEnd % u"\n";
}

// Bytes as the fetch object hands them over: one character per byte.
QString bytesPage(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

QByteArray garbage(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 24);
    }
    return bytes;
}

// What a record may hold, whatever the page: "NA", digits, or a short rank
// figure, so it can neither split its history line nor carry markup.
QString whatIsWrong(const CAlexaRankData &record)
{
    if (record.domain() != Domain || record.date() != QStringLiteral("06/12/2026"))
        return QStringLiteral("domain or date lost");
    for (const QString &rank : {record.globalRank(), record.usRank()}) {
        bool ok = false;
        rank.toInt(&ok);
        const bool digits = std::all_of(rank.cbegin(), rank.cend(), [](QChar c) {
            return c >= u'0' && c <= u'9';
        });
        if (rank != u"NA" && (!ok || !digits))
            return QStringLiteral("rank %1").arg(rank.left(40));
    }
    const QList<QPair<QString, int>> figures{{record.yesterday(), 10},
                                             {record.sevenDay(), 15},
                                             {record.oneMonth(), 15},
                                             {record.threeMonth(), 15}};
    for (const auto &[figure, limit] : figures) {
        if (!isStoredFigure(figure, limit))
            return QStringLiteral("figure %1").arg(figure.left(40));
    }
    return QString();
}

} // namespace

class tst_HostilePages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void figuresStayPlain_data();
    void figuresStayPlain();
    void ranksStayNumbers_data();
    void ranksStayNumbers();
    void wholePagesOfJunk_data();
    void wholePagesOfJunk();
};


void tst_HostilePages::figuresStayPlain_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("figure");

    QTest::newRow("plain percentage") << QStringLiteral("12.3%") << QStringLiteral("12.3%");
    QTest::newRow("separators dropped") << QStringLiteral("1,234") << QStringLiteral("1234");
    QTest::newRow("entity") << QStringLiteral("&lt;1&gt;") << QStringLiteral("NA");
    QTest::newRow("markup") << QStringLiteral("<b>12</b>") << QStringLiteral("NA");
    QTest::newRow("long markup") << QStringLiteral("<script>alert(1)</script>") << QStringLiteral("NA");
    QTest::newRow("line feed inside") << QStringLiteral("1\n2") << QStringLiteral("NA");
    QTest::newRow("carriage return inside") << QStringLiteral("1\r2") << QStringLiteral("NA");
    QTest::newRow("NUL") << QStringLiteral("1") + QChar(0) + QStringLiteral("2") << QStringLiteral("NA");
    QTest::newRow("terminal escape") << QStringLiteral("\x1b[2J1") << QStringLiteral("NA");
    QTest::newRow("DEL") << QStringLiteral("1\x7f") << QStringLiteral("NA");
    QTest::newRow("C1 next line") << QStringLiteral("1") + QChar(0x85) + u'2' << QStringLiteral("NA");
    QTest::newRow("line feed after the cell tag") << QStringLiteral("\n 7 \n") << QStringLiteral("NA");
    QTest::newRow("tabs become spaces, no figure") << QStringLiteral("1\t2") << QStringLiteral("NA");
    QTest::newRow("very long text") << QString(3 * 1024 * 1024, u'9') << QStringLiteral("NA");
}

void tst_HostilePages::figuresStayPlain()
{
    QFETCH(QString, cell);
    QFETCH(QString, figure);
    const CAlexaRankData record = parseRankPage(trafficPage(cell), Domain, true, Clock);
    QCOMPARE(record.yesterday(), figure);
    QCOMPARE(record.sevenDay(), figure);
    QCOMPARE(record.oneMonth(), figure);
    QCOMPARE(record.threeMonth(), figure);
    QVERIFY2(whatIsWrong(record).isEmpty(), qPrintable(whatIsWrong(record)));
}

void tst_HostilePages::ranksStayNumbers_data()
{
    QTest::addColumn<QString>("afterMarker");
    QTest::addColumn<QString>("rank");

    QTest::newRow("separators dropped") << QStringLiteral("\n1,234,567 </div>") << QStringLiteral("1234567");
    QTest::newRow("wrapped in line feeds") << QStringLiteral("\n\n1234\n</div> x") << QStringLiteral("NA");
    QTest::newRow("carriage return") << QStringLiteral("\n1234\r x") << QStringLiteral("NA");
    // toInt() stops reading at a NUL character and would take what follows.
    QTest::newRow("NUL") << QStringLiteral("\n12") + QChar(0) + QStringLiteral("\n3 x") << QStringLiteral("NA");
    QTest::newRow("non-breaking space") << QStringLiteral("\n\u00a012 x") << QStringLiteral("NA");
    QTest::newRow("markup") << QStringLiteral("\n<b>1</b> x") << QStringLiteral("NA");
    QTest::newRow("sign") << QStringLiteral("\n-5 x") << QStringLiteral("NA");
    QTest::newRow("beyond int") << QStringLiteral("\n3,000,000,000 x") << QStringLiteral("NA");
    QTest::newRow("very long digits") << QStringLiteral("\n") + QString(2 * 1024 * 1024, u'1')
                                      << QStringLiteral("NA");
}

void tst_HostilePages::ranksStayNumbers()
{
    QFETCH(QString, afterMarker);
    QFETCH(QString, rank);
    const CAlexaRankData global = parseRankPage(GlobalMarker + afterMarker, Domain, true, Clock);
    QCOMPARE(global.globalRank(), rank);
    QVERIFY2(whatIsWrong(global).isEmpty(), qPrintable(whatIsWrong(global)));
    // The United States rank is trimmed first, so line feeds around it are
    // harmless; whatever it keeps must still be a number.
    const CAlexaRankData us = parseRankPage(UsMarker + afterMarker, Domain, true, Clock);
    QVERIFY2(whatIsWrong(us).isEmpty(), qPrintable(whatIsWrong(us)));
}

void tst_HostilePages::wholePagesOfJunk_data()
{
    QTest::addColumn<QString>("page");

    QTest::newRow("NUL bytes") << bytesPage(QByteArray(1024 * 1024, '\0'));
    QTest::newRow("binary garbage") << bytesPage(garbage(4 * 1024 * 1024));

    QString markers;
    for (int i = 0; i < 20000; ++i)
        markers += GlobalMarker + UsMarker + QStringLiteral("<th>Yesterday</th><th>7 day</th>");
    QTest::newRow("markers without values") << markers;

    // Prefixes of every marker over and over: a search that backed up on each
    // near miss would take forever here.
    QString nearMisses;
    for (int i = 0; i < 20000; ++i)
        nearMisses += GlobalMarker.chopped(1) + UsMarker.chopped(1)
                      + QStringLiteral("<p>Traffic rank for example.com:</p<th>Yesterday</th");
    QTest::newRow("near misses") << nearMisses;

    const QString longValue(1024 * 1024, u'7');
    QTest::newRow("values without end")
        << GlobalMarker + u'\n' + longValue + UsMarker + u'\n' + longValue
               + QStringLiteral("<th>Yesterday</th>") + longValue;

    QTest::newRow("markup soup") << trafficPage(QStringLiteral("<td class=\"avg \"><td class=\"avg \">"))
                                        .repeated(5000);
}

void tst_HostilePages::wholePagesOfJunk()
{
    QFETCH(QString, page);
    for (const bool rankMode : {true, false}) {
        const CAlexaRankData record = parseRankPage(page, Domain, rankMode, Clock);
        QVERIFY2(whatIsWrong(record).isEmpty(), qPrintable(whatIsWrong(record)));
    }
}

QTEST_GUILESS_MAIN(tst_HostilePages)
#include "tst_HostilePages.moc"
