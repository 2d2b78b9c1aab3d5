#include "CAlexaRankData.h"
#include "DecodedHistory.h"
#include "watch/CAlertEngine.h"
#include "watch/CAlertRules.h"
#include "watch/CDigest.h"
#include "watch/CDomainGroups.h"

#include <QTest>

// The rules of alerts.dat read and fired against a run, as one table: each
// condition, each kind of target, figures without a value, a domain's first
// record and bad lines.
class tst_AlertRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fire_data();
    void fire();
    void groupsFile();
    void markdownDigestShowsMarkupAsText();
};

void tst_AlertRules::fire_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QString>("before");  // the history before the run
    QTest::addColumn<QString>("run");     // the run's records
    QTest::addColumn<QStringList>("alerts");
    QTest::addColumn<QStringList>("notes");

    const QString was = QStringLiteral("a.test,1000,200,NA,5,6,7,01/12/2026\n");
    QTest::newRow("moves by a percentage")
        << "a.test,global,moves,10%" << "" << was << "a.test,850,200,NA,5,6,7,02/12/2026"
        << QStringList{"alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule a.test moves 10%"} << QStringList();
    QTest::newRow("moves exactly the percentage")
        << "a.test,global,moves,15%" << "" << was << "a.test,850,200,NA,5,6,7,02/12/2026"
        << QStringList{"alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule a.test moves 15%"} << QStringList();
    QTest::newRow("moves less than the percentage")
        << "a.test,global,moves,10%" << "" << was << "a.test,950,200,NA,5,6,7,02/12/2026" << QStringList()
        << QStringList();
    QTest::newRow("moves down by places")
        << "*,us,moves,50" << "" << was << "a.test,1000,250,NA,5,6,7,02/12/2026"
        << QStringList{"alert: a.test US Rank 200 -> 250 (-25.0%), rule * moves 50"} << QStringList();
    QTest::newRow("no move never fires")
        << "*,global,moves,1" << "" << was << "a.test,1000,200,NA,5,6,7,02/12/2026" << QStringList() << QStringList();
    QTest::newRow("enters the top")
        << "*,7day,enters-top,3" << "" << was << "a.test,1000,200,NA,3,6,7,02/12/2026"
        << QStringList{"alert: a.test 7 Day 5 -> 3 (+40.0%), rule * enters-top 3"} << QStringList();
    QTest::newRow("already in the top")
        << "*,global,enters-top,2000" << "" << was << "a.test,900,200,NA,5,6,7,02/12/2026" << QStringList()
        << QStringList();
    QTest::newRow("leaves the top")
        << "*,global,leaves-top,1000" << "" << was << "a.test,1001,200,NA,5,6,7,02/12/2026"
        << QStringList{"alert: a.test Global Rank 1,000 -> 1,001 (-0.1%), rule * leaves-top 1000"} << QStringList();
    QTest::newRow("a group's domains only")
        << "@mine,global,moves,1" << "mine,b.test\nrivals,a.test\n"
        << was + "b.test,10,1,1,1,1,1,01/12/2026\n"
        << "a.test,900,200,NA,5,6,7,02/12/2026\nb.test,12,1,1,1,1,1,02/12/2026"
        << QStringList{"alert: b.test Global Rank 10 -> 12 (-20.0%), rule @mine moves 1"} << QStringList();
    QTest::newRow("an unknown group watches nothing")
        << "@nobody,global,moves,1" << "mine,a.test" << was << "a.test,900,200,NA,5,6,7,02/12/2026" << QStringList()
        << QStringList();
    QTest::newRow("another domain's rule")
        << "b.test,global,moves,1" << "" << was << "a.test,900,200,NA,5,6,7,02/12/2026" << QStringList()
        << QStringList();
    QTest::newRow("NA before never fires")
        << "*,yesterday,moves,1" << "" << was << "a.test,1000,200,4,5,6,7,02/12/2026" << QStringList() << QStringList();
    QTest::newRow("NA now never fires")
        << "*,global,leaves-top,10" << "" << "a.test,5,1,1,1,1,1,01/12/2026" << "a.test,NA,1,1,1,1,1,02/12/2026"
        << QStringList() << QStringList();
    QTest::newRow("empty never fires")
        << "*,3month,moves,1" << "" << was << "a.test,1000,200,NA,5,6,,02/12/2026" << QStringList() << QStringList();
    QTest::newRow("a domain's first record")
        << "*,global,moves,1" << "" << "" << "a.test,1000,200,NA,5,6,7,02/12/2026" << QStringList() << QStringList();
    QTest::newRow("against the latest earlier record")
        << "*,global,moves,1" << ""
        << "a.test,10,1,1,1,1,1,20/11/2026\na.test,40,1,1,1,1,1,01/12/2026\na.test,50,1,1,1,1,1,15/11/2026\n"
        << "a.test,30,1,1,1,1,1,02/12/2026"
        << QStringList{"alert: a.test Global Rank 40 -> 30 (+25.0%), rule * moves 1"} << QStringList();
    QTest::newRow("every rule that fires")
        << "*,global,moves,1\n@mine,global,enters-top,900 # mine" << "mine,a.test" << was
        << "a.test,850,200,NA,5,6,7,02/12/2026"
        << QStringList{"alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule * moves 1",
                       "alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule @mine enters-top 900"}
        << QStringList();
    // Rules are found by their target, and still fire in the file's order, each once.
    QTest::newRow("file order across targets, a domain listed twice")
        << "@rivals,global,moves,1\na.test,global,moves,2\n*,global,moves,3\n@mine,global,moves,4\nb.test,global,moves,5"
        << "mine,a.test\nrivals,a.test\nmine,a.test" << was << "a.test,850,200,NA,5,6,7,02/12/2026"
        << QStringList{"alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule @rivals moves 1",
                       "alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule a.test moves 2",
                       "alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule * moves 3",
                       "alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule @mine moves 4"}
        << QStringList();
    QTest::newRow("bad lines named, the others apply")
        << "# my rules\n\nevery,thing\n*,global,moves,1\n*,global,soars,1\n*,rank,moves,1\n*,global,enters-top,10%\n"
           "*,global,moves,0\n@,global,moves,1"
        << "" << was << "a.test,850,200,NA,5,6,7,02/12/2026"
        << QStringList{"alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule * moves 1"}
        << QStringList{
               "alerts.dat line 3: not \"target,figure,condition,value\"; the rule is left out",
               "alerts.dat line 5: unknown condition \"soars\" (moves, enters-top or leaves-top); the rule is left out",
               "alerts.dat line 6: unknown figure \"rank\" (one of global|us|yesterday|7day|1month|3month); the rule "
               "is left out",
               "alerts.dat line 7: \"10%\" is no place (a whole number above 0); the rule is left out",
               "alerts.dat line 8: \"0\" is no move (N places or N%); the rule is left out",
               "alerts.dat line 9: \"\" is no group name; the rule is left out"};
}

