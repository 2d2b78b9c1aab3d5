#include "CAlexaRankData.h"
#include "CExpectedFigures.h"
#include "CPublisher.h"
#include "CRankdProcess.h"
#include "pageformat/CSiteInfoFormat.h"
#include "protocol/CSiteInfoRequest.h"
#include "RankPageParser.h"
#include "rankservice/lists/CListPacker.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/lists/CSampleGenerator.h"
#include "rankservice/server/CSiteInfoPage.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Runs the real sorvane-rankd the way a script does: sample data first, then
// the service on a free port, read from its first lines of output.
class tst_Rankd : public QObject
{
    Q_OBJECT

private slots:
    void servesGeneratedSample();
    void portLine_data();
    void portLine();
    void refusesBadOptions_data();
    void refusesBadOptions();
    void refusesStaleLists_data();
    void refusesStaleLists();
    void updatesThenServesASource();
    void keepsServingWhileAnUpdateStalls();
    void answersAsOfPastDays();
    void tellsSystemdWhenReady();
    void restartsFromItsCache();
    void oneDayForOnePageInEveryTimeZone_data();
    void oneDayForOnePageInEveryTimeZone();
    void takesInListsThatAppearInTheFolder();
    void fetchesUsMonthsForListsCopiedByHand();
    void aFileSizeLimitIsAFailedWrite();
    void anInterruptedUpdateKeepsWhatIsWhole();
};

namespace {

// Starts the service and waits, spinning the event loop, for its port and
// the end of its loading.
quint16 startService(QProcess &service, const QStringList &arguments, QByteArray &output)
{
    service.start(QStringLiteral(SORVANE_RANKD_PATH), arguments);
    std::optional<quint16> port;
    const bool started = QTest::qWaitFor([&] {
        output += service.readAllStandardOutput();
        for (const QByteArray &line : output.split('\n')) {
            if (!port)
                port = CRankdProcess::portOf(QString::fromUtf8(line));
        }
        return (port && output.contains("\nready: ")) || service.state() == QProcess::NotRunning;
    }, 30000);
    return started && port ? *port : 0;
}

QByteArray fetchPath(quint16 port, const QByteArray &path)
{
    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!client.waitForConnected(10000))
        return "not connected";
    client.write("GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    while (client.state() != QAbstractSocket::UnconnectedState && client.waitForReadyRead(10000))
        answer += client.readAll();
    return answer + client.readAll();
}

QByteArray bodyOf(const QByteArray &answer)
{
    return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

// Ranks shift by one a day, so the periods' means differ.
QByteArray listOfDay(int back)
{
    QByteArray text;
    for (int rank = 1; rank <= 50; ++rank)
        text += QByteArray::number(rank) + ",site" + QByteArray::number((rank + back) % 50) + ".test\n";
    return text;
}

} // namespace

void tst_Rankd::servesGeneratedSample()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("sample"));

    QProcess generate;
    generate.start(QStringLiteral(SORVANE_RANKD_PATH), {QStringLiteral("--generate-sample"), data});
    QVERIFY(generate.waitForFinished(60000));
    QCOMPARE(generate.exitCode(), 0);
    const QByteArray domainsFile = [&] {
        QFile file(data + QLatin1Char('/') + CSampleGenerator::DomainsFileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QCOMPARE(domainsFile, CSampleGenerator::domains().join(QLatin1Char('\n')).toLatin1() + '\n');

    QProcess service;
    service.start(QStringLiteral(SORVANE_RANKD_PATH),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), data});
    QVERIFY(service.waitForStarted(30000));
    QByteArray output;
    while (!output.contains("\nready: ")) {
        QVERIFY2(service.waitForReadyRead(30000), service.readAllStandardError().constData());
        output += service.readAllStandardOutput();
    }
    // It listens before it loads, and says how far the loading got.
    const QString first = QString::fromUtf8(output.left(output.indexOf('\n')));
    QCOMPARE(first.section(u':', 0, -2), QStringLiteral("listening on 127.0.0.1"));
    const std::optional<quint16> listening = CRankdProcess::portOf(first);
    QVERIFY2(listening, output.constData());
    QVERIFY2(output.contains("\nloading: 200 of 200 lists read\nloaded 91 files, 90 days, "), output.constData());
    QVERIFY2(output.endsWith("\nready: 90 days held\n"), output.constData());
    const quint16 port = *listening;

    const QString domain = CSampleGenerator::domains().first();
    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.1"), port);
    QVERIFY(client.waitForConnected(10000));
    client.write("GET /siteinfo/" + domain.toLatin1()
                 + " HTTP/1.0\r\nHost: 127.0.0.1\r\nReferer: x\r\nCookie: \r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (client.state() != QAbstractSocket::UnconnectedState && client.waitForReadyRead(10000))
        answer += client.readAll();
    answer += client.readAll();
    QVERIFY(answer.startsWith("HTTP/1.1 200 OK\r\n"));

    CSnapshotStore store;
    store.load(data);
    const CSiteFigures figures = store.figures(domain);
    QVERIFY(figures.any());
    const CAlexaRankData read = parseRankPage(QString::fromUtf8(answer), domain, true);
    QCOMPARE(read.globalRank(), QString::number(figures.globalRank));
    QCOMPARE(read.usRank(), QString::number(figures.usRank));
    QCOMPARE(read.threeMonth(), QString::number(figures.threeMonth));

    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

void tst_Rankd::portLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("port"); // 0: no port
    QTest::newRow("loopback") << QStringLiteral("listening on 127.0.0.1:8080") << 8080;
    QTest::newRow("IPv6") << QStringLiteral("listening on ::1:4242") << 4242;
    QTest::newRow("summary line") << QStringLiteral("loaded 91 files, 90 days, 1 domains") << 0;
    QTest::newRow("port zero") << QStringLiteral("listening on 127.0.0.1:0") << 0;
    QTest::newRow("port too large") << QStringLiteral("listening on 127.0.0.1:65536") << 0;
    QTest::newRow("no port") << QStringLiteral("listening on 127.0.0.1:") << 0;
}

