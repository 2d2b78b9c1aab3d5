#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList Units = {QStringLiteral("sorvane-rankd.service"), QStringLiteral("sorvane-query.service"),
                           QStringLiteral("sorvane-query.timer"), QStringLiteral("sorvane-digest.service"),
                           QStringLiteral("sorvane-digest.timer")};

QByteArray unitText(const QString &unit)
{
    QFile file(QStringLiteral(SORVANE_UNIT_SOURCE_DIR "/") + unit);
    if (!file.exists())
        file.setFileName(file.fileName() + QStringLiteral(".in"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The installed units as systemd reads them: verified with the programs in a
// folder of stand-ins, since systemd-analyze checks that ExecStart exists.
class tst_Units : public QObject
{
    Q_OBJECT

private slots:
    void timersRunAndCatchUp_data();
    void timersRunAndCatchUp();
    void queryAsksTheServiceTheUnitsStart();
    void passVerify_data();
    void passVerify();
};

void tst_Units::timersRunAndCatchUp_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("calendar");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("query, daily") << QStringLiteral("sorvane-query") << QByteArray("daily")
                                  << QByteArray("sorvane --query");
    QTest::newRow("digest, weekly") << QStringLiteral("sorvane-digest") << QByteArray("weekly")
                                    << QByteArray("sorvane --digest --days 7 --mail");
}

void tst_Units::timersRunAndCatchUp()
{
    QFETCH(QString, unit);
    QFETCH(QByteArray, calendar);
    QFETCH(QByteArray, command);

    const QByteArray timer = unitText(unit + QStringLiteral(".timer"));
    QVERIFY(timer.contains(QByteArray("\nOnCalendar=" + calendar + '\n')));
    QVERIFY(timer.contains("\nPersistent=true\n"));
    QVERIFY(timer.contains("\nWantedBy=timers.target\n"));
    const QByteArray service = unitText(unit + QStringLiteral(".service"));
    QVERIFY(service.contains(QByteArray("\nExecStart=@CMAKE_INSTALL_FULL_BINDIR@/" + command + '\n')));
    QVERIFY(service.contains("\nType=oneshot\n"));
}

void tst_Units::queryAsksTheServiceTheUnitsStart()
{
    const QByteArray rankd = unitText(QStringLiteral("sorvane-rankd.service"));
    QVERIFY(rankd.contains("--address 127.0.0.1 --port 8080\n"));
    const QByteArray query = unitText(QStringLiteral("sorvane-query.service"));
    QVERIFY(query.contains("\nEnvironment=SORVANE_SERVICE=127.0.0.1:8080\n"));
}

void tst_Units::passVerify_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<bool>("clean");
    QTest::newRow("as installed") << QByteArray() << QByteArray() << true;
    // The check itself must catch faults.
    QTest::newRow("error: misspelt setting") << QByteArray("Restart=on-failure") << QByteArray("Restart=sometimes")
                                             << false;
    QTest::newRow("error: missing program") << QByteArray("/sorvane --query") << QByteArray("/sorvanex --query")
                                            << false;
    QTest::newRow("error: bad calendar") << QByteArray("OnCalendar=daily") << QByteArray("OnCalendar=dayly")
                                         << false;
}

void tst_Units::passVerify()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(bool, clean);

    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        QSKIP("systemd-analyze is not installed");

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bin")) && QDir(dir.path()).mkpath(QStringLiteral("run")));
    for (const QString &program : {QStringLiteral("sorvane"), QStringLiteral("sorvane-rankd")}) {
        QFile stand(dir.filePath(QStringLiteral("bin/") + program));
        QVERIFY(stand.open(QIODevice::WriteOnly));
        stand.write("#!/bin/sh\n");
        stand.close();
        QVERIFY(stand.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QStringList paths;
    for (const QString &unit : Units) {
        QByteArray text = unitText(unit);
        QVERIFY2(!text.isEmpty(), qPrintable(unit));
        text.replace("@CMAKE_INSTALL_FULL_BINDIR@", dir.filePath(QStringLiteral("bin")).toUtf8());
        if (!from.isEmpty())
            text.replace(from, to);
        QFile file(dir.filePath(unit));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        paths << file.fileName();
    }

    QProcess verify;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A user manager needs a runtime folder, which a test machine may lack.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
    verify.setProcessEnvironment(environment);
    verify.setWorkingDirectory(dir.path());
    verify.start(analyze, QStringList{QStringLiteral("verify"), QStringLiteral("--user"), QStringLiteral("--man=no")}
                              + paths);
    QVERIFY(verify.waitForFinished(60000));
    const QByteArray said = verify.readAllStandardError() + verify.readAllStandardOutput();
    if (clean) {
        QVERIFY2(verify.exitStatus() == QProcess::NormalExit && verify.exitCode() == 0 && said.isEmpty(),
                 said.constData());
    } else {
        QVERIFY2(!said.isEmpty(), "systemd-analyze found nothing wrong");
    }
}

QTEST_GUILESS_MAIN(tst_Units)
#include "tst_Units.moc"
