#include "CAlexaRankData.h"
#include "watch/CAlertLog.h"
#include "watch/CAlertMailer.h"
#include "watch/CAlertRules.h"
#include "watch/CAlertRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    writeFile(CAlertRules::path(data.path()), "# watch everything\n*,global,moves,10%\nbad line\n");
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

    const CAlertRun::Outcome fired = CAlertRun::fire(data.path(), history, run, outlets, when);
    const QStringList alerts{"alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule * moves 10%",
                             "alert: b.test Global Rank 100 -> 200 (-100.0%), rule * moves 10%"};
    QCOMPARE(fired.alerts, alerts);
    QCOMPARE(fired.notes.size(), 1);
    QVERIFY(fired.notes.first().endsWith(u"alerts.dat line 3: not \"target,figure,condition,value\"; the rule is left out"));
    QCOMPARE(readAll(CAlertLog::path(data.path())),
             QByteArray("2026-12-02T07:30:00 " + alerts.at(0).toUtf8() + "\n2026-12-02T07:30:00 " + alerts.at(1).toUtf8()
                        + '\n'));
    const QByteArray message = readAll(mailFolder.filePath(QStringLiteral("message")));
    QVERIFY(message.startsWith("To: me@example.test\nSubject: Sorvane: 2 rank alerts\n"));
    QVERIFY(message.endsWith(QByteArray(alerts.join(u'\n').toUtf8() + '\n')));

    // A run that took nothing in fires nothing: no line, no mail.
    QFile::remove(mailFolder.filePath(QStringLiteral("message")));
    const CAlertRun::Outcome again = CAlertRun::fire(data.path(), history, {}, outlets, when);
    QVERIFY(again.alerts.isEmpty());
    QVERIFY(again.notes.isEmpty());
    QCOMPARE(readAll(CAlertLog::path(data.path())).count('\n'), 2);
    QVERIFY(!QFile::exists(mailFolder.filePath(QStringLiteral("message"))));
}

QTEST_GUILESS_MAIN(tst_AlertMail)
#include "tst_AlertMail.moc"
