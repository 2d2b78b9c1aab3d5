#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDate.h"
#include "CDomainDateList.h"
#include "CFullDisk.h"
#include "CTempHome.h"
#include "DecodedHistory.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

namespace {

struct Loaded
{
    QList<CAlexaRankData> history;
    CDomainDateList dates;
};

std::unique_ptr<Loaded> parse(const QByteArray &contents)
{
    auto loaded = std::make_unique<Loaded>();
    CDataStore::parseHistory(contents, loaded->history, loaded->dates);
    return loaded;
}

QByteArray historyBytes(int records)
{
    QByteArray bytes;
    for (int i = 0; i < records; ++i)
        bytes += "site" + QByteArray::number(i) + ".com,1,2,3,4,5,6,05/08/2012\n";
    return bytes;
}

} // namespace

class tst_DataStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pathsLieUnderHome();
    void establishCreatesBothLevels();
    void establishFailsWhereAFileIsInTheWay();
    void missingFilesReadAsEmpty();
    void historyRoundTrip_data();
    void historyRoundTrip();
    void emptyLinesAreSkipped();
    void domainListKeepsSpacesUntilSaved();
    void latestDatesHoldTheLatestCalendarDate();
    void byteOrderMarksAreRead_data();
    void byteOrderMarksAreRead();
    void garbageLoadsWhatIsThere();
    void bytesReadAsTheDecodedFile_data();
    void bytesReadAsTheDecodedFile();
    void emptyHistorySavesAnEmptyFile();
    void failedSaveKeepsTheOldFile();
    void saveIntoReadOnlyFolder();
};

void tst_DataStore::pathsLieUnderHome()
{
    CTempHome home;
    QCOMPARE(CDataStore::dataDirectory(home.path()), home.path() + QStringLiteral("/.qorvex/Sorvane"));
    QCOMPARE(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())), home.path() + QStringLiteral("/.qorvex/Sorvane/domains.dat"));
    QCOMPARE(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), home.path() + QStringLiteral("/.qorvex/Sorvane/db.dat"));
}

void tst_DataStore::establishCreatesBothLevels()
{
    CTempHome home;
    QCOMPARE(CDataStore::establishDataDirectory(CDataStore::dataDirectory(home.path())), 0);
    QVERIFY(QFileInfo(CDataStore::dataDirectory(home.path())).isDir());
    QCOMPARE(CDataStore::establishDataDirectory(CDataStore::dataDirectory(home.path())), 0);
}

void tst_DataStore::establishFailsWhereAFileIsInTheWay()
{
    CTempHome home;
    home.writeFile(home.path() + QStringLiteral("/.qorvex"), "not a folder");
    // Both levels fail, and each is reported.
    QCOMPARE(CDataStore::establishDataDirectory(CDataStore::dataDirectory(home.path())), 2);
}

void tst_DataStore::missingFilesReadAsEmpty()
{
    CTempHome home;
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::loadHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), history, dates);
    QVERIFY(history.isEmpty());
    QCOMPARE(dates.count(), 0);
    QVERIFY(CDataStore::loadDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path()))).isEmpty());
}

void tst_DataStore::historyRoundTrip_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("unchanged") << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\nb.com,NA,NA,NA,NA,NA,NA,06/08/2012\n")
                               << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\nb.com,NA,NA,NA,NA,NA,NA,06/08/2012\n");
    QTest::newRow("no final line end") << QByteArray("a.com,1,2,3,4,5,6,05/08/2012")
                                       << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\n");
    QTest::newRow("CR LF") << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\r\nb.com,1,2,3,4,5,6,05/08/2012\r\n")
                           << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\nb.com,1,2,3,4,5,6,05/08/2012\n");
    QTest::newRow("ninth field dropped") << QByteArray("a.com,1,2,3,4,5,6,05/08/2012,x,y\n")
                                         << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\n");
    QTest::newRow("empty field kept") << QByteArray("a.com,,2,3,4,5,6,05/08/2012\n")
                                      << QByteArray("a.com,,2,3,4,5,6,05/08/2012\n");
    QTest::newRow("short line filled") << QByteArray("a.com,1,2\n") << QByteArray("a.com,1,2,,,,,\n");
    QTest::newRow("UTF-8 name") << QByteArray("b\xc3\xbc\xc3\xa7\xc3\xbc.com,1,2,3,4,5,6,05/08/2012\n")
                                << QByteArray("b\xc3\xbc\xc3\xa7\xc3\xbc.com,1,2,3,4,5,6,05/08/2012\n");
    QTest::newRow("duplicates kept") << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\na.com,1,2,3,4,5,6,05/08/2012\n")
                                     << QByteArray("a.com,1,2,3,4,5,6,05/08/2012\na.com,1,2,3,4,5,6,05/08/2012\n");
}

