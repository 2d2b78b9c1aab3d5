#include "CSorvaneCommand.h"
#include "CTempHome.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSvgRenderer>
#include <QTest>

namespace {

CSorvaneCommand::Outcome runSorvane(const QStringList &arguments, const QString &home)
{
    return CSorvaneCommand::run(QStringLiteral(SORVANE_PATH), arguments, CSorvaneCommand::environment(home), home);
}

const QByteArray Domains = "  a.com\n  b.com\n  c.com\n  d.com\n";
const QByteArray Groups = "mine,a.com\nmine,d.com\nrivals,c.com\nrivals,a.com\n";
const QByteArray History = "a.com,1000,20,,,,,01/10/2026\n"
                           "b.com,NA,NA,,,,,02/10/2026\n"
                           "a.com,850,18,,,,,08/10/2026\n"
                           "c.com,5,7,,,,,08/10/2026\n";
const QByteArray Header = "domain,groups,date,global_rank,change,change_percent,change_7d,change_30d,us_rank,best_90d,"
                          "worst_90d\n";

} // namespace

// sorvane --overview as a terminal or a timer runs it, on a temporary home:
// the rows it prints in each format, and the mistakes it refuses.
class tst_OverviewCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void overview_data();
    void overview();
    void json();
    void chart_data();
    void chart();
    void unreadableGroups_data();
    void unreadableGroups();

private:
    std::unique_ptr<CTempHome> m_home;
};

void tst_OverviewCommand::init()
{
    m_home = std::make_unique<CTempHome>();
    m_home->writeFile(m_home->domainListPath(), Domains);
    m_home->writeFile(m_home->dataDirectory() + QStringLiteral("/groups.dat"), Groups);
    m_home->writeFile(m_home->historyPath(), History);
}

void tst_OverviewCommand::overview_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err"); // a part of standard error

    // a.com: 850 against 1,000 on the previous record, which is also its
    // newest of 7 days before; no record 30 days before.
    QTest::newRow("csv, by global rank, NA and no record last")
        << QStringList{"--overview", "--format", "csv"} << 0
        << Header + "c.com,rivals,2026-10-08,5,,,,,7,5,5\n"
                    "a.com,mine;rivals,2026-10-08,850,+150,+15.0,+150,,18,850,1000\n"
                    "b.com,,2026-10-02,NA,,,,,NA,,\n"
                    "d.com,mine,,,,,,,,,\n"
        << QString();
    QTest::newRow("csv of one group") << QStringList{"--overview", "--group", "rivals", "--format", "csv"} << 0
                                      << Header + "c.com,rivals,2026-10-08,5,,,,,7,5,5\n"
                                                  "a.com,mine;rivals,2026-10-08,850,+150,+15.0,+150,,18,850,1000\n"
                                      << QString();
    QTest::newRow("text")
        << QStringList{"--overview", "--group", "mine"} << 0
        << QByteArray("domain  groups       date           global_rank  change  change_percent  change_7d  change_30d  "
                      "us_rank  best_90d  worst_90d\n"
                      "a.com   mine;rivals  2026-10-08             850    +150           +15.0       +150              "
                      "     18       850       1000\n"
                      "d.com   mine         no record yet\n")
        << QString();
    QTest::newRow("a group without listed domains")
        << QStringList{"--overview", "--group", "nobody"} << 2 << QByteArray() << "no listed domains in the groups nobody";
    QTest::newRow("unknown format") << QStringList{"--overview", "--format", "xml"} << 2 << QByteArray()
                                    << "--format takes text, csv or json, not 'xml'.";
    QTest::newRow("an option of another command") << QStringList{"--overview", "--days", "3"} << 2 << QByteArray()
                                                   << "--days does not go with --overview.";
}

void tst_OverviewCommand::overview()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);

    const CSorvaneCommand::Outcome outcome = runSorvane(arguments, m_home->path());
    QVERIFY2(outcome.errText().contains(err), qPrintable(outcome.errText()));
    QCOMPARE(outcome.output, out);
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(CTempHome::readFile(m_home->historyPath()), History);
}

