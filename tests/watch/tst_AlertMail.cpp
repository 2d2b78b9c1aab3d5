#include "CAlexaRankData.h"
#include "CDataLock.h"
#include "CDataSession.h"
#include "watch/CAlertLog.h"
#include "watch/CBoundedProcess.h"
#include "watch/CAlertMailer.h"
#include "watch/CAlertRun.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &contents, QFile::Permissions permissions = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), contents.size());
    file.close();
    if (permissions)
        QVERIFY(file.setPermissions(permissions));
}

} // namespace

// Mail through a stand-in for sendmail that records its arguments and the
// message it was handed, and the run that fires alerts once.
class tst_AlertMail : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void send_data();
    void send();
    void runFiresOnce();
    void helperIsBounded_data();
    void helperIsBounded();
    void alertLogIsOnlyARegularFile_data();
    void alertLogIsOnlyARegularFile();

private:
    // A sendmail that keeps what it was given in the folder and ends with exitCode.
    QString standIn(const QTemporaryDir &folder, int exitCode)
    {
        const QString path = folder.filePath(QStringLiteral("sendmail"));
        writeFile(path,
                  QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1/args'\ncat > '%1/message'\n"
                                 "echo 'queue is full' >&2\nexit %2\n")
                      .arg(folder.path())
                      .arg(exitCode)
                      .toUtf8(),
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
};

void tst_AlertMail::send_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("missingProgram");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("failure"); // empty: sent

    QTest::newRow("sent") << 0 << false << "me@example.test" << "";
    QTest::newRow("program fails") << 75 << false << "me@example.test"
                                   << "failed (exit code 75): queue is full";
    QTest::newRow("no program") << 0 << true << "me@example.test" << "Could not run the mail program";
    QTest::newRow("address with a line break") << 0 << false << "me@example.test\nBcc: all@example.test"
                                               << "is no mail address";
}

void tst_AlertMail::send()
{
    QFETCH(int, exitCode);
    QFETCH(bool, missingProgram);
    QFETCH(QString, to);
    QFETCH(QString, failure);

    QTemporaryDir folder;
    const QString program = missingProgram ? folder.filePath(QStringLiteral("no-sendmail")) : standIn(folder, exitCode);
    const CAlertMailer mailer(program);
    const CResult<> sent = mailer.send(to, QStringLiteral("Sorvane: 1 rank alert"),
                                       QStringLiteral("alert: \u00e9t\u00e9.test Global Rank 10 -> 5 (+50.0%), rule * moves 1"));
    if (!failure.isEmpty()) {
        QVERIFY(!sent);
        QVERIFY2(sent.message().contains(failure), qPrintable(sent.message()));
        return;
    }
    QVERIFY2(sent, qPrintable(sent.message()));
    QCOMPARE(readAll(folder.filePath(QStringLiteral("args"))), QByteArray("-t\n-oi\n"));
    const QByteArray message = readAll(folder.filePath(QStringLiteral("message")));
    QVERIFY(message.startsWith("To: me@example.test\nSubject: Sorvane: 1 rank alert\n"));
    QVERIFY(message.contains("Content-Type: text/plain; charset=UTF-8\n"));
    QVERIFY(message.endsWith("\n\nalert: \xc3\xa9t\xc3\xa9.test Global Rank 10 -> 5 (+50.0%), rule * moves 1\n"));
}

void tst_AlertMail::runFiresOnce()
{
    QTemporaryDir data;
    QTemporaryDir mailFolder;
    writeFile(data.filePath(QStringLiteral("alerts.dat")), "# watch everything\n*,global,moves,10%\nbad line\n");
    CDataSession session(data.path());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    QList<CAlexaRankData> history{CAlexaRankData::fromLine(u"a.test,1000,1,1,1,1,1,01/12/2026"),
                                  CAlexaRankData::fromLine(u"b.test,100,1,1,1,1,1,01/12/2026")};
    const QList<CAlexaRankData> run{CAlexaRankData::fromLine(u"a.test,850,1,1,1,1,1,02/12/2026"),
                                    CAlexaRankData::fromLine(u"b.test,200,1,1,1,1,1,02/12/2026")};
    history.append(run);
    const CAlertMailer mailer(standIn(mailFolder, 0));
    CAlertOutlets outlets;
    outlets.mailer = &mailer;
    outlets.mailTo = QStringLiteral("me@example.test");
    const QDateTime when(QDate(2026, 12, 2), QTime(7, 30));

    const CAlertRun::Outcome fired = CAlertRun::fire(session, history, run, outlets, when);
    const QStringList alerts{"alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule * moves 10%",
                             "alert: b.test Global Rank 100 -> 200 (-100.0%), rule * moves 10%"};
    QCOMPARE(fired.alerts, alerts);
    QCOMPARE(fired.notes.size(), 1);
    QVERIFY(fired.notes.first().endsWith(u"alerts.dat line 3: not \"target,figure,condition,value\"; the rule is left out"));
    QCOMPARE(readAll(data.filePath(QStringLiteral("alerts.log"))),
             QByteArray("2026-12-02T07:30:00 " + alerts.at(0).toUtf8() + "\n2026-12-02T07:30:00 " + alerts.at(1).toUtf8()
                        + '\n'));
    const QByteArray message = readAll(mailFolder.filePath(QStringLiteral("message")));
    QVERIFY(message.startsWith("To: me@example.test\nSubject: Sorvane: 2 rank alerts\n"));
    QVERIFY(message.endsWith(QByteArray(alerts.join(u'\n').toUtf8() + '\n')));

    // A run that took nothing in fires nothing: no line, no mail.
    QFile::remove(mailFolder.filePath(QStringLiteral("message")));
    const CAlertRun::Outcome again = CAlertRun::fire(session, history, {}, outlets, when);
    QVERIFY(again.alerts.isEmpty());
    QVERIFY(again.notes.isEmpty());
    QCOMPARE(readAll(data.filePath(QStringLiteral("alerts.log"))).count('\n'), 2);
    QVERIFY(!QFile::exists(mailFolder.filePath(QStringLiteral("message"))));
}

