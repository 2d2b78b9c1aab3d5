#include "protocol/CServiceAddress.h"

#include <QTest>

class tst_ServiceAddress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void addressesCarryTheHostOnly();
};

void tst_ServiceAddress::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("problem");
    QTest::newRow("unset") << QString() << "localhost" << 80 << false;
    QTest::newRow("blank") << "   " << "localhost" << 80 << false;
    QTest::newRow("host") << "rank.example" << "rank.example" << 80 << false;
    QTest::newRow("host and port") << "127.0.0.1:8080" << "127.0.0.1" << 8080 << false;
    QTest::newRow("surrounding blanks") << " rank.example:81 " << "rank.example" << 81 << false;
    QTest::newRow("port only") << ":8080" << "localhost" << 8080 << false;
    QTest::newRow("port zero") << "rank.example:0" << "rank.example" << 80 << true;
    QTest::newRow("port too large") << "rank.example:65536" << "rank.example" << 80 << true;
    QTest::newRow("port not a number") << "rank.example:http" << "rank.example" << 80 << true;
    QTest::newRow("empty port") << "rank.example:" << "rank.example" << 80 << true;
    QTest::newRow("IPv6 without port") << "::1" << "::1" << 80 << false;
}

void tst_ServiceAddress::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(bool, problem);
    const CResult<CServiceAddress> address = CServiceAddress::parse(text);
    QCOMPARE(!address, problem);
    if (problem) {
        QVERIFY2(address.message().contains(u"is not a port number"), qPrintable(address.message()));
        return;
    }
    QCOMPARE(address.value().host(), host);
    QCOMPARE(address.value().port(), port);
}

void tst_ServiceAddress::addressesCarryTheHostOnly()
{
    const CServiceAddress address = CServiceAddress::parse(QStringLiteral("127.0.0.1:8080")).value();
    QCOMPARE(address.pageAddress(QStringLiteral("example.com")), QStringLiteral("http://127.0.0.1/siteinfo/example.com"));
    QCOMPARE(address.refererAddress(QStringLiteral("example.com")),
             QStringLiteral("http://127.0.0.1/search?q=example.com&r=home_home&p=bigtop"));
    QCOMPARE(address.pageAddress(QStringLiteral("example.com"), QDate(2024, 2, 29)),
             QStringLiteral("http://127.0.0.1/siteinfo/example.com?date=2024-02-29"));
    QCOMPARE(address.text(), QStringLiteral("127.0.0.1:8080"));
}

QTEST_GUILESS_MAIN(tst_ServiceAddress)
#include "tst_ServiceAddress.moc"
