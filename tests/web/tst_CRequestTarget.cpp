#include "CRequestTarget.h"

#include <QTest>

using Korv::QtLib::Web::CRequestTarget;

class tst_CRequestTarget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void split_data();
    void split();
    void freshTargetHasNoHostOrPath();
    void secondUrlLeavesNoTraceOfTheFirst();
};

void tst_CRequestTarget::split_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");

    QTest::newRow("query run address")
        << "http://www.example.org/siteinfo/example.com" << "www.example.org" << "/siteinfo/example.com";
    QTest::newRow("host without www")
        << "http://example.org/siteinfo/example.com" << "example.org" << "/siteinfo/example.com";
    QTest::newRow("www inside the path is dropped")
        << "http://www.example.org/siteinfo/www.example.com" << "www.example.org" << "/siteinfo/example.com";
    QTest::newRow("host text inside the path is dropped")
        << "http://example.org/siteinfo/example.org" << "example.org" << "/siteinfo/";
    QTest::newRow("root path") << "http://www.example.org/" << "www.example.org" << "/";
    QTest::newRow("no slash after a www host")
        << "http://www.example.org" << "www.example.org" << "/example.org";
    QTest::newRow("www host without scheme") << "www.example.org" << "www.example.org" << "/example.org";
    QTest::newRow("bare host") << "example.org" << "example.org" << "/";
    QTest::newRow("only the first slash matters")
        << "http://www.example.org/search?q=a/b" << "www.example.org" << "/search?q=a/b";
    QTest::newRow("scheme is case-sensitive") << "HTTP://example.org/a" << "HTTP:" << "//example.org/a";
    QTest::newRow("empty address") << "" << "" << "/";
}

void tst_CRequestTarget::split()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QFETCH(QString, path);

    CRequestTarget target;
    target.setUrl(url, 7, QStringLiteral("http://ref.example/"));
    QCOMPARE(target.host(), host);
    QCOMPARE(target.path(), path);
    QCOMPARE(target.url(), url);
    QCOMPARE(target.referer(), QStringLiteral("http://ref.example/"));
    QCOMPARE(target.tag(), 7);
}

void tst_CRequestTarget::freshTargetHasNoHostOrPath()
{
    const CRequestTarget target;
    QVERIFY(target.url().isNull());
    QVERIFY(target.host().isNull());
    QVERIFY(target.path().isNull());
    QCOMPARE(target.tag(), 0);
    QVERIFY(target.referer().startsWith(QStringLiteral("http://")));
    QVERIFY(target.referer().endsWith(QStringLiteral("/search?q=proxy+list&x=0&y=0&form=MSNH90")));
}

void tst_CRequestTarget::secondUrlLeavesNoTraceOfTheFirst()
{
    CRequestTarget target;
    target.setUrl(QStringLiteral("http://www.first.example/siteinfo/a.example"), 3,
                  QStringLiteral("http://first.example/"));
    target.setUrl(QStringLiteral("second.example"), 0, QString());
    QCOMPARE(target.url(), QStringLiteral("second.example"));
    QCOMPARE(target.host(), QStringLiteral("second.example"));
    QCOMPARE(target.path(), QStringLiteral("/"));
    QVERIFY(target.referer().isEmpty());
    QCOMPARE(target.tag(), 0);
}

QTEST_GUILESS_MAIN(tst_CRequestTarget)
#include "tst_CRequestTarget.moc"
