#include "CExpectedFigures.h"
#include "MakeFigures.h"
#include "rankservice/lists/CListPacker.h"
#include "rankservice/lists/CListReader.h"
#include "rankservice/lists/CSnapshotParser.h"
#include "rankservice/store/CDomainIndex.h"
#include "rankservice/store/CIndexFold.h"
#include "rankservice/store/CSnapshotStore.h"
#include "rankservice/store/CStoreCache.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <map>

Q_DECLARE_METATYPE(CSnapshotParser::Format)

namespace {

const QDate Newest(2026, 3, 31);

QString fileFor(int age, const char *suffix = ".csv")
{
    return Newest.addDays(-age).toString(Qt::ISODate) + QLatin1StringView(suffix);
}

void write(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}

} // namespace

class tst_SnapshotStore : public QObject
{
    Q_OBJECT

private slots:
    void parsesLines_data();
    void parsesLines();
    void readsALineTheSameAnywhere_data();
    void readsALineTheSameAnywhere();
    void figuresOverThePeriods_data();
    void figuresOverThePeriods();
    void namesMeetWhateverTheSpelling();
    void skipsBadFilesAndCountsBadLines();
    void emptyFolderServesNothing();
    void numbersManyNames();
    void readsCompressedLists_data();
    void readsCompressedLists();
    void addsNewerDaysWithoutRereading_data();
    void addsNewerDaysWithoutRereading();
    void skipsListsDatedAfterToday();
    void refusesListChangedWhileRead_data();
    void refusesListChangedWhileRead();
    void refusesImplausibleLists_data();
    void refusesImplausibleLists();
    void figuresAsOfPastDay_data();
    void figuresAsOfPastDay();
    void heldPastDaysMatchTheLists_data();
    void heldPastDaysMatchTheLists();
    void readsAnyListInLinearTime_data();
    void readsAnyListInLinearTime();
    void foldsInWhatTheFolderHolds_data();
    void foldsInWhatTheFolderHolds();
    void holdsThePastDaysItIsGiven_data();
    void holdsThePastDaysItIsGiven();
};

void tst_SnapshotStore::parsesLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<CSnapshotParser::Format>("format");
    QTest::addColumn<QByteArrayList>("rows"); // "rank domain"
    QTest::addColumn<qsizetype>("malformed");

    using F = CSnapshotParser::Format;
    QTest::newRow("plain") << QByteArray("1,alpha.test\n2,beta.test\n") << F::RankDomain
                           << QByteArrayList{"1 alpha.test", "2 beta.test"} << qsizetype(0);
    QTest::newRow("crlf, bom, blank lines, no final newline")
        << QByteArray("\xEF\xBB\xBF" "1,alpha.test\r\n\r\n2,beta.test") << F::RankDomain
        << QByteArrayList{"1 alpha.test", "2 beta.test"} << qsizetype(0);
    QTest::newRow("quoted and padded fields") << QByteArray("\"7\" , \"alpha.test\"\n") << F::RankDomain
                                              << QByteArrayList{"7 alpha.test"} << qsizetype(0);
    QTest::newRow("link list")
        << QByteArray("GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain\n"
                      "1,1,alpha.test,test,500,600,alpha.test\n"
                      "2,1,beta.example,example,400,500,beta.example\n")
        << F::LinkList << QByteArrayList{"1 alpha.test", "2 beta.example"} << qsizetype(0);
    QTest::newRow("link list, columns elsewhere")
        << QByteArray("Domain,Other,GlobalRank\nalpha.test,x,9\nbeta.test\n") << F::LinkList
        << QByteArrayList{"9 alpha.test"} << qsizetype(1);
    QTest::newRow("link list without a domain column")
        << QByteArray("GlobalRank,TldRank\n1,1\n2,2\n") << F::LinkList << QByteArrayList{} << qsizetype(3);
    QTest::newRow("bad lines")
        << QByteArray("x,alpha.test\n0,alpha.test\n-1,alpha.test\n1,al pha.test\n1\n"
                      "1,alpha.test,extra\n2147483648,alpha.test\n1,alpha..test\n1,.alpha.test\n"
                      "1,\n,alpha.test\n5,good.test\n")
        << F::RankDomain << QByteArrayList{"5 good.test"} << qsizetype(11);
    QTest::newRow("largest rank") << QByteArray("2147483647,alpha.test\n") << F::RankDomain
                                  << QByteArrayList{"2147483647 alpha.test"} << qsizetype(0);
    QTest::newRow("binary garbage") << QByteArray("\x00\x01\xff\xfe,\n\x7f\x80\x00 ,,,\n", 14)
                                    << F::RankDomain << QByteArrayList{} << qsizetype(2);
    QTest::newRow("nothing") << QByteArray("\n\r\n  \n") << F::Empty << QByteArrayList{} << qsizetype(0);
}

void tst_SnapshotStore::parsesLines()
{
    QFETCH(QByteArray, text);
    QFETCH(CSnapshotParser::Format, format);
    QFETCH(QByteArrayList, rows);
    QFETCH(qsizetype, malformed);

    std::vector<CSnapshotParser::Row> parsed{{1, "left over"}};
    const CSnapshotParser::Result result = CSnapshotParser::parse(text, parsed);
    QCOMPARE(result.format, format);
    QCOMPARE(result.malformed, malformed);
    QByteArrayList got;
    for (const auto &row : parsed)
        got << QByteArray::number(row.rank) + ' ' + row.domain.toByteArray();
    QCOMPARE(got, rows);
}

