#include "CAlexaRankData.h"
#include "CHistoryMerge.h"
#include "io/CCsvWriter.h"
#include "io/CHistoryExporter.h"
#include "io/CHistoryFilter.h"
#include "io/CHistoryImporter.h"

#include <QBuffer>
#include <QTest>

using Format = CHistoryExporter::Format;
Q_DECLARE_METATYPE(CHistoryFilter)
Q_DECLARE_METATYPE(CHistoryExporter::Format)

namespace {

QList<CAlexaRankData> historyOf(const QStringList &lines)
{
    QList<CAlexaRankData> history;
    for (const QString &line : lines)
        history.append(CAlexaRankData::fromLine(line));
    return history;
}

QStringList linesOf(const QList<CAlexaRankData> &history)
{
    QStringList lines;
    for (const CAlexaRankData &record : history)
        lines.append(record.toString());
    return lines;
}

QByteArray exported(const QList<CAlexaRankData> &history, Format format, const CHistoryFilter &filter = {})
{
    QByteArray bytes;
    const CResult<qsizetype> written = CHistoryExporter::write(history, filter, format, [&](QByteArrayView slice) {
        bytes.append(slice);
        return CResult<>::success();
    });
    if (!written)
        qFatal("export failed: %s", qPrintable(written.message()));
    return bytes;
}

CResult<> imported(const QByteArray &bytes, QList<CAlexaRankData> &records)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return CHistoryImporter::read(buffer, QStringLiteral("in.csv"), records);
}

// Texts that existing histories may hold, besides the figures pages give;
// in date order, as a history kept by Sorvane is.
const QStringList Stored{
    QStringLiteral("c.com,,,,,,,31/12/1999"),
    QStringLiteral("a.com,1234,56,12.3%, 4.5%,NA,,04/11/2026"),
    QStringLiteral("b.com,NA,NA,\"5,=1+2,@SUM(1),+1,04/11/2026"),
    QStringLiteral("b.com,007,12345678901,<b>1</b>,\\u0041,\\\",0,05/11/2026"),
    QStringLiteral("\u00e9t\u00e9.fr,2147483647,2147483648,NA,NA,NA,NA,05/11/2026"),
    QStringLiteral("d.com,1,2,3,4,5,6,not-a-date"),
};

// The same as an export gives them back: what is no rank figure is "NA",
// as a page's would be; every other text, a date that is none included, as it
// was. A record of no day goes before those of a day, as every merge puts it.
const QStringList Exported{
    QStringLiteral("d.com,1,2,3,4,5,6,not-a-date"),
    QStringLiteral("c.com,,,,,,,31/12/1999"),
    QStringLiteral("a.com,1234,56,12.3%, 4.5%,NA,,04/11/2026"),
    QStringLiteral("b.com,NA,NA,NA,NA,NA,NA,04/11/2026"),
    QStringLiteral("b.com,007,12345678901,NA,NA,NA,0,05/11/2026"),
    QStringLiteral("\u00e9t\u00e9.fr,2147483647,2147483648,NA,NA,NA,NA,05/11/2026"),
};

} // namespace

class tst_HistoryTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void exportForms_data();
    void exportForms();
    void importAndMerge_data();
    void importAndMerge();
    void csvCellsQuotedOnlyWhenNeeded_data();
    void csvCellsQuotedOnlyWhenNeeded();
};

void tst_HistoryTransfer::roundTrip_data()
{
    QTest::addColumn<Format>("format");
    QTest::newRow("csv") << Format::Csv;
    QTest::newRow("json") << Format::Json;
}

// Whatever an export writes comes back exactly, into an empty history.
void tst_HistoryTransfer::roundTrip()
{
    QFETCH(Format, format);
    const QList<CAlexaRankData> history = historyOf(Stored);
    QList<CAlexaRankData> records;
    const CResult<> read = imported(exported(history, format), records);
    QVERIFY2(read.ok(), qPrintable(read.message()));
    QList<CAlexaRankData> empty;
    const CHistoryMerge::Counts counts = CHistoryMerge::merge(empty, records);
    QCOMPARE(counts.added, Stored.size());
    QCOMPARE(counts.skipped, 0);
    QCOMPARE(linesOf(empty), Exported);
}