void tst_DataStore::historyRoundTrip()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);
    CTempHome home;
    home.writeFile(home.historyPath(), file);
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::loadHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), history, dates);
    const CResult<> written = CDataStore::saveHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), history);
    QVERIFY2(written, qPrintable(written.message()));
    QCOMPARE(CTempHome::readFile(home.historyPath()), saved);
}

void tst_DataStore::emptyLinesAreSkipped()
{
    // Lines after an empty one used to be dropped and then erased by the next save.
    const auto loaded = parse("a.com,1,2,3,4,5,6,05/08/2012\n\n\r\nb.com,1,2,3,4,5,6,05/08/2012\n\n");
    QCOMPARE(loaded->history.size(), 2);
    QCOMPARE(loaded->history.at(1).domain(), QStringLiteral("b.com"));
    QCOMPARE(CDataStore::parseDomainList("a.com\n\nb.com\n"), (QStringList{QStringLiteral("a.com"), QStringLiteral("b.com")}));
}

void tst_DataStore::domainListKeepsSpacesUntilSaved()
{
    CTempHome home;
    home.writeFile(home.domainListPath(), "  spaced.com \nplain.com\n");
    const QStringList domains = CDataStore::loadDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())));
    QCOMPARE(domains, (QStringList{QStringLiteral("  spaced.com "), QStringLiteral("plain.com")}));
    QVERIFY(CDataStore::saveDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())), domains));
    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray("spaced.com\nplain.com\n"));
    QVERIFY(CDataStore::saveDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())), {QStringLiteral("a.com"), QStringLiteral("   ")}));
    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray("a.com\n"));
    QVERIFY(CDataStore::saveDomainList(CDataStore::domainListPath(CDataStore::dataDirectory(home.path())), {}));
    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray());
}

void tst_DataStore::latestDatesHoldTheLatestCalendarDate()
{
    const auto loaded = parse("a.com,1,2,3,4,5,6,05/08/2012\n"
                              "b.com,1,2,3,4,5,6,01/01/2013\n"
                              "a.com,1,2,3,4,5,6,31/07/2012\n"
                              "a.com,1,2,3,4,5,6,01/09/2012\n");
    QCOMPARE(loaded->history.size(), 4);
    QCOMPARE(loaded->dates.count(), 2);
    QCOMPARE(loaded->dates.at(0).domain(), QStringLiteral("a.com"));
    QCOMPARE(loaded->dates.at(0).date(), QStringLiteral("01/09/2012"));
}

void tst_DataStore::byteOrderMarksAreRead_data()
{
    QTest::addColumn<QByteArray>("contents");
    const QString line = QStringLiteral("caf\u00e9.com,1,2,3,4,5,6,05/08/2012\n");
    QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbf" + line.toUtf8());
    QByteArray utf16("\xff\xfe");
    utf16.append(reinterpret_cast<const char *>(line.utf16()), line.size() * 2);
    QTest::newRow("UTF-16 little-endian") << utf16;
}

void tst_DataStore::byteOrderMarksAreRead()
{
    QFETCH(QByteArray, contents);
    const auto loaded = parse(contents);
    QCOMPARE(loaded->history.size(), 1);
    QCOMPARE(loaded->history.at(0).domain(), QStringLiteral("caf\u00e9.com"));
}