void tst_SnapshotStore::readsALineTheSameAnywhere_data()
{
    QTest::addColumn<QByteArray>("line");
    // The first line of a list is read with the header check, the others
    // mostly by a quicker way for plain "rank,domain" lines: both must agree.
    const QByteArray longName = QByteArray(249, 'a') + ".com";
    const std::pair<const char *, QByteArray> lines[] = {
        {"plain", "5,a.test"},
        {"carriage return", "5,a.test\r"},
        {"two carriage returns", "5,a.test\r\r"},
        {"carriage return inside", "5,a.te\rst"},
        {"space before the rank", " 5,a.test"},
        {"space after the rank", "5 ,a.test"},
        {"space before the name", "5, a.test"},
        {"space after the name", "5,a.test "},
        {"tab after the name", "5,a.test\t"},
        {"quoted name", "5,\"a.test\""},
        {"quoted rank", "\"5\",a.test"},
        {"capitals and www", "5,WWW.A-b_c.TEST"},
        {"double dot", "5,a..test"},
        {"leading dot", "5,.a.test"},
        {"trailing dot", "5,a.test."},
        {"lone dot", "5,."},
        {"no name", "5,"},
        {"no rank", ",a.test"},
        {"rank zero", "0,a.test"},
        {"rank with a zero before", "05,a.test"},
        {"rank with a sign", "+5,a.test"},
        {"largest rank", "2147483647,a.test"},
        {"rank past int", "2147483648,a.test"},
        {"eleven digits", "10000000000,a.test"},
        {"third field", "5,a.test,x"},
        {"empty third field", "5,a.test,"},
        {"slash in the name", "5,a/test"},
        {"byte above ASCII", "5,\xC3\xA4.test"},
        {"nul in the name", QByteArray("5,a\0b.test", 10)},
        {"name of 253 bytes", "5," + longName},
        {"name of 254 bytes", "5,b" + longName},
        {"blank", "   "},
        {"empty", ""},
    };
    for (const auto &[name, line] : lines)
        QTest::newRow(name) << line;
}

void tst_SnapshotStore::readsALineTheSameAnywhere()
{
    QFETCH(QByteArray, line);
    const auto read = [](const QByteArray &text, qsizetype skip) {
        std::vector<CSnapshotParser::Row> rows;
        const CSnapshotParser::Result result = CSnapshotParser::parse(text, rows);
        QByteArrayList got{QByteArray::number(result.malformed)};
        for (size_t i = size_t(skip); i < rows.size(); ++i)
            got << QByteArray::number(rows[i].rank) + ' ' + rows[i].domain.toByteArray();
        return got;
    };
    const QByteArrayList alone = read(line + '\n' + "7,next.test\n", 0);
    const QByteArrayList afterAnother = read("1,first.test\n" + line + '\n' + "7,next.test\n", 1);
    QCOMPARE(afterAnother, alone);
    // And at the very end of the text, without a line break.
    QCOMPARE(read("1,first.test\n" + line, 1), read(line, 0));
}

void tst_SnapshotStore::figuresOverThePeriods_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<CSiteFigures>("expected");

    // steady.test: rank 100 + age on each of 95 days; the five oldest lie
    // outside the window. Means of 100..106, 100..129 and 100..189, the
    // last two ending in .5 and so rounded up.
    QTest::newRow("every day") << QStringLiteral("steady.test") << makeFigures(100, 7, 103, 115, 145);
    QTest::newRow("not in the newest list")
        << QStringLiteral("gaps.test") << makeFigures(CSiteFigures::None, CSiteFigures::None, 500, 500, 750);
    QTest::newRow("only long ago") << QStringLiteral("old.test")
                                   << makeFigures(CSiteFigures::None, CSiteFigures::None, CSiteFigures::None,
                                           CSiteFigures::None, 2000);
    QTest::newRow("beyond the window") << QStringLiteral("ancient.test") << CSiteFigures();
    QTest::newRow("only in the older US list") << QStringLiteral("usold.test") << CSiteFigures();
    QTest::newRow("unknown") << QStringLiteral("nowhere.test") << CSiteFigures();
}

void tst_SnapshotStore::figuresOverThePeriods()
{
    QFETCH(QString, domain);
    QFETCH(CSiteFigures, expected);

    QTemporaryDir dir;
    for (int age = 0; age < 95; ++age) {
        QByteArray list = "top-" + QByteArray::number(100 + age) + "\n"; // a header line: malformed
        list += QByteArray::number(100 + age) + ",steady.test\n";
        if (age == 3)
            list += "500,gaps.test\n";
        if (age == 40)
            list += "1000,gaps.test\n";
        if (age == 60)
            list += "2000,old.test\n";
        if (age == 92)
            list += "3000,ancient.test\n";
        write(dir, QStringLiteral("list_") + fileFor(age), list);
    }
    write(dir, fileFor(2, ".us.csv"), "7,steady.test\n");
    write(dir, fileFor(9, ".us.csv"), "8,steady.test\n9,usold.test\n");

    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path());
    QCOMPARE(store.figures(domain), expected);

    QCOMPARE(store.newestDay(), Newest);
    QCOMPARE(store.newestUsDay(), Newest.addDays(-2));
    QCOMPARE(report.days, 90);
    QCOMPARE(report.usLists, 1);
    QCOMPARE(report.filesRead, 91);
    QCOMPARE(report.filesNotNeeded, 6);
    QCOMPARE(report.malformedLines, 90);
    QCOMPARE(report.rows, 90 + 3 + 1);
}

void tst_SnapshotStore::namesMeetWhateverTheSpelling()
{
    QTemporaryDir dir;
    write(dir, fileFor(0), "1,www.Mixed.TEST\n2,mixed.test\n3,www.com\n4,www.www.nested.test\n");
    write(dir, fileFor(1), "10,MIXED.test\n");
    write(dir, fileFor(0, ".US.csv"), "5,mixed.test\n6,WWW.mixed.test\n");

    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path());
    QCOMPARE(report.duplicateLines, 2);
    const CSiteFigures mixed = makeFigures(1, 5, 6, 6, 6);
    for (const char *asked : {"mixed.test", "MIXED.TEST", "www.mixed.test", "Www.Mixed.Test"})
        QCOMPARE(store.figures(QString::fromLatin1(asked)), mixed);
    QCOMPARE(store.figures(u"com").globalRank, 3);
    // Only one leading "www." goes, from the list as from the request.
    QCOMPARE(store.figures(u"www.www.nested.test").globalRank, 4);
    QCOMPARE(store.figures(u"nested.test"), CSiteFigures());
    QCOMPARE(store.figures(u"mïxed.test"), CSiteFigures());
    QCOMPARE(CSnapshotStore::normalized("WWW.Example.Test"), QByteArray("example.test"));
}