void tst_HistoryTransfer::exportForms_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<CHistoryFilter>("filter");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray header = "domain,global_rank,us_rank,yesterday,seven_day,one_month,three_month,date\n";
    QTest::newRow("csv, whole history")
        << Format::Csv << CHistoryFilter{}
        << header + "c.com,,,,,,,1999-12-31\n"
                    "a.com,1234,56,12.3%, 4.5%,NA,,2026-11-04\n"
                    "b.com,NA,NA,NA,NA,NA,NA,2026-11-04\n"
                    "b.com,007,12345678901,NA,NA,NA,0,2026-11-05\n"
                    "\xc3\xa9t\xc3\xa9.fr,2147483647,2147483648,NA,NA,NA,NA,2026-11-05\n"
                    "d.com,1,2,3,4,5,6,not-a-date\n";
    QTest::newRow("json, one domain")
        << Format::Json << CHistoryFilter{{QStringLiteral("b.com")}, {}, {}}
        << QByteArray("[\n"
                      "{\"domain\":\"b.com\",\"global_rank\":null,\"us_rank\":null,\"yesterday\":null,\"seven_day\":null,"
                      "\"one_month\":null,\"three_month\":null,\"date\":\"2026-11-04\"},\n"
                      "{\"domain\":\"b.com\",\"global_rank\":\"007\",\"us_rank\":12345678901,\"yesterday\":null,"
                      "\"seven_day\":null,\"one_month\":null,\"three_month\":0,\"date\":\"2026-11-05\"}\n"
                      "]\n");
    QTest::newRow("json, period that takes nothing")
        << Format::Json << CHistoryFilter{{}, QDate(2027, 1, 1), {}} << QByteArray("[\n]\n");
    QTest::newRow("csv, from and to are both taken")
        << Format::Csv << CHistoryFilter{{}, QDate(1999, 12, 31), QDate(2026, 11, 4)}
        << header + "c.com,,,,,,,1999-12-31\n"
                    "a.com,1234,56,12.3%, 4.5%,NA,,2026-11-04\n"
                    "b.com,NA,NA,NA,NA,NA,NA,2026-11-04\n";
}

void tst_HistoryTransfer::exportForms()
{
    QFETCH(Format, format);
    QFETCH(CHistoryFilter, filter);
    QFETCH(QByteArray, expected);
    QCOMPARE(exported(historyOf(Stored), format, filter), expected);
}

