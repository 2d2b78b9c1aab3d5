#include "CDomainName.h"

#include <QTest>

using Problem = CDomainName::Problem;
Q_DECLARE_METATYPE(CDomainName::Problem)

class tst_DomainName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void problemOf_data();
    void problemOf();
    void entryAndNameAreInverse();
};

void tst_DomainName::problemOf_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Problem>("problem");
    QTest::newRow("plain") << QStringLiteral("example.com") << Problem::None;
    QTest::newRow("spaces inside") << QStringLiteral(" Not A Domain") << Problem::None;
    QTest::newRow("longest") << QString(CDomainName::MaxLength, u'a') << Problem::None;
    QTest::newRow("too long") << QString(CDomainName::MaxLength + 1, u'a') << Problem::TooLong;
    QTest::newRow("too long with comma") << (QString(CDomainName::MaxLength, u'a') + u',') << Problem::TooLong;
    QTest::newRow("nul") << QString(QChar(0)) << Problem::Unprintable;
    QTest::newRow("tab") << QStringLiteral("a\tb.com") << Problem::Unprintable;
    QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b.com") << Problem::Unprintable;
    QTest::newRow("zero-width space") << QStringLiteral("a\u200Bb.com") << Problem::Unprintable;
    QTest::newRow("control before comma") << QStringLiteral("a,\u0007b.com") << Problem::Unprintable;
    QTest::newRow("comma") << QStringLiteral("a,b.com") << Problem::Comma;
}

void tst_DomainName::problemOf()
{
    QFETCH(QString, name);
    QFETCH(Problem, problem);
    QCOMPARE(CDomainName::problemOf(name), problem);
}

void tst_DomainName::entryAndNameAreInverse()
{
    QCOMPARE(CDomainName::entry(QStringLiteral("a.com")), QStringLiteral("  a.com"));
    QCOMPARE(CDomainName::nameOf(QStringLiteral("   a.com ")), QStringLiteral("a.com"));
    QCOMPARE(CDomainName::nameOf(CDomainName::entry(QStringLiteral("a.com"))), QStringLiteral("a.com"));
    QCOMPARE(CDomainName::withoutWww(QStringLiteral("www.a.com")), QStringLiteral("a.com"));
}

QTEST_APPLESS_MAIN(tst_DomainName)
#include "tst_DomainName.moc"