void tst_SnapshotStore::skipsBadFilesAndCountsBadLines()
{
    QTemporaryDir dir;
    write(dir, fileFor(0), "1,good.test\n2,other.test\n2,good.test\nnot a line\n");
    write(dir, QStringLiteral("second-") + fileFor(0), "1,intruder.test\n"); // same day again
    write(dir, fileFor(1), "");                                             // empty
    write(dir, fileFor(2), QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR", 16)); // garbage
    write(dir, fileFor(3), "5,good.test\n");
    write(dir, QStringLiteral("README.txt"), "lists go here\n");
    write(dir, QStringLiteral("2026-02-30.csv"), "1,invalid-date.test\n");
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("missing")), dir.filePath(fileFor(4))));
    QVERIFY(QDir(dir.path()).mkdir(fileFor(5)));

    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path());
    QCOMPARE(store.figures(u"good.test"), makeFigures(1, CSiteFigures::None, 3, 3, 3));
    QCOMPARE(store.figures(u"intruder.test"), CSiteFigures());
    QCOMPARE(report.days, 2);
    QCOMPARE(report.filesRead, 2);
    QCOMPARE(report.filesSkipped, 4);
    QCOMPARE(report.filesWithoutDate, 2);
    QCOMPARE(report.rows, 3);
    QCOMPARE(report.malformedLines, 1);
    QCOMPARE(report.duplicateLines, 1);
    QCOMPARE(report.skippedLines(), 2);

    const QString problems = report.problems.join(QLatin1Char('\n'));
    for (const QString &name : QStringList{fileFor(1), fileFor(2), fileFor(4), QStringLiteral("second-") + fileFor(0)})
        QVERIFY2(problems.contains(name + QStringLiteral(": skipped, ")), qPrintable(problems));
    QVERIFY(problems.contains(fileFor(0) + QStringLiteral(": skipped 1 malformed and 1 duplicate")));
    QVERIFY(report.summary().startsWith(
        QStringLiteral("loaded 2 files, 2 days, 3 rows, 2 skipped lines")));
}

void tst_SnapshotStore::emptyFolderServesNothing()
{
    CSnapshotStore store;
    QTemporaryDir dir;
    write(dir, fileFor(0), "1,kept.test\n");
    store.load(dir.path());
    QCOMPARE(store.domainCount(), 1);

    const CSnapshotStore::Report report = store.load(dir.filePath(QStringLiteral("no-such-folder")));
    QCOMPARE(report.filesRead, 0);
    QCOMPARE(store.domainCount(), 0);
    QCOMPARE(store.figures(u"kept.test"), CSiteFigures());
    QVERIFY(!store.newestDay().isValid());
}

void tst_SnapshotStore::numbersManyNames()
{
    // Enough names to make the table grow many times, with prefixes of each other.
    CDomainIndex index;
    constexpr int Count = 50000;
    const auto nameOf = [](int i) -> QByteArray { return "n" + QByteArray::number(i) + ".test"; };
    for (int i = 0; i < Count; ++i) {
        QCOMPARE(index.insert(nameOf(i)), i);
        QCOMPARE(index.insert(nameOf(i / 2)), i / 2);
    }
    QCOMPARE(index.size(), Count);
    for (int i = 0; i < Count; ++i)
        QCOMPARE(index.find(nameOf(i)), i);
    for (const QByteArrayView absent : {"n.test", "n1.tes", "n1.test.", "", "N1.test"})
        QCOMPARE(index.find(absent), CDomainIndex::NotFound);

    // A fold lets every third name go and numbers fewer new ones in their
    // numbers, in place; the table and a block of names in order then agree.
    std::vector<quint64> alive((Count + 63) / 64);
    std::vector<qint32> ids;
    for (int i = 0; i < Count; ++i) {
        if (i % 3 != 0)
            alive[size_t(i) / 64] |= quint64(1) << (i % 64);
        else
            ids.push_back(i);
    }
    CDomainIndex added;
    constexpr int Added = 10000;
    const auto addedName = [](int k) -> QByteArray { return "m" + QByteArray::number(k) + ".test"; };
    for (int k = 0; k < Added; ++k)
        added.insert(addedName(k));
    const int freed = int(ids.size());
    ids.resize(Added);
    CIndexFold fold(index, alive, std::move(added), ids, Count);
    QVERIFY(fold.fitsIn(index));
    fold.applyTo(index);
    CDomainIndex reread;
    QByteArray block;
    index.forEachInOrder([&block](int id, QByteArrayView name) { CDomainIndex::appendInOrder(block, id, name); });
    QCOMPARE(qint64(block.size()), index.sizeInOrder());
    QVERIFY(reread.setNames(block));
    for (const CDomainIndex *numbered : {&index, &reread}) {
        QCOMPARE(numbered->size(), Count);
        QCOMPARE(numbered->placeholders(), freed - Added);
        for (int i = 0; i < Count; ++i)
            QCOMPARE(numbered->find(nameOf(i)), i % 3 != 0 ? i : int(CDomainIndex::NotFound));
        for (int k = 0; k < Added; ++k)
            QCOMPARE(numbered->find(addedName(k)), ids[size_t(k)]);
    }

    index.clear();
    QCOMPARE(index.find(nameOf(1)), CDomainIndex::NotFound);
    QCOMPARE(index.insert(nameOf(7)), 0);
}

void tst_SnapshotStore::readsCompressedLists_data()
{
    const QByteArray list = "1,alpha.test\n2,beta.test\n";
    const QByteArray zipped = CListPacker::zip(QStringLiteral("top-1m.csv"), list);
    const QByteArray gzipped = CListPacker::gzip(list);
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("problem"); // empty: read
    QTest::newRow("plain") << QStringLiteral(".csv") << list << QString();
    QTest::newRow("zip") << QStringLiteral(".csv.zip") << zipped << QString();
    QTest::newRow("gzip") << QStringLiteral(".csv.gz") << gzipped << QString();
    QTest::newRow("gzip named .csv") << QStringLiteral(".csv") << gzipped << QString();
    QTest::newRow("cut-off zip") << QStringLiteral(".zip") << zipped.first(zipped.size() - 30)
                                 << QStringLiteral("skipped, is damaged: ");
    QTest::newRow("cut-off gzip") << QStringLiteral(".gz") << gzipped.first(gzipped.size() / 2)
                                  << QStringLiteral("skipped, is damaged: ");
    QTest::newRow("zip of something else")
        << QStringLiteral(".zip") << CListPacker::zip(QStringLiteral("logo.png"), QByteArray("\x89PNG\r\n\x1a\n", 8))
        << QStringLiteral("skipped, holds no ranking lines");
    QTest::newRow("empty zip") << QStringLiteral(".zip") << QByteArray("PK\x05\x06", 4).append(18, '\0')
                               << QStringLiteral("skipped, ");
}