void tst_HistoryTransfer::importAndMerge_data()
{
    QTest::addColumn<QStringList>("held");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("problem"); // the message's lines after its first; empty when imported
    QTest::addColumn<qsizetype>("skipped");
    QTest::addColumn<QStringList>("merged");

    const QByteArray header = "domain,global_rank,us_rank,yesterday,seven_day,one_month,three_month,date\n";
    const QStringList held{QStringLiteral("a.com,1,2,3,4,5,6,01/10/2026"), QStringLiteral("a.com,1,2,3,4,5,6,03/10/2026")};

    QTest::newRow("csv goes between held days")
        << held << header + "b.com,9,9,9,9,9,9,2026-10-02\r\nb.com,9,9,9,9,9,9,2026-10-04\n" << QString() << qsizetype(0)
        << QStringList{held.at(0), QStringLiteral("b.com,9,9,9,9,9,9,02/10/2026"), held.at(1),
                       QStringLiteral("b.com,9,9,9,9,9,9,04/10/2026")};
    QTest::newRow("held domain and date skipped, repeat in the file too")
        << held << header + "a.com,7,7,7,7,7,7,2026-10-01\nb.com,1,,,,,,2026-10-01\nb.com,2,,,,,,2026-10-01\n"
        << QString() << qsizetype(2) << QStringList{held.at(0), QStringLiteral("b.com,1,,,,,,01/10/2026"), held.at(1)};
    QTest::newRow("unordered file goes in by date, one day's in file order")
        << QStringList() << QByteArray("c.com,1,1,1,1,1,1,05/10/2026\nb.com,1,1,1,1,1,1,04/10/2026\nd.com,1,1,1,1,1,1,04/10/2026\n")
        << QString() << qsizetype(0)
        << QStringList{QStringLiteral("b.com,1,1,1,1,1,1,04/10/2026"), QStringLiteral("d.com,1,1,1,1,1,1,04/10/2026"),
                       QStringLiteral("c.com,1,1,1,1,1,1,05/10/2026")};
    QTest::newRow("out-of-order history: before the first later record")
        << QStringList{QStringLiteral("a.com,1,,,,,,01/12/2026"), QStringLiteral("a.com,1,,,,,,01/10/2026")}
        << QByteArray("b.com,1,,,,,,01/11/2026\n") << QString() << qsizetype(0)
        << QStringList{QStringLiteral("b.com,1,,,,,,01/11/2026"), QStringLiteral("a.com,1,,,,,,01/12/2026"),
                       QStringLiteral("a.com,1,,,,,,01/10/2026")};
    QTest::newRow("json with keys in any order, texts that are no figures stored as NA")
        << held
        << QByteArray("[{\"date\":\"2026-10-02\",\"domain\":\"b.com\",\"global_rank\":12,\"us_rank\":null,"
                      "\"yesterday\":\"1.5%\",\"seven_day\":\"\",\"one_month\":\"\\u00e9\",\"three_month\":\"\\\"\"}]")
        << QString() << qsizetype(0)
        << QStringList{held.at(0), QStringLiteral("b.com,12,NA,1.5%,,NA,NA,02/10/2026"), held.at(1)};
    QTest::newRow("formulas stored as NA")
        << held
        << header + "b.com,=1+2,@SUM(A1:A9),+1,-1,\"\"\"5\",\"=cmd|' /C calc'!A0\",2026-10-02\n"
        << QString() << qsizetype(0)
        << QStringList{held.at(0), QStringLiteral("b.com,NA,NA,NA,NA,NA,NA,02/10/2026"), held.at(1)};
    QTest::newRow("a date that is none keeps its text")
        << held << header + "b.com,1,1,1,1,1,1,not-a-date\n" << QString() << qsizetype(0)
        << QStringList{QStringLiteral("b.com,1,1,1,1,1,1,not-a-date"), held.at(0), held.at(1)};
    QTest::newRow("a domain the domain list refuses")
        << held << header + "=2+3,1,1,1,1,1,1,2026-10-02\nb.com,1,1,1,1,1,1,2026-10-02\n"
        << QStringLiteral("line 2: \"=2+3\" is no domain name the domain list would take") << qsizetype(0) << held;

    QTest::newRow("bad lines named, header is line 1")
        << held
        << header + "b.com,1,1,1,1,1,2026-10-02\n\nb.com,1,1,1,1,1,1,2026-13-02\nb\x01.com,1,1,1,1,1,1,2026-10-02\n"
                    "\"b.com\",\"1,5\",1,1,1,1,1,2026-10-02\nb.com,1,1,1,1,1,1,02/10/2026\nc.com,\"1\n2\",1,1,1,1,1,2026-10-02\n"
                    "ok.com,1,1,1,1,1,1,2026-10-02\nb.com,\"1\"x,1,1,1,1,1,2026-10-02\n"
        << QStringLiteral("line 2: 7 fields, not 8\n"
                          "line 4: \"2026-13-02\" is not a date (YYYY-MM-DD)\n"
                          "line 5: the domain holds a control or format character\n"
                          "line 6: global_rank holds a comma or a line break, which the history file cannot hold\n"
                          "line 7: \"02/10/2026\" is not a date (YYYY-MM-DD)\n"
                          "line 8: global_rank holds a comma or a line break, which the history file cannot hold\n"
                          "line 11: text after a closing quote")
        << qsizetype(0) << held;
    QTest::newRow("history-file lines: wrong count and dates")
        << held << QByteArray("a.com,1,2,3,4,5,6,7,01/10/2026\nx.com,1,2,3,4,5,6,2026-10-01\n,1,2,3,4,5,6,01/10/2026\n")
        << QStringLiteral("line 1: 9 fields, not 8\nline 2: \"2026-10-01\" is not a date (DD/MM/YYYY)\nline 3: no domain")
        << qsizetype(0) << held;
    QTest::newRow("json: wrong keys and values, then broken syntax")
        << held
        << QByteArray("[\n{\"domain\":\"b.com\"},\n"
                      "{\"domain\":\"b.com\",\"global_rank\":1.5,\"us_rank\":1,\"yesterday\":1,\"seven_day\":1,"
                      "\"one_month\":1,\"three_month\":1,\"date\":\"2026-10-02\"},\n"
                      "{\"domain\":\"b.com\",\"rank\":1},\n"
                      "{\"domain\":\"a.com\",\"domain\":\"b.com\"},\n"
                      "{\"domain\":\"b.com\" \"date\":1}\n]")
        << QStringLiteral("line 2: no global_rank, us_rank, yesterday, seven_day, one_month, three_month, date\n"
                          "line 3: global_rank is 1.5, not a whole number or text\n"
                          "line 4: unknown key \"rank\"\n"
                          "line 5: key \"domain\" given twice\n"
                          "line 6: not JSON: \",\" or \"}\" expected in an object")
        << qsizetype(0) << held;

    QByteArray many = header;
    QStringList twenty;
    for (int i = 0; i < 25; ++i) {
        many += "x.com,1,1,1,1,1,1,2026-02-30\n";
        if (i < 20)
            twenty.append(QStringLiteral("line %1: \"2026-02-30\" is not a date (YYYY-MM-DD)").arg(i + 2));
    }
    QTest::newRow("the first twenty, then a count")
        << held << many << twenty.join(u'\n') + QStringLiteral("\n... and 5 more bad lines") << qsizetype(0) << held;
}

