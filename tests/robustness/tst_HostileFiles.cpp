#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "io/CDomainImportFilter.h"
#include "CTempHome.h"

#include <QBuffer>
#include <QTest>
#include <QTextStream>

#include <memory>

namespace {

QByteArray garbage(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 24);
    }
    return bytes;
}

// Garbage that stays on one line.
QByteArray garbageLine(qsizetype size, quint32 seed)
{
    QByteArray bytes = garbage(size, seed);
    bytes.replace('\n', 'x');
    return bytes;
}

const QByteArray FirstRecord = "first.com,1234,56,1234,1301,1299,1402,05/08/2012";
const QByteArray LastRecord = "last.com,NA,NA,0.01%,0.02%,0.03%,0.04%,06/08/2012";

struct History
{
    QList<CAlexaRankData> records;
    CDomainDateList dates;
};

std::unique_ptr<History> loadHistory(const CTempHome &home)
{
    auto history = std::make_unique<History>();
    CDataStore::loadHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), history->records, history->dates);
    return history;
}

bool holds(const QList<CAlexaRankData> &records, const QByteArray &line)
{
    const QString text = QString::fromUtf8(line);
    return std::any_of(records.cbegin(), records.cend(),
                       [&](const CAlexaRankData &r) { return r.toString() == text; });
}

bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    });
}

} // namespace

class tst_HostileFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void historyKeepsEveryRecord_data();
    void historyKeepsEveryRecord();
    void domainListKeepsEveryName_data();
    void domainListKeepsEveryName();
    void importTakesOnlyNames_data();
    void importTakesOnlyNames();

private:
    void addHostileFiles(const QByteArray &first, const QByteArray &last);
};

// The same kinds of damage for every reader, around two good lines.
void tst_HostileFiles::addHostileFiles(const QByteArray &first, const QByteArray &last)
{
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("binary garbage")
        << garbage(64 * 1024, 1) + '\n' + first + '\n' + garbage(64 * 1024, 2) + '\n' + last + '\n';
    QTest::newRow("NUL bytes")
        << QByteArray(4096, '\0') + '\n' + first + QByteArray("\n\0\0\n\0x.com,1,2\n", 15) + last;
    QTest::newRow("invalid UTF-8")
        << QByteArray("\xc3\x28\xff\xfe\n\xe2\x82\n\xed\xa0\x80.com\n") + first + '\n' + last + "\n\xc0\xaf";
    QTest::newRow("stray carriage returns")
        << first + "\r\r\n\r\n\r\r\r\n" + last + "\r\r\n";
    QTest::newRow("byte-order marks inside")
        << QByteArray("\n\xef\xbb\xbf") + first + "\n\xef\xbb\xbf\xef\xbb\xbf\n\xef\xbb\xbf" + last + '\n';
    QTest::newRow("10 MB line")
        << first + '\n' + garbageLine(10 * 1024 * 1024, 3) + '\n' + last + '\n';
    QTest::newRow("100,000 empty lines") << first + QByteArray(100000, '\n') + last + '\n';
    QTest::newRow("100,000 CRLF lines") << first + QByteArray("\r\n").repeated(100000) + last;
}

void tst_HostileFiles::historyKeepsEveryRecord_data()
{
    addHostileFiles(FirstRecord, LastRecord);
}

void tst_HostileFiles::historyKeepsEveryRecord()
{
    QFETCH(QByteArray, contents);
    CTempHome home;
    home.writeFile(home.historyPath(), contents);

    const auto loaded = loadHistory(home);
    QVERIFY(holds(loaded->records, FirstRecord));
    QVERIFY(holds(loaded->records, LastRecord));

    // Whatever was loaded comes back whole after the save at the end of a run.
    const CResult<> saved = CDataStore::saveHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), loaded->records);
    QVERIFY2(saved, qPrintable(saved.message()));
    const auto reloaded = loadHistory(home);
    QCOMPARE(reloaded->records.size(), loaded->records.size());
    QVERIFY(holds(reloaded->records, FirstRecord));
    QVERIFY(holds(reloaded->records, LastRecord));
    QCOMPARE(reloaded->dates.count(), loaded->dates.count());
}

void tst_HostileFiles::domainListKeepsEveryName_data()
{
    addHostileFiles("first.com", "last.com");
}

void tst_HostileFiles::domainListKeepsEveryName()
{
    QFETCH(QByteArray, contents);
    CTempHome home;
    home.writeFile(home.domainListPath(), contents);

    const QStringList loaded = CDataStore::loadDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())));
    QVERIFY(loaded.contains(QStringLiteral("first.com")));
    QVERIFY(loaded.contains(QStringLiteral("last.com")));
    for (const QString &name : loaded)
        QVERIFY(!name.isEmpty() && !name.contains(u'\n'));

    const CResult<> saved = CDataStore::saveDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())), loaded);
    QVERIFY2(saved, qPrintable(saved.message()));
    const QStringList reloaded = CDataStore::loadDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())));
    QVERIFY(reloaded.contains(QStringLiteral("first.com")));
    QVERIFY(reloaded.contains(QStringLiteral("last.com")));
    // Only names that were nothing but white space can vanish in the save.
    const qsizetype blank = std::count_if(loaded.cbegin(), loaded.cend(),
                                          [](const QString &n) { return n.trimmed().isEmpty(); });
    QCOMPARE(reloaded.size(), loaded.size() - blank);
}

void tst_HostileFiles::importTakesOnlyNames_data()
{
    const QByteArray first = "http://www.first.com/some/page";
    const QByteArray last = "last.com";
    addHostileFiles(first, last);
    // Lines the pattern alone would take: its labels may hold any character.
    QTest::newRow("10 MB name") << first + '\n' + QByteArray(10 * 1024 * 1024, 'a') + ".com\n" + last;
    QTest::newRow("control characters in names")
        << first + QByteArray("\n\0evil.com\n\x1b[2Jevil.com\nev\x7fil.com\nevil.com\x01/x\n", 46)
           + "\xe2\x80\xae" "moc.evil.com\n" + last;
}

void tst_HostileFiles::importTakesOnlyNames()
{
    QFETCH(QByteArray, contents);
    // Read as the import reads its file: a text stream, one line at a time.
    QBuffer file(&contents);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream stream(&file);
    CDomainImportFilter filter;
    QStringList entries;
    qsizetype lines = 0;
    for (QString line = stream.readLine(); !line.isNull(); line = stream.readLine()) {
        ++lines;
        if (filter.check(line) == CDomainImportFilter::Verdict::Accepted)
            entries.append(filter.entry());
    }
    QVERIFY(lines >= contents.count('\n'));

    QVERIFY(entries.contains(QStringLiteral("  first.com")));
    QVERIFY(entries.contains(QStringLiteral("  last.com")));
    for (const QString &entry : std::as_const(entries)) {
        QVERIFY2(!hasControl(entry), qPrintable(entry.toUtf8().toPercentEncoding()));
        QVERIFY2(entry.size() <= 2 + 253, qPrintable(entry.left(40)));
        QVERIFY(!entry.contains(u','));
    }
}

QTEST_GUILESS_MAIN(tst_HostileFiles)
#include "tst_HostileFiles.moc"