void tst_SnapshotStore::readsCompressedLists()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, contents);
    QFETCH(QString, problem);

    QTemporaryDir dir;
    const QString name = Newest.toString(Qt::ISODate) + suffix;
    write(dir, name, contents);
    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path());
    if (problem.isEmpty()) {
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.problems.join(QLatin1Char('\n'))));
        QCOMPARE(store.figures(u"beta.test"), makeFigures(2, CSiteFigures::None, 2, 2, 2));
        QCOMPARE(report.rows, 2);
    } else {
        QCOMPARE(report.filesSkipped, 1);
        QCOMPARE(report.problems.size(), 1);
        QVERIFY2(report.problems.constFirst().startsWith(name + QStringLiteral(": ") + problem),
                 qPrintable(report.problems.constFirst()));
    }
}

void tst_SnapshotStore::addsNewerDaysWithoutRereading_data()
{
    QTest::addColumn<int>("held");     // days held before, ending a day before the newest
    QTest::addColumn<int>("added");    // newer days added
    QTest::addColumn<bool>("rewritten"); // the held lists, before the new days come
    QTest::newRow("one day onto a full window") << 95 << 1 << false;
    QTest::newRow("one day onto a week") << 7 << 1 << false;
    QTest::newRow("two days onto a month") << 40 << 2 << false;
    QTest::newRow("a day onto nothing") << 0 << 1 << false;
    // Held days leave their periods as they were added, whatever their files hold now.
    QTest::newRow("rewritten: one day onto a full window") << 95 << 1 << true;
    QTest::newRow("rewritten: one day onto a week") << 7 << 1 << true;
    QTest::newRow("rewritten: two days onto a month") << 40 << 2 << true;
}

void tst_SnapshotStore::addsNewerDaysWithoutRereading()
{
    QFETCH(int, held);
    QFETCH(int, added);
    QFETCH(bool, rewritten);

    // Every day ranks the names differently, some only on some days.
    const auto listOf = [](int age) {
        QByteArray text;
        for (int rank = 1; rank <= 12; ++rank)
            text += QByteArray::number(rank) + ",n" + QByteArray::number((rank * 7 + age) % 15) + ".test\n";
        return text;
    };
    QTemporaryDir dir;
    QTemporaryDir same; // the lists as they were added
    for (int age = added; age < added + held; ++age) {
        write(dir, fileFor(age), listOf(age));
        write(same, fileFor(age), listOf(age));
    }
    CSnapshotStore grown;
    grown.load(dir.path());
    for (int age = 0; age < added; ++age) {
        write(dir, fileFor(age, ".csv.gz"), CListPacker::gzip(listOf(age)));
        write(same, fileFor(age, ".csv.gz"), CListPacker::gzip(listOf(age)));
    }
    if (rewritten) {
        for (int age = added; age < added + held; ++age)
            write(dir, fileFor(age), listOf(age + 3));
    }
    const CSnapshotStore::Report report = grown.addNewer(dir.path());
    QCOMPARE(report.days, added);

    CSnapshotStore fresh;
    fresh.load(same.path());
    QCOMPARE(grown.newestDay(), Newest);
    QCOMPARE(grown.daysHeld(), fresh.daysHeld());
    QCOMPARE(grown.rowsHeld(), fresh.rowsHeld());
    for (int n = 0; n < 16; ++n) {
        const QString name = QStringLiteral("n%1.test").arg(n);
        QCOMPARE(grown.figures(name), fresh.figures(name));
    }
    // Nothing newer: nothing read.
    QCOMPARE(grown.addNewer(dir.path()).filesRead, 0);
}

void tst_SnapshotStore::skipsListsDatedAfterToday()
{
    QTemporaryDir dir;
    for (int age = 0; age < 3; ++age)
        write(dir, fileFor(age), "10,real.test\n");
    // A typo of a year and tomorrow's list, both seen from Newest as today.
    write(dir, QStringLiteral("2206-03-31.csv"), "1,typo.test\n");
    write(dir, fileFor(-1), "1,tomorrow.test\n");
    write(dir, fileFor(-2, ".us.csv"), "1,typo.test\n");

    CSnapshotStore::LoadOptions options;
    options.today = Newest;
    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path(), options);
    QCOMPARE(store.newestDay(), Newest);
    QCOMPARE(store.daysHeld(), 3);
    QCOMPARE(report.filesInFuture, 3);
    QCOMPARE(store.figures(u"real.test"), makeFigures(10, CSiteFigures::None, 10, 10, 10));
    QCOMPARE(store.figures(u"typo.test"), CSiteFigures());
    QCOMPARE(store.figures(u"tomorrow.test"), CSiteFigures());
    const QString problems = report.problems.join(QLatin1Char('\n'));
    for (const QString &name : {QStringLiteral("2206-03-31.csv"), fileFor(-1), fileFor(-2, ".us.csv")})
        QVERIFY2(problems.contains(name + QStringLiteral(": skipped, dated after today (2026-03-31)")),
                 qPrintable(problems));
    QVERIFY(report.summary().endsWith(QStringLiteral("3 dated after today")));

    // Nor does a future list come in as a newer day.
    const CSnapshotStore::Report added = store.addNewer(dir.path(), Newest);
    QCOMPARE(added.days, 0);
    QCOMPARE(added.filesInFuture, 3);
    QCOMPARE(store.newestDay(), Newest);
}

