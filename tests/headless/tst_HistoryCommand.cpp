#include "CDataLock.h"
#include "CSorvaneCommand.h"
#include "CTempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

namespace {

// sorvane with these arguments in the home, without any display: neither
// command may need one.
CSorvaneCommand::Outcome runSorvane(const QStringList &arguments, const QString &home)
{
    return CSorvaneCommand::run(QStringLiteral(SORVANE_PATH), arguments, CSorvaneCommand::environment(home), home);
}

const QByteArray Held = "a.com,1,2,3,4,5,6,01/10/2026\n"
                        "b.com,7,NA,1.5%,,NA,NA,01/10/2026\n"
                        "a.com,1,2,3,4,5,6,03/10/2026\n";
const QByteArray Header = "domain,global_rank,us_rank,yesterday,seven_day,one_month,three_month,date\n";

} // namespace

// Both history commands of the real program, run as processes on a
// temporary home: what they print, how they exit and what db.dat holds after.
class tst_HistoryCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
    void importRefusedWhileTheWindowIsOpen();
    void outputIsOnlyARegularFile_data();
    void outputIsOnlyARegularFile();
    void folderOpenToOthersIsRefused();
};

void tst_HistoryCommand::commands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("file"); // "in" in the home, for an import
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error
    QTest::addColumn<QByteArray>("history"); // db.dat afterwards

    QTest::newRow("export csv to standard output")
        << QStringList{"--export"} << QByteArray() << 0
        << Header + "a.com,1,2,3,4,5,6,2026-10-01\nb.com,7,NA,1.5%,,NA,NA,2026-10-01\na.com,1,2,3,4,5,6,2026-10-03\n"
        << QString() << Held;
    QTest::newRow("export json of one domain and days")
        << QStringList{"--export", "--format", "json", "--domain", "a.com", "--from", "2026-10-02", "--to", "2026-10-03"}
        << QByteArray() << 0
        << QByteArray("[\n{\"domain\":\"a.com\",\"global_rank\":1,\"us_rank\":2,\"yesterday\":3,\"seven_day\":4,"
                      "\"one_month\":5,\"three_month\":6,\"date\":\"2026-10-03\"}\n]\n")
        << QString() << Held;
    QTest::newRow("export to a file that cannot be written")
        << QStringList{"--export", "--output", "no-such-folder/out.csv"} << QByteArray() << 2 << QByteArray()
        << "Could not export to" << Held;
    QTest::newRow("export with a bad date")
        << QStringList{"--export", "--from", "2026-10-32"} << QByteArray() << 2 << QByteArray()
        << "--from takes a day as YYYY-MM-DD" << Held;
    QTest::newRow("export in an unknown format")
        << QStringList{"--export", "--format", "xml"} << QByteArray() << 2 << QByteArray() << "--format takes csv or json"
        << Held;
    QTest::newRow("import adds and skips")
        << QStringList{"--import-history", "in"}
        << Header + "c.com,1,1,1,1,1,1,2026-10-02\na.com,9,9,9,9,9,9,2026-10-03\n" << 0
        << QByteArray("1 added, 1 skipped (domain and date already held)\n") << QString()
        << QByteArray("a.com,1,2,3,4,5,6,01/10/2026\nb.com,7,NA,1.5%,,NA,NA,01/10/2026\n"
                      "c.com,1,1,1,1,1,1,02/10/2026\na.com,1,2,3,4,5,6,03/10/2026\n");
    QTest::newRow("dry run stores nothing")
        << QStringList{"--import-history", "in", "--dry-run"} << QByteArray("c.com,1,1,1,1,1,1,02/10/2026\n") << 0
        << QByteArray("1 added, 0 skipped (domain and date already held); a dry run: nothing was stored\n")
        << QString() << Held;
    QTest::newRow("a bad line stores nothing")
        << QStringList{"--import-history", "in"} << Header + "c.com,1,1,1,1,1,1,2026-10-02\nd.com,1,1,1,1,1,1,2026-02-30\n"
        << 2 << QByteArray() << "line 3: \"2026-02-30\" is not a date (YYYY-MM-DD)" << Held;
    QTest::newRow("export goes without the digest")
        << QStringList{"--export", "--digest"} << QByteArray() << 2 << QByteArray() << "--export does not go with --digest"
        << Held;
    QTest::newRow("output goes without the digest")
        << QStringList{"--digest", "--output", "x"} << QByteArray() << 2 << QByteArray() << "--output does not go with --digest"
        << Held;
    QTest::newRow("formulas come in as NA, a formula domain not at all")
        << QStringList{"--import-history", "in"}
        << Header + "c.com,=1+2,@SUM(A1:A9),+1,-1,\"\"\"5\",\"=cmd|' /C calc'!A0\",2026-10-02\n" << 0
        << QByteArray("1 added, 0 skipped (domain and date already held)\n") << QString()
        << QByteArray("a.com,1,2,3,4,5,6,01/10/2026\nb.com,7,NA,1.5%,,NA,NA,01/10/2026\n"
                      "c.com,NA,NA,NA,NA,NA,NA,02/10/2026\na.com,1,2,3,4,5,6,03/10/2026\n");
    QTest::newRow("a formula domain stores nothing")
        << QStringList{"--import-history", "in"} << Header + "=2+3,1,1,1,1,1,1,2026-10-02\n" << 2 << QByteArray()
        << "line 2: \"=2+3\" is no domain name the domain list would take" << Held;
    QTest::newRow("dry run goes with import")
        << QStringList{"--export", "--dry-run"} << QByteArray() << 2 << QByteArray() << "--dry-run do not go with --export"
        << Held;
}