void tst_AlertMail::helperIsBounded_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<QString>("error"); // what is kept of its standard error
    // Each would hold the run, or fill the memory with what it says, if read whole.
    QTest::newRow("never ends") << "exec sleep 600" << true << "";
    QTest::newRow("floods its output and never reads") << "exec yes" << true << "";
    QTest::newRow("floods its error output") << "exec yes 'queue is full' >&2" << true
                                             << QStringLiteral("queue is full ").repeated(21).trimmed();
    QTest::newRow("ends with a word") << "cat >/dev/null; echo 'queue is full' >&2; exit 75" << false << "queue is full";
}

void tst_AlertMail::helperIsBounded()
{
    QFETCH(QString, script);
    QFETCH(bool, timedOut);
    QFETCH(QString, error);
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("helper"));
    writeFile(program, ("#!/bin/sh\n" + script + '\n').toUtf8(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const CBoundedProcess::Outcome ran = CBoundedProcess::run(program, {}, QByteArray(1 << 20, 'm'), 1500);
    QVERIFY(ran.started);
    QCOMPARE(ran.timedOut, timedOut);
    QVERIFY(!ran.succeeded());
    QVERIFY(ran.errorOutput.size() <= CBoundedProcess::KeptErrorBytes);
    QCOMPARE(ran.errorOutput.left(error.size()), error);

    // The mailer says so, and the mail is not taken as sent.
    const CAlertMailer mailer(program, 1500);
    QVERIFY(!mailer.send(QStringLiteral("me@example.test"), QStringLiteral("Sorvane: 1 rank alert"), QStringLiteral("alert")));
}

void tst_AlertMail::alertLogIsOnlyARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a named pipe without a reader") << "fifo" << "named pipe";
    QTest::newRow("a folder") << "folder" << "folder";
    QTest::newRow("a link to nothing") << "dangling" << "does not exist";
    QTest::newRow("a link to a regular file") << "link" << "";
}

void tst_AlertMail::alertLogIsOnlyARegularFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir data;
    const QString log = data.filePath(QStringLiteral("alerts.log"));
    const QString target = data.filePath(QStringLiteral("elsewhere.log"));
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    else if (kind == u"folder")
        QVERIFY(QDir().mkdir(log));
    else
        QVERIFY(QFile::link(target, log));
    if (kind == u"link")
        writeFile(target, "2026-12-01T07:00:00 alert: old\n");
    CDataSession session(data.path());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    const CResult<> logged = CAlertLog::append(session, {QStringLiteral("alert: new")}, QDateTime(QDate(2026, 12, 2), QTime(7, 0)));
    if (reason.isEmpty()) {
        QVERIFY2(logged, qPrintable(logged.message()));
        QCOMPARE(readAll(target), QByteArray("2026-12-01T07:00:00 alert: old\n2026-12-02T07:00:00 alert: new\n"));
        QVERIFY(QFileInfo(log).isSymLink());
        return;
    }
    QVERIFY(!logged);
    QVERIFY2(logged.message().contains(reason), qPrintable(logged.message()));
    QVERIFY(!QFileInfo::exists(target));

    // A window that could not lock the folder appends nothing, wherever.
    QFile::remove(log);
    QDir().rmdir(log);
    CDataSession readOnly(data.path());
    CDataLock holder(data.path());
    session.unlock();
    QVERIFY(holder.acquire().held());
    QCOMPARE(readOnly.lock(), CDataSession::LockState::HeldByOther);
    QVERIFY(!CAlertLog::append(readOnly, {QStringLiteral("alert: new")}, QDateTime::currentDateTime()));
    QVERIFY(!QFileInfo::exists(log));
}

QTEST_GUILESS_MAIN(tst_AlertMail)
#include "tst_AlertMail.moc"