void tst_SnapshotStore::refusesListChangedWhileRead_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cut short") << QStringLiteral("cut");
    QTest::newRow("emptied") << QStringLiteral("empty");
    QTest::newRow("rewritten, same size") << QStringLiteral("rewrite");
    QTest::newRow("grown") << QStringLiteral("grow");
}

void tst_SnapshotStore::refusesListChangedWhileRead()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    QByteArray text;
    for (int rank = 1; rank <= 100000; ++rank)
        text += QByteArray::number(rank) + ",site" + QByteArray::number(rank) + ".test\n";
    write(dir, fileFor(0), text);
    const QString path = dir.filePath(fileFor(0));

    bool changed = false;
    const auto change = [&] {
        changed = true;
        QFile file(path);
        if (how == QLatin1String("cut")) {
            QVERIFY(file.resize(text.size() / 2));
        } else if (how == QLatin1String("empty")) {
            QVERIFY(file.resize(0));
        } else if (how == QLatin1String("rewrite")) {
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(text.size() / 2));
            QVERIFY(file.write("9") == 1);
        } else {
            QVERIFY(file.open(QIODevice::Append));
            QVERIFY(file.write("100001,late.test\n") > 0);
        }
    };
    const CResult<void> read = CListReader::read(path, [&](QByteArrayView) {
        if (!changed)
            change();
        return CResult<CListReader::Next>::success(CListReader::Next::More);
    });
    QVERIFY(changed);
    QVERIFY(!read);
    QVERIFY2(read.message().contains(QStringLiteral("changed while it was read")), qPrintable(read.message()));

    // Left alone, the same file reads whole.
    write(dir, fileFor(0), text);
    const CResult<QByteArray> whole = CListReader::read(path);
    QVERIFY(whole);
    QCOMPARE(whole.value(), text);
}

void tst_SnapshotStore::refusesImplausibleLists_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("problem"); // empty: the list is served
    const auto lines = [](int count, const std::function<QByteArray(int)> &line) {
        QByteArray text;
        for (int i = 1; i <= count; ++i)
            text += line(i) + '\n';
        return text;
    };
    QTest::newRow("a ranking") << lines(5000, [](int i) -> QByteArray { return QByteArray::number(i) + ",site" + QByteArray::number(i) + ".test"; })
                               << QString();
    QTest::newRow("a ranking with a few names twice")
        << lines(5000, [](int i) -> QByteArray { return QByteArray::number(i) + ",site" + QByteArray::number(i % 4900) + ".test"; })
        << QString();
    QTest::newRow("put in by hand without the last line end")
        << lines(5000, [](int i) -> QByteArray { return QByteArray::number(i) + ",site" + QByteArray::number(i) + ".test"; }).chopped(1)
        << QString();
    QTest::newRow("too short to judge") << lines(50, [](int) -> QByteArray { return QByteArray("1,a.test"); }) << QString();
    QTest::newRow("one line repeated") << lines(200000, [](int) -> QByteArray { return QByteArray("1,a.test"); })
                                       << QStringLiteral("distinct domains");
    QTest::newRow("one name, rising ranks") << lines(5000, [](int i) -> QByteArray { return QByteArray::number(i) + ",a.test"; })
                                            << QStringLiteral("distinct domains");
    QTest::newRow("a few names over and over")
        << lines(5000, [](int i) -> QByteArray { return QByteArray::number(i) + ",site" + QByteArray::number(i % 1000) + ".test"; })
        << QStringLiteral("distinct domains");
    QTest::newRow("every name ranked 1") << lines(5000, [](int i) -> QByteArray { return "1,site" + QByteArray::number(i) + ".test"; })
                                         << QStringLiteral("distinct ranks");
}

// A list that is no ranking is named and skipped, and the list of the day before is served instead.
void tst_SnapshotStore::refusesImplausibleLists()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    write(dir, fileFor(0), text);
    write(dir, fileFor(1), "1,held.test\n2,other.test\n");
    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path());
    if (problem.isEmpty()) {
        QCOMPARE(report.filesSkipped, 0);
        QCOMPARE(store.newestDay(), Newest);
        return;
    }
    QCOMPARE(report.filesSkipped, 1);
    QCOMPARE(store.newestDay(), Newest.addDays(-1));
    QCOMPARE(store.figures(u"held.test").globalRank, 1);
    const QString said = report.problems.join(QLatin1Char('\n'));
    QVERIFY2(said.contains(fileFor(0) + QStringLiteral(": skipped, is no plausible ranking")), qPrintable(said));
    QVERIFY2(said.contains(problem), qPrintable(said));
    // A download is held to the same rule.
    const CResult<CSnapshotStore::Checked> checked = CSnapshotStore::checkList(dir.filePath(fileFor(0)));
    QVERIFY(!checked);
    QVERIFY2(checked.message().contains(problem), qPrintable(checked.message()));
}

void tst_SnapshotStore::figuresAsOfPastDay_data()
{
    QTest::addColumn<int>("age"); // of the day asked for, before Newest
    QTest::newRow("the newest day") << 0;
    QTest::newRow("a day back") << 1;
    QTest::newRow("a day without a list") << 5;
    QTest::newRow("two weeks back") << 14;
    QTest::newRow("past a month back") << 37;
    QTest::newRow("the oldest list") << 119;
    QTest::newRow("before every list") << 120;
}