void tst_Rankd::portLine()
{
    QFETCH(QString, line);
    QFETCH(int, port);
    QCOMPARE(int(CRankdProcess::portOf(line).value_or(0)), port);
}

void tst_Rankd::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no data folder") << QStringList{QStringLiteral("--port"), QStringLiteral("0")};
    QTest::newRow("bad port") << QStringList{QStringLiteral("--data"), QStringLiteral("."), QStringLiteral("--port"),
                                             QStringLiteral("70000")};
    QTest::newRow("bad address") << QStringList{QStringLiteral("--data"), QStringLiteral("."),
                                                QStringLiteral("--address"), QStringLiteral("nowhere")};
    QTest::newRow("unknown source") << QStringList{QStringLiteral("--data"), QStringLiteral("."),
                                                   QStringLiteral("--source"), QStringLiteral("alexa")};
    QTest::newRow("bad max age") << QStringList{QStringLiteral("--data"), QStringLiteral("."),
                                                QStringLiteral("--max-age"), QStringLiteral("-1")};
    QTest::newRow("bad refresh time") << QStringList{QStringLiteral("--data"), QStringLiteral("."),
                                                     QStringLiteral("--refresh"), QStringLiteral("25:00")};
    QTest::newRow("unknown us source") << QStringList{QStringLiteral("--data"), QStringLiteral("."),
                                                      QStringLiteral("--us-source"), QStringLiteral("alexa")};
    QTest::newRow("base without source") << QStringList{QStringLiteral("--data"), QStringLiteral("."),
                                                        QStringLiteral("--base-url"), QStringLiteral("http://x")};
    QTest::newRow("bad time-out") << QStringList{QStringLiteral("--data"), QStringLiteral("."), QStringLiteral("--update"),
                                                 QStringLiteral("--timeout"), QStringLiteral("soon")};
    QTest::newRow("days past two years") << QStringList{QStringLiteral("--data"), QStringLiteral("."), QStringLiteral("--update"),
                                                        QStringLiteral("--days"), QStringLiteral("731")};
    QTest::newRow("every of no days") << QStringList{QStringLiteral("--data"), QStringLiteral("."), QStringLiteral("--update"),
                                                     QStringLiteral("--every"), QStringLiteral("0")};
    QTest::newRow("bad sample day") << QStringList{QStringLiteral("--generate-sample"), QStringLiteral("x"),
                                                   QStringLiteral("--sample-last-day"), QStringLiteral("2026-13-01")};
}

void tst_Rankd::refusesBadOptions()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(QStringLiteral(SORVANE_RANKD_PATH), arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardError().startsWith("sorvane-rankd: "));
}

void tst_Rankd::refusesStaleLists_data()
{
    QTest::addColumn<QStringList>("maxAge");
    QTest::addColumn<QByteArray>("status");
    const qint64 age = QDate(2020, 1, 1).daysTo(QDate::currentDate());
    QTest::newRow("default age") << QStringList() << QByteArray("HTTP/1.1 503 Service Unavailable\r\n");
    QTest::newRow("max-age 0 serves any age") << QStringList{QStringLiteral("--max-age"), QStringLiteral("0")}
                                              << QByteArray("HTTP/1.1 200 OK\r\n");
    QTest::newRow("max-age beyond the age")
        << QStringList{QStringLiteral("--max-age"), QString::number(age)} << QByteArray("HTTP/1.1 200 OK\r\n");
}