void tst_HistoryTransfer::importAndMerge()
{
    QFETCH(QStringList, held);
    QFETCH(QByteArray, file);
    QFETCH(QString, problem);
    QFETCH(qsizetype, skipped);
    QFETCH(QStringList, merged);

    QList<CAlexaRankData> history = historyOf(held);
    QList<CAlexaRankData> records;
    const CResult<> read = imported(file, records);
    if (!problem.isEmpty()) {
        QVERIFY(!read.ok());
        QVERIFY(records.isEmpty());
        QCOMPARE(read.message().section(u'\n', 1), problem);
        QCOMPARE(linesOf(history), merged);
        return;
    }
    QVERIFY2(read.ok(), qPrintable(read.message()));
    const CHistoryMerge::Counts planned = CHistoryMerge::count(history, records);
    const CHistoryMerge::Counts counts = CHistoryMerge::merge(history, records);
    QCOMPARE(counts.skipped, skipped);
    QCOMPARE(counts.added, merged.size() - held.size());
    QCOMPARE(planned.added, counts.added);
    QCOMPARE(planned.skipped, counts.skipped);
    QCOMPARE(linesOf(history), merged);
}

void tst_HistoryTransfer::csvCellsQuotedOnlyWhenNeeded_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("stored figures are never quoted")
        << QStringList{QStringLiteral("a.com"), QStringLiteral("1"), QStringLiteral("NA"), QStringLiteral(" 4.5%"),
                       QString(), QStringLiteral("=1+2"), QStringLiteral("x y"), QStringLiteral("05/08/2012")}
        << QByteArray("a.com,1,NA, 4.5%,,=1+2,x y,05/08/2012\n");
    QTest::newRow("quote") << QStringList{QStringLiteral("\"5")} << QByteArray("\"\"\"5\"\n");
    QTest::newRow("comma") << QStringList{QStringLiteral("1,2"), QStringLiteral("3")} << QByteArray("\"1,2\",3\n");
    QTest::newRow("line breaks") << QStringList{QStringLiteral("1\n2\r")} << QByteArray("\"1\n2\r\"\n");
}

void tst_HistoryTransfer::csvCellsQuotedOnlyWhenNeeded()
{
    QFETCH(QStringList, cells);
    QFETCH(QByteArray, line);
    QCOMPARE(CCsvWriter::toCsv({cells}), line);
}

QTEST_GUILESS_MAIN(tst_HistoryTransfer)
#include "tst_HistoryTransfer.moc"
