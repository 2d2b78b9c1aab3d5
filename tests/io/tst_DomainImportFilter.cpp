#include "io/CDomainImportFilter.h"

#include <QTest>

using Verdict = CDomainImportFilter::Verdict;

class tst_DomainImportFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void check_data();
    void check();
    void filterIsReusable();
};

void tst_DomainImportFilter::check_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<Verdict>("verdict");
    QTest::addColumn<QString>("entry");

    QTest::newRow("address with path") << "http://www.example.com/some/page" << Verdict::Accepted << "  example.com";
    QTest::newRow("www prefix") << "www.example.com" << Verdict::Accepted << "  example.com";
    QTest::newRow("bare domain") << "example.com" << Verdict::Accepted << "  example.com";
    QTest::newRow("two-part suffix with path") << "example.co.uk/path" << Verdict::Accepted << "  example.co.uk";
    QTest::newRow("subdomain") << "http://sub.example.com/" << Verdict::Accepted << "  sub.example.com";
    QTest::newRow("too many parts") << "a.b.example.com" << Verdict::Rejected << QString();
    QTest::newRow("upper-case scheme") << "HTTP://example.com/" << Verdict::Rejected << QString();
    QTest::newRow("https") << "https://example.com/" << Verdict::Rejected << QString();
    QTest::newRow("port") << "example.com:8080" << Verdict::Rejected << QString();
    QTest::newRow("no dot") << "localhost" << Verdict::Rejected << QString();
    QTest::newRow("capitals kept") << "EXAMPLE.COM" << Verdict::Accepted << "  EXAMPLE.COM";
    QTest::newRow("empty line") << "" << Verdict::Rejected << QString();

    QTest::newRow("leading spaces") << "  example.com" << Verdict::Accepted << "    example.com";
    QTest::newRow("www inside the name") << "mywww.example.com" << Verdict::Accepted << "  myexample.com";
    QTest::newRow("scheme only") << "http://" << Verdict::Rejected << QString();
    QTest::newRow("slash first") << "/example.com" << Verdict::Rejected << QString();
    QTest::newRow("suffix of five letters") << "example.abcde" << Verdict::Rejected << QString();
    QTest::newRow("suffix of one letter") << "example.c" << Verdict::Rejected << QString();
    QTest::newRow("digits in suffix") << "example.c0m" << Verdict::Rejected << QString();
    QTest::newRow("IPv4 address") << "127.0.0.1" << Verdict::Rejected << QString();
    QTest::newRow("not Latin") << "bücher.de" << Verdict::Accepted << "  bücher.de";

    // A comma would split the domain's history line.
    QTest::newRow("comma in name") << "a,b.com" << Verdict::RefusedComma << QString();
    QTest::newRow("comma in address") << "http://www.x,y.example.com/page" << Verdict::RefusedComma << QString();
    QTest::newRow("comma after the host") << "example.com/a,b" << Verdict::Accepted << "  example.com";
}

void tst_DomainImportFilter::check()
{
    QFETCH(QString, line);
    QFETCH(Verdict, verdict);
    QFETCH(QString, entry);
    CDomainImportFilter filter;
    QCOMPARE(filter.check(line), verdict);
    QCOMPARE(filter.entry(), entry);
}

void tst_DomainImportFilter::filterIsReusable()
{
    CDomainImportFilter filter;
    QCOMPARE(filter.check(QStringLiteral("example.com")), Verdict::Accepted);
    QCOMPARE(filter.check(QStringLiteral("localhost")), Verdict::Rejected);
    QCOMPARE(filter.entry(), QString());
    QCOMPARE(filter.check(QStringLiteral("www.example.org")), Verdict::Accepted);
    QCOMPARE(filter.entry(), QStringLiteral("  example.org"));
}

QTEST_GUILESS_MAIN(tst_DomainImportFilter)
#include "tst_DomainImportFilter.moc"