void tst_SnapshotStore::figuresAsOfPastDay()
{
    QFETCH(int, age);

    // 120 days of lists, a few missing; each ranks 15 names differently.
    QTemporaryDir dir;
    std::map<int, std::map<QByteArray, int>> lists; // by age
    std::map<int, std::map<QByteArray, int>> usLists;
    for (int day = 0; day < 120; ++day) {
        if (day % 11 == 5)
            continue;
        QByteArray text;
        for (int rank = 1; rank <= 12; ++rank) {
            const QByteArray name = 'n' + QByteArray::number((rank * 7 + day * 3) % 15) + ".test";
            text += QByteArray::number(rank * 100 + day) + ',' + name + '\n';
            lists[day].emplace(name, rank * 100 + day);
        }
        write(dir, fileFor(day), text);
        if (day % 10 == 0) {
            write(dir, fileFor(day, ".us.csv"), "7,n" + QByteArray::number(day % 15) + ".test\n");
            usLists[day].emplace('n' + QByteArray::number(day % 15) + ".test", 7);
        }
    }

    const QDate asOf = Newest.addDays(-age);
    CSnapshotStore::LoadOptions options;
    options.today = Newest;
    options.asOf = asOf;
    CSnapshotStore store;
    store.load(dir.path(), options);

    // Worked out from the lists themselves.
    const auto anchor = lists.lower_bound(age);
    if (anchor == lists.end()) {
        QVERIFY(!store.newestDay().isValid());
        return;
    }
    QCOMPARE(store.newestDay(), Newest.addDays(-anchor->first));
    const auto us = usLists.lower_bound(age);
    for (int n = 0; n < 15; ++n) {
        const QByteArray name = 'n' + QByteArray::number(n) + ".test";
        const CSiteFigures expected = CExpectedFigures::of(name, lists, anchor, usLists, us);
        QCOMPARE(store.figures(QString::fromLatin1(name)), expected);
    }
}

void tst_SnapshotStore::heldPastDaysMatchTheLists_data()
{
    QTest::addColumn<int>("age"); // of the day asked for, before Newest
    for (const int age : {0, 1, 4, 6, 7, 8, 29, 30, 31, 52, 79, 80, 200})
        QTest::newRow(qPrintable(QStringLiteral("%1 days back").arg(age))) << age;
}

void tst_SnapshotStore::heldPastDaysMatchTheLists()
{
    QFETCH(int, age);
    // 80 days of lists, every one held, some days missing; names come and
    // go, some listed twice or written with capitals and "www.".
    QTemporaryDir dir;
    for (int day = 0; day < 80; ++day) {
        if (day % 9 == 4)
            continue;
        QByteArray text;
        for (int rank = 1; rank <= 30; ++rank) {
            const int n = (rank * 11 + day * 5) % 45;
            text += QByteArray::number(rank * 10 + day % 7) + (n % 6 == 0 ? ",WWW.N" : ",n") + QByteArray::number(n)
                + ".test\n";
        }
        text += "999,n" + QByteArray::number(day % 45) + ".test\n";
        write(dir, fileFor(day), text);
    }
    write(dir, fileFor(0, ".us.csv"), "4,n3.test\n");
    CSnapshotStore::LoadOptions options;
    options.today = Newest;
    CSnapshotStore held;
    held.load(dir.path(), options);

    // What reading the lists again as of that day gives.
    options.asOf = Newest.addDays(-age);
    CSnapshotStore reread;
    reread.load(dir.path(), options);
    for (int n = 0; n < 46; ++n) {
        const QString name = QStringLiteral("n%1.test").arg(n);
        QDate listDay;
        QCOMPARE(held.figuresAsOf(name, options.asOf, &listDay), reread.figures(name));
        QCOMPARE(listDay, reread.newestDay());
    }
}

void tst_SnapshotStore::holdsThePastDaysItIsGiven_data()
{
    QTest::addColumn<int>("heldDays");
    QTest::addColumn<int>("every"); // one list kept every that many days, past the newest 90
    QTest::addColumn<int>("age");   // of the day asked for, before Newest
    QTest::addColumn<QString>("how");
    struct Case
    {
        const char *name;
        int heldDays;
        int every;
        int age;
        bool cached; // read back from the cache too (a sync of the disk each: kept to a few)
    };
    const Case cases[] = {
        {"a year, the newest day", 365, 1, 0, false},
        {"a year, 100 days back", 365, 1, 100, true},
        {"a year, a gap among old days", 365, 1, 229, false}, // no list that day: the one before it
        {"a year, the oldest held", 365, 1, 364, false},
        {"a year, past the days held", 365, 1, 365, false},
        {"a year at one list a week, on a kept day", 365, 7, 189, false},
        {"a year at one list a week, between kept days", 365, 7, 150, true},
        {"two years, 700 days back", 730, 1, 700, true},
        {"the default, 100 days back", 90, 1, 100, false},
    };
    for (const Case &c : cases) {
        for (const char *how : {"loaded", "cached", "folded"}) {
            if (!c.cached && QLatin1StringView(how) == QLatin1StringView("cached"))
                continue;
            QTest::newRow(qPrintable(QStringLiteral("%1 (%2)").arg(QLatin1StringView(c.name), QLatin1StringView(how))))
                << c.heldDays << c.every << c.age << QString::fromLatin1(how);
        }
    }
}

void tst_SnapshotStore::holdsThePastDaysItIsGiven()
{
    QFETCH(int, heldDays);
    QFETCH(int, every);
    QFETCH(int, age);
    QFETCH(QString, how);

    // Ten days more than are held, a gap now and then; past the newest 90
    // days only every that many days' list.
    QTemporaryDir dir;
    CExpectedFigures::Lists held; // by age, as the store should hold them
    for (int day = 0; day < heldDays + 10; ++day) {
        if (day % 53 == 17 || (day >= CSnapshotStore::WindowDays && day % every != 0))
            continue;
        QByteArray text;
        CExpectedFigures::List list;
        for (int rank = 1; rank <= 12; ++rank) {
            const QByteArray name = 'n' + QByteArray::number((rank * 7 + day * 3) % 20) + ".test";
            text += QByteArray::number(rank * 100 + day % 50) + ',' + name + '\n';
            list.emplace(name, rank * 100 + day % 50);
        }
        write(dir, fileFor(day), text);
        if (day < heldDays)
            held.emplace(day, list);
    }

    CSnapshotStore::LoadOptions options;
    options.today = how == QLatin1String("folded") ? Newest.addDays(-1) : Newest;
    options.heldDays = heldDays;
    CSnapshotStore store;
    store.load(dir.path(), options);
    if (how == QLatin1String("cached")) {
        const QString path = dir.filePath(CSnapshotStore::CacheFileName);
        QVERIFY(CStoreCache::write(path, store, {}, "print"));
        CSnapshotStore::Report report;
        CSnapshotStore cached;
        const CStoreCache::Read read = CStoreCache::read(path, "print", cached, report);
        QCOMPARE(read.why, QString());
        store.swap(cached);
    } else if (how == QLatin1String("folded")) {
        // The newest day comes later: a day moves past the newest 90, one leaves.
        CSnapshotStore::Report report;
        QSet<QString> wanting;
        std::optional<CSnapshotStore> folded =
            store.foldedWith(dir.path(), Newest, QDateTime::currentDateTime().addDays(1), report, wanting);
        QVERIFY(folded);
        store.swap(*folded);
    }

    QCOMPARE(store.daysHeld(), int(held.size()));
    QCOMPARE(store.oldestDay(), Newest.addDays(-held.rbegin()->first));
    const auto pastWindow = [](const auto &day) { return day.first >= CSnapshotStore::WindowDays; };
    QCOMPARE(store.daysOnDisk(), int(std::count_if(held.begin(), held.end(), pastWindow)));
    const auto anchor = held.lower_bound(age);
    const CExpectedFigures::Lists noUs;
    for (int n = 0; n < 21; ++n) {
        const QByteArray name = 'n' + QByteArray::number(n) + ".test";
        QDate listDay;
        const CSiteFigures figures = store.figuresAsOf(QString::fromLatin1(name), Newest.addDays(-age), &listDay);
        if (anchor == held.end()) {
            QVERIFY(!listDay.isValid());
            QCOMPARE(figures, CSiteFigures());
            continue;
        }
        QCOMPARE(listDay, Newest.addDays(-anchor->first));
        QCOMPARE(figures, CExpectedFigures::of(name, held, anchor, noUs, noUs.end()));
    }
}

