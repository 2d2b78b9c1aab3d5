#include "CDataLock.h"
#include "CTempHome.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

// The real program, killed the way logout, shutdown or a terminal do it,
// ends as a closed window does: it saves and lets go of its lock.
class tst_QuitSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void signalClosesAndSaves_data();
    void signalClosesAndSaves();
};

void tst_QuitSignals::signalClosesAndSaves_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("messageAtStart");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    // A named pipe in the history's place is reported in a message box that
    // waits for an answer before the window is shown.
    QTest::newRow("SIGTERM during a start-up message") << int(SIGTERM) << true;
}

void tst_QuitSignals::signalClosesAndSaves()
{
    QFETCH(int, signal);
    QFETCH(bool, messageAtStart);
    CTempHome home;
    // What only a save by the program changes: the untrimmed line is written back trimmed.
    home.writeFile(home.domainListPath(), "a.com\n  imported.example  \n");
    if (messageAtStart)
        QCOMPARE(::mkfifo(QFile::encodeName(home.historyPath()).constData(), 0600), 0);
    else
        home.writeFile(home.historyPath(), "a.com,1,2,3,4,5,6,05/08/2012\n");
    // What an earlier save cut short by a kill left behind.
    home.writeFile(home.dataDirectory() + QStringLiteral("/.db.dat.Ab12Cd.tmp"), "a.com,1,2,3\n");

    QProcess sorvane;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    sorvane.setProcessEnvironment(environment);
    sorvane.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sorvane.start(QStringLiteral(SORVANE_PATH), QStringList());
    QVERIFY(sorvane.waitForStarted());

    // The lock names its holder once the data folder is the program's.
    const QString lockPath = home.dataDirectory() + QStringLiteral("/sorvane.lock");
    const QByteArray pid = QByteArray::number(sorvane.processId()) + '\n';
    const QDeadlineTimer deadline(60000);
    while (!CTempHome::readFile(lockPath).startsWith(pid) && !deadline.hasExpired()
           && sorvane.state() == QProcess::Running)
        QTest::qWait(20);
    QVERIFY2(CTempHome::readFile(lockPath).startsWith(pid), "sorvane did not take its lock");

    ::kill(pid_t(sorvane.processId()), signal);
    QVERIFY(sorvane.waitForFinished(60000));
    QCOMPARE(sorvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sorvane.exitCode(), 0);
    QCOMPARE(CTempHome::readFile(home.domainListPath()), QByteArray("a.com\nimported.example\n"));
    if (messageAtStart)
        QVERIFY(!QFileInfo(home.historyPath()).isFile()); // left as it was
    else
        QCOMPARE(CTempHome::readFile(home.historyPath()), QByteArray("a.com,1,2,3,4,5,6,05/08/2012\n"));
    QVERIFY(!QFileInfo::exists(home.dataDirectory() + QStringLiteral("/.db.dat.Ab12Cd.tmp")));
    CDataLock lock(home.dataDirectory());
    QVERIFY(lock.acquire().held());
}

QTEST_GUILESS_MAIN(tst_QuitSignals)
#include "tst_QuitSignals.moc"
