#include "CAlexaRankData.h"
#include "CSampleGenerator.h"
#include "CSnapshotStore.h"
#include "RankPageParser.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// Runs the real sorvane-rankd the way a script does: sample data first, then
// the service on a free port, read from its first lines of output.
class TestRankd : public QObject
{
    Q_OBJECT

private slots:
    void servesGeneratedSample();
    void refusesBadOptions_data();
    void refusesBadOptions();
};

void TestRankd::servesGeneratedSample()
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
    const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"),
                                       QRegularExpression::MultilineOption);
    QRegularExpressionMatch match;
    while (!(match = listening.match(QString::fromLatin1(output))).hasMatch()) {
        QVERIFY2(service.waitForReadyRead(30000), service.readAllStandardError().constData());
        output += service.readAllStandardOutput();
    }
    QVERIFY2(output.startsWith("loaded 91 files, 90 days, "), output.constData());
    const quint16 port = quint16(match.captured(1).toUInt());

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

void TestRankd::refusesBadOptions_data()
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

void TestRankd::refusesBadOptions()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(QStringLiteral(SORVANE_RANKD_PATH), arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardError().startsWith("sorvane-rankd: "));
}

QTEST_GUILESS_MAIN(TestRankd)
#include "tst_rankd.moc"