void tst_AlertRules::fire()
{
    QFETCH(QString, rules);
    QFETCH(QString, groups);
    QFETCH(QString, before);
    QFETCH(QString, run);
    QFETCH(QStringList, alerts);
    QFETCH(QStringList, notes);

    QStringList ruleNotes;
    const CAlertRules parsed = CAlertRules::parse(rules, QStringLiteral("alerts.dat"), ruleNotes);
    QStringList groupNotes;
    const CDomainGroups parsedGroups = CDomainGroups::parse(groups, QStringLiteral("groups.dat"), groupNotes);
    QCOMPARE(groupNotes, QStringList());
    QList<CAlexaRankData> history = decodedHistory(before.toUtf8());
    const QList<CAlexaRankData> taken = decodedHistory(run.toUtf8());
    history.append(taken);

    QCOMPARE(CAlertEngine::check(history, taken, parsed, parsedGroups), alerts);
    QCOMPARE(ruleNotes, notes);
}

void tst_AlertRules::groupsFile()
{
    // A group may name a domain that is not in the domain list: it is kept.
    QStringList notes;
    const CDomainGroups groups = CDomainGroups::parse(
        QStringLiteral("mine,a.test\r\n\nrivals,b.test\nmine,gone.test\nno comma\n,c.test\n"
                       "%1,d.test\nrivals,bad,name\nmine,a.test\n")
            .arg(QString(65, u'x')),
        QStringLiteral("groups.dat"), notes);
    QCOMPARE(groups.groups(), (QStringList{"mine", "rivals"}));
    QCOMPARE(groups.domainsOf(QStringLiteral("mine")), (QStringList{"a.test", "gone.test"}));
    QCOMPARE(groups.domainsOf(QStringList{"rivals", "mine"}), (QStringList{"a.test", "b.test", "gone.test"}));
    QCOMPARE(notes.size(), 4);
    QVERIFY(notes.at(0).startsWith(u"groups.dat line 5: "));
    QVERIFY(notes.at(1).startsWith(u"groups.dat line 6: "));
    QVERIFY(notes.at(2).startsWith(u"groups.dat line 7: "));
    QVERIFY(notes.at(3).startsWith(u"groups.dat line 8: "));
}

void tst_AlertRules::markdownDigestShowsMarkupAsText()
{
    const QList<CAlexaRankData> history{CAlexaRankData::fromLine(u"a.test,10,1,1,1,1,1,01/12/2026")};
    const CDigest digest(history, {QStringLiteral("a.test"), QStringLiteral("<b>x</b>|[y](z)")}, 0, 7, QDate(2026, 12, 2));
    const QString text = digest.render(CDigest::Format::Markdown);
    QVERIFY2(text.contains(QStringLiteral("| \\<b\\>x\\</b\\>\\|\\[y\\]\\(z\\) |")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("| a.test | 10 |")), qPrintable(text));
}

QTEST_GUILESS_MAIN(tst_AlertRules)
#include "tst_AlertRules.moc"
