#include "CDomainDate.h"
#include "CDomainDateList.h"

#include <QTest>

class tst_DomainDateList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void updateCreatesOneEntryPerDomain();
    void updateComparesCalendarDates_data();
    void updateComparesCalendarDates();
    void containsOnlyTheHeldPair();
    void removeNeedsTheExactDate();
    void removedDomainComesBackAtTheEnd();
    void domainsAreCaseSensitive();
    void appendedDuplicateStaysReachable();
};

void tst_DomainDateList::updateCreatesOneEntryPerDomain()
{
    CDomainDateList list;
    list.update(QStringLiteral("a.com"), QStringLiteral("05/08/2012"));
    list.update(QStringLiteral("b.com"), QStringLiteral("05/08/2012"));
    list.update(QStringLiteral("a.com"), QStringLiteral("06/08/2012"));
    list.update(QStringLiteral("a.com"), QStringLiteral("01/08/2012"));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.at(0).domain(), QStringLiteral("a.com"));
    QCOMPARE(list.at(0).date(), QStringLiteral("06/08/2012"));
    QCOMPARE(list.at(1).domain(), QStringLiteral("b.com"));
}

void tst_DomainDateList::updateComparesCalendarDates_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("held");
    QTest::newRow("a later day replaces") << "06/08/2012" << "06/08/2012";
    QTest::newRow("an earlier day is ignored") << "04/08/2012" << "05/08/2012";
    QTest::newRow("a later month with a smaller day replaces") << "01/09/2012" << "01/09/2012";
    QTest::newRow("a later year with a smaller day and month replaces") << "01/01/2013" << "01/01/2013";
    QTest::newRow("an earlier year with a greater day is ignored") << "31/12/2011" << "05/08/2012";
    QTest::newRow("the same date") << "05/08/2012" << "05/08/2012";
    QTest::newRow("text of another form is ignored") << "05/08/20120" << "05/08/2012";
    QTest::newRow("text with letters is ignored") << "3x/08/2012" << "05/08/2012";
    QTest::newRow("a day that does not exist is ignored") << "31/02/2013" << "05/08/2012";
}

void tst_DomainDateList::updateComparesCalendarDates()
{
    QFETCH(QString, given);
    QFETCH(QString, held);
    CDomainDateList list;
    list.update(QStringLiteral("example.com"), QStringLiteral("05/08/2012"));
    list.update(QStringLiteral("example.com"), given);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.at(0).date(), held);
}

void tst_DomainDateList::containsOnlyTheHeldPair()
{
    CDomainDateList list;
    list.update(QStringLiteral("example.com"), QStringLiteral("05/08/2012"));
    list.update(QStringLiteral("example.com"), QStringLiteral("06/08/2012"));
    QVERIFY(list.contains(QStringLiteral("example.com"), QStringLiteral("06/08/2012")));
    QVERIFY(!list.contains(QStringLiteral("example.com"), QStringLiteral("05/08/2012")));
    QVERIFY(!list.contains(QStringLiteral("other.com"), QStringLiteral("06/08/2012")));
}

void tst_DomainDateList::removeNeedsTheExactDate()
{
    CDomainDateList list;
    list.update(QStringLiteral("example.com"), QStringLiteral("05/08/2012"));
    list.remove(QStringLiteral("example.com"), QStringLiteral("04/08/2012"));
    QCOMPARE(list.count(), 1);
    list.remove(QStringLiteral("example.com"), QStringLiteral("05/08/2012"));
    QCOMPARE(list.count(), 0);
    QVERIFY(!list.contains(QStringLiteral("example.com"), QStringLiteral("05/08/2012")));
}

void tst_DomainDateList::removedDomainComesBackAtTheEnd()
{
    CDomainDateList list;
    list.update(QStringLiteral("a.com"), QStringLiteral("05/08/2012"));
    list.update(QStringLiteral("b.com"), QStringLiteral("05/08/2012"));
    list.remove(QStringLiteral("a.com"), QStringLiteral("05/08/2012"));
    // Any date is accepted again, even one that compares smaller.
    list.update(QStringLiteral("a.com"), QStringLiteral("01/08/2012"));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.at(0).domain(), QStringLiteral("b.com"));
    QCOMPARE(list.at(1).domain(), QStringLiteral("a.com"));
    QCOMPARE(list.at(1).date(), QStringLiteral("01/08/2012"));
}

void tst_DomainDateList::domainsAreCaseSensitive()
{
    CDomainDateList list;
    list.update(QStringLiteral("Example.com"), QStringLiteral("05/08/2012"));
    list.update(QStringLiteral("example.com"), QStringLiteral("05/08/2012"));
    QCOMPARE(list.count(), 2);
    list.remove(QStringLiteral("example.com"), QStringLiteral("05/08/2012"));
    QVERIFY(list.contains(QStringLiteral("Example.com"), QStringLiteral("05/08/2012")));
}

void tst_DomainDateList::appendedDuplicateStaysReachable()
{
    // append() is the one way to give a domain a second entry; the first
    // stays the one update() changes, and removing it makes the second first.
    CDomainDateList list;
    list.append(QStringLiteral("a.com"), QStringLiteral("05/08/2012"));
    list.append(QStringLiteral("a.com"), QStringLiteral("07/08/2012"));
    QVERIFY(list.contains(QStringLiteral("a.com"), QStringLiteral("07/08/2012")));
    list.update(QStringLiteral("a.com"), QStringLiteral("06/08/2012"));
    QCOMPARE(list.at(0).date(), QStringLiteral("06/08/2012"));
    list.remove(QStringLiteral("a.com"), QStringLiteral("06/08/2012"));
    list.update(QStringLiteral("a.com"), QStringLiteral("08/08/2012"));
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.at(0).date(), QStringLiteral("08/08/2012"));
}

QTEST_APPLESS_MAIN(tst_DomainDateList)
#include "tst_DomainDateList.moc"