void tst_HistoryCommand::commands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, history);

    CTempHome home;
    home.writeFile(home.historyPath(), Held);
    if (!file.isNull())
        home.writeFile(home.path() + QStringLiteral("/in"), file);
    const CSorvaneCommand::Outcome outcome = runSorvane(arguments, home.path());
    QVERIFY2(outcome.errText().contains(err), qPrintable(outcome.errText()));
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(outcome.output, out);
    QCOMPARE(CTempHome::readFile(home.historyPath()), history);
}

void tst_HistoryCommand::importRefusedWhileTheWindowIsOpen()
{
    CTempHome home;
    home.writeFile(home.historyPath(), Held);
    home.writeFile(home.path() + QStringLiteral("/in"), "c.com,1,1,1,1,1,1,02/10/2026\n");
    CDataLock window(home.dataDirectory());
    QVERIFY(window.acquire().held());
    const CSorvaneCommand::Outcome outcome =
        runSorvane({QStringLiteral("--import-history"), QStringLiteral("in")}, home.path());
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY2(outcome.errText().contains(QStringLiteral("Import History...")), qPrintable(outcome.errText()));
    QCOMPARE(CTempHome::readFile(home.historyPath()), Held);
}

void tst_HistoryCommand::outputIsOnlyARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("a regular file is replaced") << "file" << 0;
    QTest::newRow("a link to a regular file is written through") << "link" << 0;
    QTest::newRow("a named pipe is refused") << "fifo" << 2;
    QTest::newRow("a folder is refused") << "folder" << 2;
}

void tst_HistoryCommand::outputIsOnlyARegularFile()
{
    QFETCH(QString, kind);
    QFETCH(int, exitCode);
    CTempHome home;
    home.writeFile(home.historyPath(), Held);
    const QString output = home.path() + QStringLiteral("/out.csv");
    const QString target = home.path() + QStringLiteral("/target.csv");
    if (kind == u"file")
        home.writeFile(output, "old\n");
    else if (kind == u"link")
        QVERIFY(QFile::link(target, output));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(output).constData(), 0600), 0);
    else
        QVERIFY(QDir().mkdir(output));
    if (kind == u"link")
        home.writeFile(target, "old\n");

    const CSorvaneCommand::Outcome outcome = runSorvane({QStringLiteral("--export"), QStringLiteral("--output"), output}, home.path());
    QCOMPARE(outcome.exitCode, exitCode);
    const QByteArray exported = Header + "a.com,1,2,3,4,5,6,2026-10-01\nb.com,7,NA,1.5%,,NA,NA,2026-10-01\na.com,1,2,3,4,5,6,2026-10-03\n";
    if (kind == u"file") {
        QCOMPARE(CTempHome::readFile(output), exported);
    } else if (kind == u"link") {
        QVERIFY(QFileInfo(output).isSymLink());
        QCOMPARE(CTempHome::readFile(target), exported);
    } else {
        QVERIFY2(outcome.errText().contains(QStringLiteral("not a regular file")), qPrintable(outcome.errText()));
        QCOMPARE(QFileInfo(output).isDir(), kind == u"folder");
        QCOMPARE(QFileInfo(output).isFile(), false);
    }
}

void tst_HistoryCommand::folderOpenToOthersIsRefused()
{
    CTempHome home;
    home.writeFile(home.historyPath(), Held);
    home.writeFile(home.path() + QStringLiteral("/in"), "c.com,1,1,1,1,1,1,02/10/2026\n");
    QVERIFY(QFile::setPermissions(home.dataDirectory(), QFile::Permissions(0x7777)));
    const CSorvaneCommand::Outcome outcome =
        runSorvane({QStringLiteral("--import-history"), QStringLiteral("in")}, home.path());
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY2(outcome.errText().contains(QStringLiteral("can be written by other users")), qPrintable(outcome.errText()));
    QCOMPARE(CTempHome::readFile(home.historyPath()), Held);
}

QTEST_GUILESS_MAIN(tst_HistoryCommand)
#include "tst_HistoryCommand.moc"
