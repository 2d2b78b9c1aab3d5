#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CRankdProcess.h"
#include "CSorvaneCommand.h"
#include "CTempHome.h"
#include "CTrendFigure.h"
#include "rankservice/lists/CSampleGenerator.h"
#include "watch/CAlertEngine.h"
#include "watch/CAlertLog.h"
#include "watch/CAlertRules.h"
#include "watch/CDomainGroups.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Outcome = CSorvaneCommand::Outcome;

// sorvane --query with groups and alert rules against the ranking service,
// and the digest of what it stored: the program as a timer runs it, with a
// stand-in for sendmail and no session bus.
class tst_WatchCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void groupRunFiresOnce();

private:
    Outcome run(const QStringList &arguments) const;

    QTemporaryDir m_lists;
    QTemporaryDir m_mail;
    std::unique_ptr<CRankdProcess> m_service;
    CTempHome m_home;
};

void tst_WatchCommand::initTestCase()
{
    const CResult<void> lists = CSampleGenerator::write(m_lists.path(), QDate::currentDate());
    QVERIFY2(lists, qPrintable(lists.message()));
    m_service = std::make_unique<CRankdProcess>(QStringLiteral(SORVANE_RANKD_PATH));
    const CResult<quint16> started = m_service->start(m_lists.path(), 30000);
    QVERIFY2(started, qPrintable(started.message()));

    QFile sendmail(m_mail.filePath(QStringLiteral("sendmail")));
    QVERIFY(sendmail.open(QIODevice::WriteOnly));
    sendmail.write(QStringLiteral("#!/bin/sh\ncat >> '%1/messages'\n").arg(m_mail.path()).toUtf8());
    sendmail.close();
    QVERIFY(sendmail.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral(".config/qorvex")));
    m_home.writeFile(m_home.path() + QStringLiteral("/.config/qorvex/Sorvane.ini"),
                     "[Alerts]\nmailTo=me@example.test\n");
}

void tst_WatchCommand::cleanupTestCase()
{
    m_service.reset();
}

Outcome tst_WatchCommand::run(const QStringList &arguments) const
{
    QProcessEnvironment environment = CSorvaneCommand::environment(m_home.path());
    environment.insert(QStringLiteral("SORVANE_SERVICE"), QStringLiteral("127.0.0.1:%1").arg(m_service->port()));
    environment.insert(QStringLiteral("SORVANE_SENDMAIL"), m_mail.filePath(QStringLiteral("sendmail")));
    // No session bus: a desktop without one is no failure.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    return CSorvaneCommand::run(QStringLiteral(SORVANE_PATH), arguments, environment);
}

void tst_WatchCommand::groupRunFiresOnce()
{
    const QStringList domains = CSampleGenerator::domains().mid(0, 3);
    m_home.writeFile(m_home.domainListPath(), domains.join(u'\n').toUtf8() + '\n');
    // Yesterday's records with a rank no domain has today, so that the rule moves.
    const QString yesterday = QDate::currentDate().addDays(-1).toString(QStringLiteral("dd/MM/yyyy"));
    QByteArray before;
    for (const QString &domain : domains)
        before += (domain + QStringLiteral(",99999999,NA,NA,NA,NA,NA,") + yesterday + u'\n').toUtf8();
    m_home.writeFile(m_home.historyPath(), before);
    const QString data = m_home.dataDirectory();
    m_home.writeFile(data + QStringLiteral("/groups.dat"), (QStringLiteral("mine,%1\nmine,%2\nrivals,%3\nmine,gone.test\n")
                                                     .arg(domains.at(0), domains.at(1), domains.at(2)))
                                                    .toUtf8());
    m_home.writeFile(data + QStringLiteral("/alerts.dat"), "# my sites\n@mine,global,moves,1\nbroken line\n*,us,moves,1\n");

    const Outcome first = run({"--query", "--group", "mine"});
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.err.size(), 1);
    QVERIFY2(first.err.first().contains(u"alerts.dat line 3: "), qPrintable(first.err.first()));

    // Only the group's listed domains were queried; each moved from its
    // made-up rank, and the US rank had no value before, so it stays quiet.
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::loadHistory(m_home.historyPath(), history, dates);
    QCOMPARE(history.size(), 5);
    QStringList alerts;
    for (const CAlexaRankData &record : history.mid(3)) {
        QVERIFY(record.domain() == domains.at(0) || record.domain() == domains.at(1));
        alerts.append(CAlertEngine::line(record.domain(), CTrendFigure::GlobalRank, 99999999,
                                         *CTrendFigure::value(record.globalRank()), QStringLiteral("@mine moves 1")));
    }
    for (const QString &alert : alerts)
        QVERIFY2(first.out.contains(alert), qPrintable(first.out.join(u'\n')));
    const QList<QByteArray> logged = CTempHome::readFile(data + QStringLiteral("/alerts.log")).split('\n');
    QCOMPARE(logged.size(), 3);
    QVERIFY(logged.at(0).endsWith(alerts.at(0).toUtf8()));
    QVERIFY(logged.at(0).startsWith(QDate::currentDate().toString(Qt::ISODate).toUtf8()));
    const QByteArray mail = CTempHome::readFile(m_mail.filePath(QStringLiteral("messages")));
    QVERIFY(mail.startsWith("To: me@example.test\nSubject: Sorvane: 2 rank alerts\n"));
    QVERIFY(mail.endsWith(QByteArray(alerts.join(u'\n').toUtf8() + '\n')));

    // The same day again: nothing is taken in, so nothing fires.
    const Outcome second = run({"--query", "--group", "mine"});
    QCOMPARE(second.exitCode, 0);
    for (const QString &alert : alerts)
        QVERIFY(!second.out.contains(alert));
    QCOMPARE(CTempHome::readFile(data + QStringLiteral("/alerts.log")).count('\n'), 2);
    QCOMPARE(CTempHome::readFile(m_mail.filePath(QStringLiteral("messages"))), mail);

    // The digest of the group shows the domain it names without listing it.
    const Outcome digest = run({"--digest", "--group", "mine", "--days", "2"});
    QCOMPARE(digest.exitCode, 0);
    QCOMPARE(digest.out.size(), 4);
    QVERIFY(digest.out.last().startsWith(u"gone.test: "));
    QVERIFY(digest.out.at(1).contains(u", was 99,999,999, +"));

    // The export of a group holds its domains' records alone: the header,
    // two from yesterday and two from today.
    const Outcome exported = run({"--export", "--group", "mine"});
    QCOMPARE(exported.exitCode, 0);
    QCOMPARE(exported.out.size(), 5);
    for (const QString &line : exported.out.mid(1))
        QVERIFY2(line.startsWith(domains.at(0) + u',') || line.startsWith(domains.at(1) + u','), qPrintable(line));

    const Outcome unknown = run({"--query", "--group", "nobody"});
    QCOMPARE(unknown.exitCode, 2);
    QCOMPARE(run({"--export", "--group", "nobody"}).exitCode, 2);
}

QTEST_GUILESS_MAIN(tst_WatchCommand)
#include "tst_WatchCommand.moc"