void tst_DataStore::garbageLoadsWhatIsThere()
{
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919) % 256));
    QByteArray contents = garbage + "\nok.com,1,2,3,4,5,6,05/08/2012\n" + QByteArray(100000, '\n')
                          + QByteArray(3, '\0') + "\nlast.com,1,2,3,4,5,6,06/08/2012\n";
    const auto loaded = parse(contents);
    QVERIFY(!loaded->history.isEmpty());
    QCOMPARE(loaded->history.constLast().domain(), QStringLiteral("last.com"));
    bool sawOk = false;
    for (const CAlexaRankData &record : loaded->history)
        sawOk = sawOk || record.domain() == u"ok.com";
    QVERIFY(sawOk);

    const QByteArray longLine = QByteArray(10 * 1024 * 1024, 'x') + ",1,2,3,4,5,6,05/08/2012\n";
    QCOMPARE(parse(longLine)->history.size(), 1);
}

void tst_DataStore::bytesReadAsTheDecodedFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("mark inside a line") << QByteArray("a.com,1,\xEF\xBB\xBF" "2,3,4,5,6,x\n");
    QTest::newRow("marks opening lines")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF" "a.com,1\n\xEF\xBB\xBF\r\nb.com\n");
    QTest::newRow("mark opening the file and a line")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "a.com,1,2\n");
    QTest::newRow("cut mark") << QByteArray("\xEF\xBB,a.com\n\xEF\n\xEF\xBBx\n");
    QTest::newRow("line ends") << QByteArray("a.com,1\r\r\nb.com,2\r\n\r\n\rc.com\r");
    // Deterministic noise over the bytes that matter here.
    const char alphabet[] = {'a', '1', '0', ',', '\n', '\r', '/', '\xEF', '\xBB', '\xBF',
                             '\x80', '\xC3', '\xE2', '\xF0', '\xFF', 'N', 'A'};
    QByteArray noise;
    quint32 state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        noise.append(alphabet[(state >> 16) % sizeof alphabet]);
    }
    QTest::newRow("noise") << noise;
}

// The history file is read from its bytes line by line; it must give what
// decoding the whole file first gives.
void tst_DataStore::bytesReadAsTheDecodedFile()
{
    QFETCH(QByteArray, contents);
    QStringList expected;
    for (const CAlexaRankData &record : decodedHistory(contents))
        expected.append(record.toString());
    const auto loaded = parse(contents);
    QStringList read;
    for (const CAlexaRankData &record : loaded->history)
        read.append(record.toString());
    QCOMPARE(read.size(), expected.size());
    QCOMPARE(read, expected);
}

void tst_DataStore::emptyHistorySavesAnEmptyFile()
{
    CTempHome home;
    home.writeFile(home.historyPath(), "a.com,1,2,3,4,5,6,05/08/2012\n");
    QVERIFY(CDataStore::saveHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), {}));
    QVERIFY(QFileInfo::exists(home.historyPath()));
    QCOMPARE(CTempHome::readFile(home.historyPath()), QByteArray());
}

void tst_DataStore::failedSaveKeepsTheOldFile()
{
    // A disk that fills up mid-save: the file size limit makes writes fail.
    CTempHome home;
    const QByteArray old = historyBytes(3);
    home.writeFile(home.historyPath(), old);
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::parseHistory(historyBytes(5000), history, dates);

    QString error;
    bool saved = false;
    {
        const CFullDisk full(4096);
        const CResult<> result = CDataStore::saveHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), history);
        saved = result.ok();
        error = result.message();
    }

    QVERIFY(!saved);
    QVERIFY2(error.contains(QDir::toNativeSeparators(CDataStore::historyPath(CDataStore::dataDirectory(home.path())))), qPrintable(error));
    QCOMPARE(CTempHome::readFile(home.historyPath()), old);
    QCOMPARE(QDir(home.dataDirectory()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("db.dat")});
}

void tst_DataStore::saveIntoReadOnlyFolder()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
    CTempHome home;
    const QByteArray old = historyBytes(2);
    home.writeFile(home.historyPath(), old);
    QFile::setPermissions(home.dataDirectory(), QFile::ReadOwner | QFile::ExeOwner);
    const CResult<> result = CDataStore::saveHistory(CDataStore::historyPath(CDataStore::dataDirectory(home.path())), {});
    const bool saved = result.ok();
    const QString error = result.message();
    QFile::setPermissions(home.dataDirectory(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!saved);
    QVERIFY(error.contains(QStringLiteral("db.dat")));
    QCOMPARE(CTempHome::readFile(home.historyPath()), old);
}

QTEST_GUILESS_MAIN(tst_DataStore)
#include "tst_DataStore.moc"