void tst_Rankd::refusesStaleLists()
{
    QFETCH(QStringList, maxAge);
    QFETCH(QByteArray, status);

    QTemporaryDir dir;
    QFile list(dir.filePath(QStringLiteral("2020-01-01.csv")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("1,old.test\n");
    list.close();

    QProcess service;
    QByteArray output;
    const quint16 port = startService(
        service, QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), dir.path()} + maxAge,
        output);
    QVERIFY2(port != 0, service.readAllStandardError().constData());
    const QByteArray answer = fetchPath(port, "/siteinfo/old.test");
    QVERIFY2(answer.startsWith(status), answer.constData());
    if (status.contains("503")) {
        const qint64 age = QDate(2020, 1, 1).daysTo(QDate::currentDate());
        QCOMPARE(bodyOf(answer), "newest list is 2020-01-01, " + QByteArray::number(age) + " days old\n");
        QVERIFY(answer.contains("Content-Type: text/plain"));
    }
    // The status answers whatever the age.
    const QJsonObject source =
        QJsonDocument::fromJson(bodyOf(fetchPath(port, "/status"))).object().value(QStringLiteral("sources"))[0].toObject();
    QCOMPARE(source.value(QStringLiteral("newest")).toString(), QStringLiteral("2020-01-01"));
    QCOMPARE(source.value(QStringLiteral("days")).toInt(), 1);
    QCOMPARE(source.value(QStringLiteral("rows")).toInt(), 1);
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

void tst_Rankd::updatesThenServesASource()
{
    // Umbrella's shape: a dated zip per day (UTC); today's is published only later.
    const QDate today = CListSource::today();
    CPublisher publisher;
    const auto route = [&](int back) {
        publisher.routes.insert("/top-1m-" + today.addDays(-back).toString(Qt::ISODate).toLatin1() + ".csv.zip",
                                {200, CListPacker::zip(QStringLiteral("top-1m.csv"), listOfDay(back))});
    };
    for (int back = 1; back < 95; ++back)
        route(back);
    // Chrome's United States months, the source of the US rank: this month
    // is not out yet, the five before it are.
    const QDate thisMonth(today.year(), today.month(), 1);
    for (int back = 1; back <= 5; ++back) {
        QByteArray month = "origin,rank\nhttps://www.site7.test," + QByteArray(back == 1 ? "10000" : "1000") + '\n';
        for (int i = 20; i < 32; ++i)
            month += "https://site" + QByteArray::number(i) + ".test,1000000\n";
        publisher.routes.insert("/country/us/" + CListSource::monthFileName(thisMonth.addMonths(-back)).toLatin1(),
                                {200, CListPacker::gzip(month)});
    }

    QTemporaryDir data;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SORVANE_UMBRELLA_URL"), publisher.base());
    environment.insert(QStringLiteral("SORVANE_CRUX_URL"), publisher.base());
    const QStringList common{QStringLiteral("--data"), data.path(), QStringLiteral("--source"), QStringLiteral("umbrella"),
                             QStringLiteral("--min-rows"), QStringLiteral("10"), QStringLiteral("--timeout"),
                             QStringLiteral("2"), QStringLiteral("--attempts"), QStringLiteral("1")};
    QProcess update;
    update.setProcessEnvironment(environment);
    update.start(QStringLiteral(SORVANE_RANKD_PATH), common + QStringList{QStringLiteral("--update")});
    QVERIFY(QTest::qWaitFor([&] { return update.state() == QProcess::NotRunning; }, 60000));
    QCOMPARE(update.exitCode(), 0);
    QCOMPARE(update.readAllStandardOutput(), QByteArray("umbrella: 89 fetched, 0 present, 1 unavailable, 0 failed\n"
                                                        "crux-us: 5 fetched, 0 present, 1 unavailable, 0 failed\n"));
    QCOMPARE(QDir(data.filePath(QStringLiteral("umbrella"))).entryList({QStringLiteral("umbrella-*"), QStringLiteral(".download-*")}, QDir::Files | QDir::Hidden).size(), 89);

    // Today's list appears; the service serves what it holds and fetches it at start.
    route(0);
    QProcess service;
    service.setProcessEnvironment(environment);
    QByteArray output;
    const quint16 port = startService(service, common + QStringList{QStringLiteral("--port"), QStringLiteral("0")}, output);
    QVERIFY2(port != 0, service.readAllStandardError().constData());
    const QByteArray held = "umbrella: newest list " + today.addDays(-1).toString(Qt::ISODate).toLatin1()
        + ", 89 days held, 4450 rows, last update: none\n";
    QVERIFY2(output.contains(held),
             output.constData());
    QVERIFY2(QTest::qWaitFor([&] {
                 output += service.readAllStandardOutput();
                 return output.contains("1 new days folded in");
             }, 30000),
             output.constData());
    // The refresh's progress goes to the log as an update's does.
    QVERIFY2(output.contains("umbrella: 1 of 90 days to fetch, about "), output.constData());
    QVERIFY2(output.contains("umbrella: 1 of 1 days done, "), output.constData());

    const QByteArray answer = fetchPath(port, "/siteinfo/site7.test");
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
    QVERIFY(answer.contains("Cisco Umbrella top 1M"));
    // The page's figures are those of the raw lists, read by Sorvane's own page reader.
    CSnapshotStore store;
    QCOMPARE(store.load(data.filePath(QStringLiteral("umbrella"))).days, 90);
    QCOMPARE(store.newestDay(), today);
    const CSiteFigures figures = store.figures(u"site7.test");
    QCOMPARE(figures.globalRank, 7);
    const CAlexaRankData read = parseRankPage(QString::fromUtf8(answer), QStringLiteral("site7.test"), true);
    QCOMPARE(read.globalRank(), QString::number(figures.globalRank));
    QCOMPARE(read.threeMonth(), QString::number(figures.threeMonth));
    QCOMPARE(read.oneMonth(), QString::number(figures.oneMonth));
    // The US rank is the bucket of last month's list, which covers today.
    QCOMPARE(read.usRank(), QStringLiteral("10000"));
    const QByteArray lastMonth = thisMonth.addMonths(-1).toString(QStringLiteral("yyyy-MM")).toLatin1();
    QVERIFY(answer.contains(QByteArray("United States: Chrome UX Report, top origins in " + lastMonth + ", ranked in buckets; CC BY 4.0")));
    QCOMPARE(parseRankPage(QString::fromUtf8(fetchPath(port, "/siteinfo/site8.test")), QStringLiteral("site8.test"), true).usRank(),
             QStringLiteral("NA"));

    const QJsonObject status =
        QJsonDocument::fromJson(bodyOf(fetchPath(port, "/status"))).object().value(QStringLiteral("sources"))[0].toObject();
    QCOMPARE(status.value(QStringLiteral("source")).toString(), QStringLiteral("umbrella"));
    QCOMPARE(status.value(QStringLiteral("newest")).toString(), today.toString(Qt::ISODate));
    QCOMPARE(status.value(QStringLiteral("days")).toInt(), 90);
    QVERIFY2(status.value(QStringLiteral("lastUpdate")).toString().contains(QStringLiteral("1 fetched")),
             qPrintable(status.value(QStringLiteral("lastUpdate")).toString()));
    const QJsonObject us = QJsonDocument::fromJson(bodyOf(fetchPath(port, "/status"))).object().value(u"us").toObject();
    QCOMPARE(us.value(u"source").toString(), QStringLiteral("crux-us"));
    QCOMPARE(us.value(u"month").toString(), QString::fromLatin1(lastMonth));
    QCOMPARE(us.value(u"rows").toInt(), 13);
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

void tst_Rankd::keepsServingWhileAnUpdateStalls()
{
    const QDate today = CListSource::today();
    CPublisher publisher;
    publisher.routes.insert("/top-1m-" + today.toString(Qt::ISODate).toLatin1() + ".csv.zip",
                            {200, CListPacker::zip(QStringLiteral("top-1m.csv"), listOfDay(0)), CPublisher::Mode::Stall});
    QTemporaryDir data;
    QVERIFY(QDir().mkpath(data.filePath(QStringLiteral("umbrella"))));
    QFile held(data.filePath(QStringLiteral("umbrella/umbrella-") + today.addDays(-1).toString(Qt::ISODate)
                             + QStringLiteral(".csv.gz")));
    QVERIFY(held.open(QIODevice::WriteOnly));
    held.write(CListPacker::gzip(listOfDay(1)));
    held.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SORVANE_UMBRELLA_URL"), publisher.base());
    environment.insert(QStringLiteral("SORVANE_CRUX_URL"), publisher.base()); // no month there: never the internet
    QProcess service;
    service.setProcessEnvironment(environment);
    QByteArray output;
    const quint16 port = startService(
        service,
        {QStringLiteral("--data"), data.path(), QStringLiteral("--source"), QStringLiteral("umbrella"),
         QStringLiteral("--min-rows"), QStringLiteral("10"), QStringLiteral("--timeout"), QStringLiteral("3"),
         QStringLiteral("--attempts"), QStringLiteral("1"), QStringLiteral("--days"), QStringLiteral("3"),
         QStringLiteral("--port"), QStringLiteral("0")},
        output);
    QVERIFY2(port != 0, service.readAllStandardError().constData());
    // The start-up update is waiting on the stalled download; the held list is served meanwhile.
    QVERIFY(QTest::qWaitFor([&] { return publisher.hits.size() > 0; }, 10000));
    const QByteArray answer = fetchPath(port, "/siteinfo/site7.test");
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
    QCOMPARE(parseRankPage(QString::fromUtf8(answer), QStringLiteral("site7.test"), true).globalRank(),
             QStringLiteral("6"));
    // The status says what the refresh is doing while it waits, and nothing once it is done.
    const auto updating = [port] {
        const QJsonObject status = QJsonDocument::fromJson(bodyOf(fetchPath(port, "/status"))).object();
        return status.value(u"sources")[0].toObject().value(u"updating");
    };
    QVERIFY2(updating().toString().startsWith(QStringLiteral("umbrella: 2 of 3 days to fetch")),
             qPrintable(updating().toString()));
    QVERIFY2(QTest::qWaitFor([&] {
                 output += service.readAllStandardOutput();
                 return output.contains("umbrella: 0 fetched, 1 present, 1 unavailable, 1 failed");
             }, 20000),
             output.constData());
    QVERIFY(updating().isNull());
    // Nothing half-written.
    QCOMPARE(QDir(data.filePath(QStringLiteral("umbrella"))).entryList({QStringLiteral("umbrella-*"), QStringLiteral(".download-*")}, QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(fetchPath(port, "/siteinfo/site7.test").startsWith("HTTP/1.1 200 OK\r\n"));
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

void tst_Rankd::answersAsOfPastDays()
{
    // 120 days of lists ending today, a few missing, and a list dated ahead
    // by mistake; each list ranks 15 names differently.
    constexpr int HeldDays = 110;
    const QDate today = QDate::currentDate();
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, const QByteArray &text) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
    };
    std::map<int, std::map<QByteArray, int>> lists; // by days back
    std::map<int, std::map<QByteArray, int>> usLists;
    for (int back = 0; back < 120; ++back) {
        if (back % 11 == 5)
            continue;
        QByteArray text;
        for (int rank = 1; rank <= 12; ++rank) {
            const QByteArray name = 'n' + QByteArray::number((rank * 7 + back * 3) % 15) + ".test";
            text += QByteArray::number(rank * 100 + back) + ',' + name + '\n';
            lists[back].emplace(name, rank * 100 + back);
        }
        write(today.addDays(-back).toString(Qt::ISODate) + QStringLiteral(".csv"), text);
        if (back % 10 == 0) {
            const QByteArray name = 'n' + QByteArray::number(back % 15) + ".test";
            write(today.addDays(-back).toString(Qt::ISODate) + QStringLiteral(".us.csv"), "7," + name + '\n');
            usLists[back].emplace(name, 7);
        }
    }
    const QString ahead = today.addDays(3).toString(Qt::ISODate) + QStringLiteral(".csv");
    write(ahead, "1,n0.test\n");

    QProcess service;
    QByteArray output;
    const quint16 port = startService(service,
                                      {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"),
                                       dir.path(), QStringLiteral("--max-age"), QStringLiteral("0"),
                                       QStringLiteral("--days"), QString::number(HeldDays)},
                                      output);
    QByteArray errors = service.readAllStandardError();
    QVERIFY2(port != 0, errors.constData());
    const QByteArray skipped = ahead.toLatin1() + ": skipped, dated after today";
    QVERIFY2(QTest::qWaitFor([&] { return (errors += service.readAllStandardError()).contains(skipped); }, 10000),
             errors.constData());

    const auto shown = [](int figure) {
        return CSiteFigures::known(figure) ? QString::number(figure) : QStringLiteral("NA");
    };
    // The service holds the lists of the --days back from the newest (the
    // last 20 of them in rank files), and the newest United States list: a
    // past day is answered from those alone.
    CExpectedFigures::Lists held;
    for (const auto &[back, list] : lists) {
        if (back < HeldDays)
            held.emplace(back, list);
    }
    const QJsonObject status =
        QJsonDocument::fromJson(bodyOf(fetchPath(port, "/status"))).object().value(QStringLiteral("sources"))[0].toObject();
    QCOMPARE(status.value(QStringLiteral("days")).toInt(), int(held.size()));
    QCOMPARE(status.value(QStringLiteral("oldest")).toString(), today.addDays(-held.rbegin()->first).toString(Qt::ISODate));
    const CExpectedFigures::Lists heldUs{*usLists.begin()};
    for (const int back : {0, 1, 5, 14, 37, 89, 95, 109, 110, 119}) {
        const QDate day = today.addDays(-back);
        const QByteArray dayText = day.toString(CSiteInfoFormat::AsOfFormat).toLatin1();
        const auto anchor = held.lower_bound(back);
        const auto us = back == 0 ? heldUs.begin() : heldUs.end();
        for (int n = 0; n < 15; ++n) {
            const QByteArray name = 'n' + QByteArray::number(n) + ".test";
            const QByteArray answer = fetchPath(port, "/siteinfo/" + name + "?date=" + dayText);
            if (anchor == held.end()) {
                QVERIFY2(answer.startsWith("HTTP/1.1 404 Not Found\r\n"), answer.constData());
                QVERIFY2(answer.contains("no list held for that day"), answer.constData());
                continue;
            }
            QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
            QVERIFY2(answer.contains(QByteArray(CSiteInfoFormat::AsOfOpening + dayText + CSiteInfoFormat::AsOfClosing)),
                     answer.constData());

            // Worked out from the lists up to that day.
            const CSiteFigures expected = CExpectedFigures::of(name, held, anchor, heldUs, us);
            const CAlexaRankData read = parseRankPage(QString::fromUtf8(answer), QString::fromLatin1(name), true);
            const QString where = QString::fromLatin1(name + " as of " + dayText);
            QVERIFY2(read.globalRank() == shown(expected.globalRank), qPrintable(where));
            QVERIFY2(read.usRank() == shown(expected.usRank), qPrintable(where));
            QVERIFY2(read.yesterday() == shown(expected.yesterday), qPrintable(where));
            QVERIFY2(read.sevenDay() == shown(expected.sevenDay), qPrintable(where));
            QVERIFY2(read.oneMonth() == shown(expected.oneMonth), qPrintable(where));
            QVERIFY2(read.threeMonth() == shown(expected.threeMonth), qPrintable(where));
        }
    }

    // Undated: today's page, saying so.
    const QByteArray undated = fetchPath(port, "/siteinfo/n1.test");
    QVERIFY(undated.contains(QByteArray(CSiteInfoFormat::AsOfOpening + today.toString(CSiteInfoFormat::AsOfFormat).toLatin1())));
    QCOMPARE(bodyOf(undated), bodyOf(fetchPath(port, "/siteinfo/n1.test?date=" + today.toString(Qt::ISODate).toLatin1())));

    const struct
    {
        QByteArray query;
        QByteArray status;
        QByteArray reason;
    } refused[] = {
        {"date=" + today.addDays(-120).toString(Qt::ISODate).toLatin1(), "404 Not Found", "no list held for that day"},
        {"date=1999-01-01", "404 Not Found", "no list held for that day"},
        {"date", "400 Bad Request", "date=YYYY-MM-DD"},
        {"DATE=2026-01-01", "400 Bad Request", "date=YYYY-MM-DD"},
        // After the publishers' day too, which can be ahead of the local one.
        {"date=" + CSnapshotStore::latestToday().addDays(1).toString(Qt::ISODate).toLatin1(), "400 Bad Request",
         "after today"},
        {"date=2026-02-30", "400 Bad Request", "YYYY-MM-DD"},
        {"date=2026-3-01", "400 Bad Request", "YYYY-MM-DD"},
        {"date=yesterday", "400 Bad Request", "YYYY-MM-DD"},
        {"date=", "400 Bad Request", "YYYY-MM-DD"},
        {"x=1&date=%32026-01-01", "400 Bad Request", "date=YYYY-MM-DD"},
    };
    for (const auto &each : refused) {
        const QByteArray answer = fetchPath(port, "/siteinfo/n1.test?" + each.query);
        QVERIFY2(answer.startsWith(QByteArray("HTTP/1.1 " + each.status + "\r\n")), QByteArray(each.query + ": " + answer).constData());
        QVERIFY2(bodyOf(answer).contains(each.reason), QByteArray(each.query + ": " + answer).constData());
    }

    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

void tst_Rankd::tellsSystemdWhenReady()
{
    QTemporaryDir dir;
    QFile list(dir.filePath(QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(".csv")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("1,one.test\n");
    list.close();

    // systemd's end of the notification socket.
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("notify")));
    sockaddr_un address{};
    QVERIFY(size_t(path.size()) < sizeof address.sun_path);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    const auto closeSocket = qScopeGuard([fd] { ::close(fd); });
    QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);

    QProcess service;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NOTIFY_SOCKET"), QString::fromLocal8Bit(path));
    service.setProcessEnvironment(environment);
    QByteArray output;
    const quint16 port = startService(
        service, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), dir.path()}, output);
    QVERIFY2(port != 0, output.constData());

    QByteArray told;
    QVERIFY2(QTest::qWaitFor([&] {
                 char message[4096];
                 for (ssize_t got; (got = ::recv(fd, message, sizeof message, 0)) > 0;)
                     told += QByteArray(message, got) + '|';
                 return told.contains("READY=1");
             }, 10000),
             told.constData());
    QVERIFY2(told.startsWith("STATUS=loading: 1 of 1 lists read|"), told.constData());
    QVERIFY2(told.endsWith("READY=1\nSTATUS=ready: 1 days held|"), told.constData());
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}


void tst_Rankd::restartsFromItsCache()
{
    QTemporaryDir dir;
    const QDate today = QDate::currentDate();
    for (int back = 0; back < 10; ++back) {
        QFile file(dir.filePath(today.addDays(-back).toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(listOfDay(back));
    }
    const QStringList arguments{QStringLiteral("--data"), dir.path(), QStringLiteral("--port"), QStringLiteral("0"),
                                QStringLiteral("--cache-min-rows"), QStringLiteral("0")};
    const QString cache = dir.filePath(CSnapshotStore::CacheFileName);
    const auto pages = [](quint16 port) {
        QByteArray all;
        for (const QByteArray name : {"site0.test", "site7.test", "www.site49.test", "absent.test"})
            all += bodyOf(fetchPath(port, "/siteinfo/" + name));
        return all;
    };
    const auto cacheWritten = [](QProcess &service, QByteArray &output) {
        return QTest::qWaitFor([&] {
            output += service.readAllStandardOutput();
            return output.contains("\ncache: written to ");
        }, 30000);
    };

    // The first start reads the lists and leaves the cache beside them once ready.
    QByteArray cold;
    {
        QProcess service;
        QByteArray output;
        const quint16 port = startService(service, arguments, output);
        QVERIFY(port != 0); // stderr is read at the end
        QVERIFY2(!output.contains("(from the cache)"), output.constData());
        cold = pages(port);
        QVERIFY2(cacheWritten(service, output), output.constData());
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
    }
    QVERIFY(QFileInfo::exists(cache));
    QVERIFY(cold.contains("site7.test"));

    // The next start reads the cache and answers the same.
    {
        QProcess service;
        QByteArray output;
        const quint16 port = startService(service, arguments, output);
        QVERIFY(port != 0); // stderr is read at the end
        QVERIFY2(output.contains("(from the cache)\nready: 10 days held\n"), output.constData());
        QCOMPARE(pages(port), cold);
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
        QVERIFY(!service.readAllStandardError().contains("cache"));
    }

    // A cache cut short is named on stderr, ignored and written again from the lists.
    {
        QFile file(cache);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() - 10));
    }
    {
        QProcess service;
        QByteArray output;
        const quint16 port = startService(service, arguments, output);
        QVERIFY(port != 0); // stderr is read at the end
        QVERIFY2(!output.contains("(from the cache)"), output.constData());
        QCOMPARE(pages(port), cold);
        QVERIFY2(cacheWritten(service, output), output.constData());
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
        const QList<QByteArray> errors = service.readAllStandardError().split('\n');
        QCOMPARE(std::count_if(errors.cbegin(), errors.cend(),
                               [](const QByteArray &line) { return line.contains("ignoring the cache"); }),
                 1);
    }

    // A list that changes makes the next start read the lists again.
    {
        QFile file(dir.filePath(today.addDays(-3).toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(file.open(QIODevice::Append));
        file.write("51,late.test\n");
    }
    {
        QProcess service;
        QByteArray output;
        const quint16 port = startService(service, arguments, output);
        QVERIFY(port != 0); // stderr is read at the end
        QVERIFY2(output.contains("\ncache: not used, the lists changed\n"), output.constData());
        QVERIFY2(!output.contains("(from the cache)"), output.constData());
        QVERIFY(bodyOf(fetchPath(port, "/siteinfo/late.test")).contains("late.test"));
        QVERIFY2(cacheWritten(service, output), output.constData());

        // A day that comes while it serves is folded in, and the cache
        // written again from the store it makes.
        QFile file(dir.filePath(today.addDays(-12).toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(listOfDay(12));
        file.close();
        QVERIFY2(QTest::qWaitFor([&] {
            output += service.readAllStandardOutput();
            return output.count("\ncache: written to ") == 2;
        }, 30000), output.constData());
        QVERIFY2(output.contains(" 1 new days folded in"), output.constData());
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
    }
    {
        QProcess service;
        QByteArray output;
        QVERIFY(startService(service, arguments, output) != 0);
        QVERIFY2(output.contains("(from the cache)\nready: 11 days held\n"), output.constData());
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
    }
}


void tst_Rankd::oneDayForOnePageInEveryTimeZone_data()
{
    QTest::addColumn<QString>("zone");
    QTest::newRow("UTC") << QStringLiteral("UTC");
    QTest::newRow("eleven hours west") << QStringLiteral("Pacific/Pago_Pago");
    QTest::newRow("fourteen hours east") << QStringLiteral("Pacific/Kiritimati");
    QTest::newRow("five hours west") << QStringLiteral("America/New_York");
}

// In every time zone the page of today is the page as of the service's own
// day: the same figures and the same day as a client asking for that date
// is given. A list of the publishers' day, after the local one west of UTC,
// waits for its day.
void tst_Rankd::oneDayForOnePageInEveryTimeZone()
{
    QFETCH(QString, zone);
    const QDate utcDay = CListSource::today();
    QTemporaryDir dir;
    for (int back = 0; back < 4; ++back) {
        QFile list(dir.filePath(utcDay.addDays(-back).toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(listOfDay(back));
    }
    QProcess service;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), zone);
    service.setProcessEnvironment(environment);
    QByteArray output;
    const quint16 port = startService(service,
                                      {QStringLiteral("--data"), dir.path(), QStringLiteral("--port"), QStringLiteral("0"),
                                       QStringLiteral("--max-age"), QStringLiteral("3")},
                                      output);
    QVERIFY2(port != 0, service.readAllStandardError().constData());
    const auto localDay = [&zone] { return QDateTime::currentDateTimeUtc().toTimeZone(QTimeZone(zone.toLatin1())).date(); };
    QDate local;
    QByteArray undated;
    QByteArray dated;
    // Asked twice around the pages, in case the local day turns between them.
    do {
        local = localDay();
        undated = fetchPath(port, "/siteinfo/site7.test");
        dated = fetchPath(port, "/siteinfo/site7.test?date=" + local.toString(Qt::ISODate).toLatin1());
    } while (localDay() != local);
    QVERIFY2(undated.startsWith("HTTP/1.1 200 OK\r\n"), undated.constData());
    QCOMPARE(bodyOf(undated), bodyOf(dated));
    QCOMPARE(CSiteInfoRequest::asOf(QString::fromUtf8(undated)), local);
    // site7.test ranks 7 on the publishers' day and one less each day back.
    const QDate listDay = qMin(local, utcDay);
    const int rank = 7 - int(listDay.daysTo(utcDay));
    QCOMPARE(parseRankPage(QString::fromUtf8(undated), QStringLiteral("site7.test"), true).globalRank(), QString::number(rank));
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

// Lists put into the served folder by someone else are served without a
// restart: a newer day, and a day that fills a gap, which a page of that
// date then uses.
void tst_Rankd::takesInListsThatAppearInTheFolder()
{
    const QDate today = CListSource::today();
    QTemporaryDir dir;
    const auto put = [&dir, &today](int back) {
        QFile list(dir.filePath(QStringLiteral("list-") + today.addDays(-back).toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(listOfDay(back));
    };
    put(3);
    put(1);
    QProcess service;
    QByteArray output;
    const quint16 port = startService(
        service, {QStringLiteral("--data"), dir.path(), QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--max-age"), QStringLiteral("0")},
        output);
    QVERIFY2(port != 0, service.readAllStandardError().constData());
    const QByteArray gapDay = today.addDays(-2).toString(Qt::ISODate).toLatin1();
    const auto rankOn = [port](const QByteArray &query) {
        return parseRankPage(QString::fromUtf8(fetchPath(port, "/siteinfo/site7.test" + query)), QStringLiteral("site7.test"), true)
            .globalRank();
    };
    QCOMPARE(rankOn("?date=" + gapDay), QStringLiteral("4")); // the list of the day before
    put(2);
    put(0);
    QVERIFY2(QTest::qWaitFor([&] {
                 output += service.readAllStandardOutput();
                 return output.contains("2 new days folded in");
             }, 30000),
             output.constData());
    QCOMPARE(rankOn("?date=" + gapDay), QStringLiteral("5"));
    QCOMPARE(rankOn({}), QStringLiteral("7"));
    const QJsonObject status =
        QJsonDocument::fromJson(bodyOf(fetchPath(port, "/status"))).object().value(QStringLiteral("sources"))[0].toObject();
    QCOMPARE(status.value(QStringLiteral("newest")).toString(), today.toString(Qt::ISODate));
    QCOMPARE(status.value(QStringLiteral("days")).toInt(), 4);
    service.terminate();
    QVERIFY(service.waitForFinished(10000));
}

// Lists copied into the folder by hand, and the United States months
// fetched by the service itself: it fetches them at start as it would
// with a daily source, and serves their bucket.
void tst_Rankd::fetchesUsMonthsForListsCopiedByHand()
{
    // A list of today and one of a year back, held with --days 365: the
    // months of every held day are fetched, and read again at a restart.
    const QDate today = CListSource::today();
    const QDate yearBack = today.addDays(-360);
    QTemporaryDir dir;
    for (const QDate &day : {today, yearBack}) {
        QFile list(dir.filePath(QStringLiteral("list-") + day.toString(Qt::ISODate) + QStringLiteral(".csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(listOfDay(0));
    }
    CPublisher publisher;
    const QDate thisMonth(today.year(), today.month(), 1);
    const QDate monthBack(yearBack.year(), yearBack.month(), 1);
    for (QDate month = thisMonth.addMonths(-1); month >= monthBack.addMonths(-2); month = month.addMonths(-1)) {
        const QByteArray bucket = month == monthBack ? "5000" : "1000";
        publisher.routes.insert("/country/us/" + CListSource::monthFileName(month).toLatin1(),
                                {200, CListPacker::gzip("origin,rank\nhttps://www.site7.test," + bucket + '\n')});
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SORVANE_CRUX_URL"), publisher.base());
    const QStringList arguments{QStringLiteral("--data"), dir.path(), QStringLiteral("--us-source"), QStringLiteral("crux"),
                                QStringLiteral("--min-rows"), QStringLiteral("1"), QStringLiteral("--port"), QStringLiteral("0"),
                                QStringLiteral("--days"), QStringLiteral("365"), QStringLiteral("--max-age"), QStringLiteral("0")};
    const QByteArray yearBackPage = "/siteinfo/site7.test?date=" + yearBack.toString(Qt::ISODate).toLatin1();
    for (const bool restarted : {false, true}) {
        QProcess service;
        service.setProcessEnvironment(environment);
        QByteArray output;
        const quint16 port = startService(service, arguments, output);
        QVERIFY2(port != 0, service.readAllStandardError().constData());
        if (!restarted) {
            QVERIFY2(QTest::qWaitFor([&] {
                         output += service.readAllStandardOutput();
                         return output.contains("crux-us: ") && output.contains(" fetched, 0 present");
                     }, 30000),
                     output.constData());
        }
        const QJsonObject us = QJsonDocument::fromJson(bodyOf(fetchPath(port, "/status"))).object().value(u"us").toObject();
        QCOMPARE(us.value(u"month").toString(), thisMonth.addMonths(-1).toString(QStringLiteral("yyyy-MM")));
        QCOMPARE(parseRankPage(QString::fromUtf8(fetchPath(port, "/siteinfo/site7.test")), QStringLiteral("site7.test"), true)
                     .usRank(),
                 QStringLiteral("1000"));
        QCOMPARE(parseRankPage(QString::fromUtf8(fetchPath(port, yearBackPage)), QStringLiteral("site7.test"), true).usRank(),
                 QStringLiteral("5000"));
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
    }
}

// A file-size limit fails the download's write with the system's words;
// the update ends with its summary instead of being killed by SIGXFSZ.
void tst_Rankd::aFileSizeLimitIsAFailedWrite()
{
    const QDate today = CListSource::today();
    CPublisher publisher;
    QByteArray big;
    for (int rank = 1; rank <= 20000; ++rank)
        big += QByteArray::number(rank) + ",site" + QByteArray::number(rank) + ".test\n";
    publisher.routes.insert("/top-1m-" + today.toString(Qt::ISODate).toLatin1() + ".csv.zip", {200, big});
    QTemporaryDir data;
    QProcess update;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SORVANE_UMBRELLA_URL"), publisher.base());
    update.setProcessEnvironment(environment);
    update.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("ulimit -f 100 && exec \"$0\" \"$@\""),
                                             QStringLiteral(SORVANE_RANKD_PATH), QStringLiteral("--update"),
                                             QStringLiteral("--source"), QStringLiteral("umbrella"), QStringLiteral("--data"),
                                             data.path(), QStringLiteral("--days"), QStringLiteral("1"),
                                             QStringLiteral("--us-source"), QStringLiteral("none"),
                                             QStringLiteral("--attempts"), QStringLiteral("1")});
    QVERIFY(QTest::qWaitFor([&] { return update.state() == QProcess::NotRunning; }, 30000));
    QCOMPARE(update.exitStatus(), QProcess::NormalExit);
    QCOMPARE(update.exitCode(), 1);
    const QByteArray err = update.readAllStandardError();
    QVERIFY2(err.contains(std::strerror(EFBIG)), err.constData());
    QCOMPARE(update.readAllStandardOutput(), QByteArray("umbrella: 0 fetched, 0 present, 0 unavailable, 1 failed\n"));
}

// SIGTERM while a day's list is coming ends the update with its summary:
// what was whole is kept, the list under way is not, and the days not
// tried are left to the next update.
void tst_Rankd::anInterruptedUpdateKeepsWhatIsWhole()
{
    const QDate today = CListSource::today();
    CPublisher publisher;
    for (int back = 0; back < 3; ++back)
        publisher.routes.insert("/top-1m-" + today.addDays(-back).toString(Qt::ISODate).toLatin1() + ".csv.zip",
                                {200, CListPacker::gzip(listOfDay(back)), back == 2 ? CPublisher::Mode::Stall : CPublisher::Mode::Whole});
    QTemporaryDir data;
    QProcess update;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SORVANE_UMBRELLA_URL"), publisher.base());
    update.setProcessEnvironment(environment);
    update.start(QStringLiteral(SORVANE_RANKD_PATH),
                 {QStringLiteral("--update"), QStringLiteral("--source"), QStringLiteral("umbrella"), QStringLiteral("--data"),
                  data.path(), QStringLiteral("--days"), QStringLiteral("30"), QStringLiteral("--us-source"),
                  QStringLiteral("none"), QStringLiteral("--min-rows"), QStringLiteral("10")});
    // The third day stalls: the first two are whole by then.
    QVERIFY(QTest::qWaitFor([&] { return publisher.hits.size() == 3; }, 30000));
    update.terminate();
    QVERIFY(QTest::qWaitFor([&] { return update.state() == QProcess::NotRunning; }, 30000));
    const QByteArray err = update.readAllStandardError();
    QVERIFY2(err.startsWith("umbrella: 30 of 30 days to fetch, about ") && err.contains("umbrella: 1 of 30 days done, "),
             err.constData());
    QCOMPARE(update.exitStatus(), QProcess::NormalExit);
    QCOMPARE(update.exitCode(), 130);
    QCOMPARE(update.readAllStandardOutput(),
             QByteArray("umbrella: 2 fetched, 0 present, 0 unavailable, 0 failed, 28 left for the next update (interrupted)\n"));
    QStringList kept = QDir(data.filePath(QStringLiteral("umbrella"))).entryList(QDir::Files | QDir::Hidden);
    kept.removeAll(QStringLiteral(".sorvane-update.lock"));
    QCOMPARE(kept.size(), 2);
    QVERIFY2(kept.filter(QStringLiteral("umbrella-")).size() == 2, qPrintable(kept.join(u' ')));
}

QTEST_GUILESS_MAIN(tst_Rankd)
#include "tst_Rankd.moc"