void tst_SnapshotStore::readsAnyListInLinearTime_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("gzipped");
    QTest::addColumn<qint64>("maxRows");
    QTest::addColumn<QString>("problem"); // empty: the list is served
    QTest::addColumn<qint64>("rows");     // served
    const auto ranking = [](int from, int to) {
        QByteArray text;
        for (int rank = from; rank <= to; ++rank)
            text += QByteArray::number(rank) + ",site" + QByteArray::number(rank) + ".test\n";
        return text;
    };
    const QByteArray hugeLine = QByteArray(64 << 20, 'x') + '\n';
    const QString tooLong = QStringLiteral("has a line longer than 4 KiB");
    const QString notRows = QStringLiteral("are blank or malformed");
    const qint64 cap = CSnapshotStore::DefaultMaxRows;
    QTest::newRow("a ranking") << ranking(1, 3000) << false << cap << QString() << qint64(3000);
    QTest::newRow("one line of 64 MB") << hugeLine << false << cap << tooLong << qint64(0);
    QTest::newRow("one line of 64 MB, gzipped") << hugeLine << true << cap << tooLong << qint64(0);
    QTest::newRow("one line of 64 MB after a ranking") << ranking(1, 3000) + hugeLine << false << cap << tooLong << qint64(0);
    QTest::newRow("a line of 5 KiB among the rows")
        << ranking(1, 1000) + "1001," + QByteArray(5000, 'a') + ".test\n" + ranking(1002, 3000) << false << cap
        << QStringLiteral("has a line longer than 4 KiB (line 1001)") << qint64(0);
    QTest::newRow("a line of 4,000 bytes is only malformed")
        << ranking(1, 1000) + "1001," + QByteArray(4000, 'a') + ".test\n" + ranking(1002, 3000) << false << cap
        << QString() << qint64(2999);
    QTest::newRow("2 MB of blank lines") << QByteArray(2 << 20, '\n') << false << cap << notRows << qint64(0);
    QTest::newRow("2 MB of blank lines, gzipped") << QByteArray(2 << 20, '\n') << true << cap << notRows << qint64(0);
    QTest::newRow("a ranking, then 2 MB of blank lines")
        << ranking(1, 3000) + QByteArray(2 << 20, '\n') << false << cap << notRows << qint64(0);
    QTest::newRow("a few blank lines in a ranking") << ranking(1, 1500) + "\n\n \n" + ranking(1501, 3000) << false << cap
                                                    << QString() << qint64(3000);
    QTest::newRow("2 MB of malformed lines") << QByteArray("x\n").repeated(1 << 20) << false << cap << notRows << qint64(0);
    QByteArray mostlyMalformed;
    for (int rank = 1; rank <= 1000; ++rank)
        mostlyMalformed += ranking(rank, rank) + "x\nx\nx\n";
    QTest::newRow("mostly malformed lines") << mostlyMalformed << false << cap << notRows << qint64(0);
    QTest::newRow("without the last line end") << ranking(1, 3000).chopped(1) << false << cap << QString() << qint64(3000);
    QTest::newRow("up to the most rows") << ranking(1, 3000) << false << qint64(3000) << QString() << qint64(3000);
    QTest::newRow("past the most rows") << ranking(1, 3000) << false << qint64(1000)
                                        << QStringLiteral("read up to its first 1000 rows") << qint64(1000);
    QTest::newRow("past the most rows, gzipped") << ranking(1, 3000) << true << qint64(1000)
                                                 << QStringLiteral("read up to its first 1000 rows") << qint64(1000);
}

// Whatever a list holds, it is read in one pass over its text, a piece at
// a time: a line no ranking has is refused where it is met, lines that give
// no row count against the list from its first megabyte, and no more rows
// than the most are read (the rest of the file is not).
void tst_SnapshotStore::readsAnyListInLinearTime()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, gzipped);
    QFETCH(qint64, maxRows);
    QFETCH(QString, problem);
    QFETCH(qint64, rows);
    QTemporaryDir dir;
    write(dir, fileFor(0, gzipped ? ".csv.gz" : ".csv"), gzipped ? CListPacker::gzip(text) : text);
    text.clear();
    CSnapshotStore::LoadOptions options;
    options.today = Newest;
    options.maxRows = maxRows;
    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(dir.path(), options);
    const QString said = report.problems.join(QLatin1Char('\n'));
    QCOMPARE(report.rows, rows);
    QCOMPARE(report.filesSkipped, rows == 0 ? 1 : 0);
    QVERIFY2(problem.isEmpty() ? said.isEmpty() || said.contains(QStringLiteral("malformed and")) : said.contains(problem),
             qPrintable(said));
    // A download is held to the same rule.
    const CResult<CSnapshotStore::Checked> checked = CSnapshotStore::checkList(dir.filePath(fileFor(0, gzipped ? ".csv.gz" : ".csv")), maxRows);
    QCOMPARE(bool(checked), rows > 0);
    if (checked)
        QCOMPARE(checked.value().capped, problem.contains(QStringLiteral("read up to")));
}


