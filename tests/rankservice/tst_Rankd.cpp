#include "CAlexaRankData.h"
#include "CRankdProcess.h"
#include "CSampleGenerator.h"
#include "CSnapshotStore.h"
#include "RankPageParser.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

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
};

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

    CRankdProcess service(QStringLiteral(SORVANE_RANKD_PATH));
    const CResult<quint16> started =
        service.startWith({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), data}, 30000);
    QVERIFY2(started, qPrintable(started.message()));
    QCOMPARE(service.address(), QStringLiteral("127.0.0.1"));
    QVERIFY2(service.loadSummary().startsWith(QStringLiteral("loaded 91 files, 90 days, ")),
             qPrintable(service.loadSummary()));
    const quint16 port = started.value();

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

    service.stop();
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

QTEST_GUILESS_MAIN(tst_Rankd)
#include "tst_Rankd.moc"