void tst_OverviewCommand::json()
{
    const CSorvaneCommand::Outcome outcome =
        runSorvane({QStringLiteral("--overview"), QStringLiteral("--format"), QStringLiteral("json")}, m_home->path());
    QCOMPARE(outcome.exitCode, 0);
    const QJsonArray rows = QJsonDocument::fromJson(outcome.output).array();
    QCOMPARE(rows.size(), 4);
    const QJsonObject a = rows.at(1).toObject();
    QCOMPARE(a.value("domain").toString(), QStringLiteral("a.com"));
    QCOMPARE(a.value("groups").toArray(), (QJsonArray{"mine", "rivals"}));
    QCOMPARE(a.value("date").toString(), QStringLiteral("2026-10-08"));
    QCOMPARE(a.value("change").toDouble(), 150.0);
    QCOMPARE(a.value("change_percent").toDouble(), 15.0);
    QVERIFY(a.value("change_30d").isNull());
    const QJsonObject d = rows.at(3).toObject();
    QVERIFY(d.value("date").isNull());
    QVERIFY(d.value("global_rank").isNull());
}

void tst_OverviewCommand::chart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QSize>("size"); // of the picture written; none when nothing is
    QTest::addColumn<QStringList>("named"); // in the SVG's text
    QTest::addColumn<QString>("err");

    QTest::newRow("png of the list, default size") << QStringList{"--chart", "out.png"} << 0 << QSize(1200, 800)
                                                   << QStringList() << QString();
    QTest::newRow("svg of a group, sized")
        << QStringList{"--chart", "out.svg", "--group", "rivals", "--size", "800x500"} << 0 << QSize(800, 500)
        << QStringList{"c.com", "a.com"} << QString();
    QTest::newRow("a figure with nothing to draw")
        << QStringList{"--chart", "out.svg", "--domain", "b.com", "--figure", "us", "--from", "2026-10-01", "--to",
                       "2026-10-31"}
        << 0 << QSize(1200, 800) << QStringList{"b.com", "Nothing to draw"} << "Nothing to draw";
    QTest::newRow("bad size") << QStringList{"--chart", "out.png", "--size", "10x10"} << 2 << QSize()
                              << QStringList() << "--size takes WIDTHxHEIGHT";
    QTest::newRow("days and from") << QStringList{"--chart", "out.png", "--days", "7", "--from", "2026-10-01"} << 2
                                   << QSize() << QStringList() << "--days and --from/--to exclude each other.";
    QTest::newRow("a folder that is not there") << QStringList{"--chart", "no/such/out.png"} << 1 << QSize()
                                                << QStringList() << "could not be saved to no/such/out.png";
}

void tst_OverviewCommand::chart()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QSize, size);
    QFETCH(QStringList, named);
    QFETCH(QString, err);

    const CSorvaneCommand::Outcome outcome = runSorvane(arguments, m_home->path());
    QVERIFY2(outcome.errText().contains(err), qPrintable(outcome.errText()));
    QCOMPARE(outcome.exitCode, exitCode);
    const QString path = m_home->path() + u'/' + arguments.at(1);
    if (!size.isValid()) {
        QVERIFY(!QFile::exists(path));
        return;
    }
    if (path.endsWith(u".svg")) {
        QSvgRenderer renderer(path);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox().size(), size);
    } else {
        QImage image;
        QVERIFY(image.load(path));
        QCOMPARE(image.size(), size);
    }
    const QByteArray text = CTempHome::readFile(path);
    for (const QString &name : std::as_const(named))
        QVERIFY2(text.contains(name.toUtf8()), qPrintable(name));
}

void tst_OverviewCommand::unreadableGroups_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // A report that needs no group goes on and names the file; one that asks for groups cannot.
    QTest::newRow("overview") << QStringList{"--overview"} << 0;
    QTest::newRow("overview of a group") << QStringList{"--overview", "--group", "mine"} << 2;
    QTest::newRow("chart") << QStringList{"--chart", "out.png"} << 0;
    QTest::newRow("chart of a group") << QStringList{"--chart", "out.png", "--group", "mine"} << 2;
    QTest::newRow("digest") << QStringList{"--digest"} << 0;
    QTest::newRow("digest of a group") << QStringList{"--digest", "--group", "mine"} << 2;
}

void tst_OverviewCommand::unreadableGroups()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const QString groups = m_home->dataDirectory() + QStringLiteral("/groups.dat");
    QVERIFY(QFile::remove(groups));
    QVERIFY(QDir().mkdir(groups));

    const CSorvaneCommand::Outcome outcome = runSorvane(arguments, m_home->path());
    QCOMPARE(outcome.exitCode, exitCode);
    QVERIFY2(outcome.errText().contains(u"groups.dat"), qPrintable(outcome.errText()));
    QCOMPARE(outcome.output.isEmpty(), exitCode != 0);
}

QTEST_MAIN(tst_OverviewCommand)
#include "tst_OverviewCommand.moc"