void tst_SnapshotStore::foldsInWhatTheFolderHolds_data()
{
    QTest::addColumn<QList<int>>("held");  // ages of the lists there at the load
    QTest::addColumn<QList<int>>("added"); // ages of the lists put there after it
    QTest::addColumn<QList<int>>("again"); // and after that fold, for a second
    QList<int> window;
    for (int age = 1; age <= CSnapshotStore::WindowDays; ++age)
        window << age;
    QList<int> gapped = window;
    gapped.removeAll(40);
    gapped.removeAll(41);
    QTest::newRow("a newer day, the oldest let go") << window << QList<int>{0} << QList<int>{-1};
    // Then two days go and one comes: free numbers among names held.
    QTest::newRow("two days that fill a gap") << gapped << QList<int>{40, 41} << QList<int>{-1};
    QTest::newRow("a gap and a newer day at once") << gapped << QList<int>{0, 41} << QList<int>{-2, -1};
    QTest::newRow("three newer days") << window << QList<int>{-2, -1, 0} << QList<int>{};
    // Fewer names come than go: numbers stay free, then a gap fill takes some.
    QTest::newRow("a day three days newer, then the gap") << window << QList<int>{-3} << QList<int>{-1};
    QTest::newRow("into an empty store") << QList<int>{} << QList<int>{0, 1} << QList<int>{-1};
    // A third of the names let go at once: the block of names is built anew.
    QTest::newRow("a lone day let go for a newer one") << QList<int>{90} << QList<int>{0} << QList<int>{-1};
}

namespace {

// Each day a core of names and a tail of its own, so that a day let go
// takes names with it.
QByteArray foldedListOf(int age)
{
    QByteArray text;
    for (int rank = 1; rank <= 30; ++rank) {
        const QByteArray name = rank <= 20 ? QByteArray("core" + QByteArray::number((rank + age + 200) % 20))
                                           : QByteArray("tail" + QByteArray::number(age + 10) + '-' + QByteArray::number(rank));
        text += QByteArray::number(rank) + ',' + name + ".test\n";
    }
    return text;
}

// store answers as a load of the folder does, names let go included.
void answersAsLoaded(const CSnapshotStore &store, const QString &folder, const CSnapshotStore::LoadOptions &options)
{
    CSnapshotStore loaded;
    loaded.load(folder, options);
    QCOMPARE(store.daysHeld(), loaded.daysHeld());
    QCOMPARE(store.newestDay(), loaded.newestDay());
    QCOMPARE(store.oldestDay(), loaded.oldestDay());
    QCOMPARE(store.rowsHeld(), loaded.rowsHeld());
    QCOMPARE(store.domainCount(), loaded.domainCount());
    for (int age = -3; age <= CSnapshotStore::WindowDays + 2; age += 1) {
        for (const QByteArray &name : {QByteArray("core3.test"), QByteArray("tail" + QByteArray::number(age + 10) + "-25.test")}) {
            QDate storeDay;
            QDate loadedDay;
            const QString domain = QString::fromLatin1(name);
            QCOMPARE(store.figures(domain), loaded.figures(domain));
            QCOMPARE(store.figuresAsOf(domain, Newest.addDays(-age), &storeDay),
                     loaded.figuresAsOf(domain, Newest.addDays(-age), &loadedDay));
            QCOMPARE(storeDay, loadedDay);
        }
    }
}

} // namespace

// Lists put into the folder after the load are folded in, newer days and
// gaps alike, and the store then answers as a load of the folder would:
// before the fold's changes to the index are made in place, after, after a
// second fold and from the cache written then.
void tst_SnapshotStore::foldsInWhatTheFolderHolds()
{
    QFETCH(QList<int>, held);
    QFETCH(QList<int>, added);
    QFETCH(QList<int>, again);
    const QDate today = Newest.addDays(3);
    QTemporaryDir dir;
    for (const int age : held)
        write(dir, fileFor(age), foldedListOf(age));
    CSnapshotStore::LoadOptions options;
    options.today = today;
    CSnapshotStore store;
    store.load(dir.path(), options);
    for (const int age : added)
        write(dir, fileFor(age), foldedListOf(age));
    write(dir, fileFor(60, ".csv.gz"), "no list"); // found wanting, and named once
    const QDateTime settled = QDateTime::currentDateTime().addSecs(1);
    QSet<QString> wanting;
    CSnapshotStore::Report report;
    std::optional<CSnapshotStore> folded = store.foldedWith(dir.path(), today, settled, report, wanting);
    QVERIFY(folded);
    QCOMPARE(report.days, int(added.size()));
    QCOMPARE(wanting.size(), held.contains(60) ? 0 : 1);
    QCOMPARE(folded->lacking(dir.path(), today, wanting, settled).size(), size_t(0));
    QFile::remove(dir.filePath(fileFor(60, ".csv.gz")));
    answersAsLoaded(*folded, dir.path(), options);
    store.takeFolded(*folded);
    answersAsLoaded(store, dir.path(), options);

    if (!again.isEmpty()) {
        for (const int age : again)
            write(dir, fileFor(age), foldedListOf(age));
        folded = store.foldedWith(dir.path(), today, settled, report, wanting);
        QVERIFY(folded);
        store.takeFolded(*folded);
        answersAsLoaded(store, dir.path(), options);
    }
    const QString path = dir.filePath(CSnapshotStore::CacheFileName);
    QVERIFY(CStoreCache::write(path, store, {}, "print"));
    CSnapshotStore cached;
    const CStoreCache::Read read = CStoreCache::read(path, "print", cached, report);
    QCOMPARE(read.why, QString());
    answersAsLoaded(cached, dir.path(), options);
}

QTEST_GUILESS_MAIN(tst_SnapshotStore)
#include "tst_SnapshotStore.moc"
