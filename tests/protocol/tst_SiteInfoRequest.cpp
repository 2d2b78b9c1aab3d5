#include "pageformat/CSiteInfoFormat.h"
#include "protocol/CSiteInfoRequest.h"

#include <QTest>

class tst_SiteInfoRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pathReadsBack_data();
    void pathReadsBack();
    void domainOf_data();
    void domainOf();
    void readDay_data();
    void readDay();
    void asOf_data();
    void asOf();
};

void tst_SiteInfoRequest::pathReadsBack_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("path");
    QTest::newRow("today") << "example.com" << QDate() << "/siteinfo/example.com";
    QTest::newRow("past day") << "example.com" << QDate(2024, 2, 29) << "/siteinfo/example.com?date=2024-02-29";
    QTest::newRow("padded day") << "a.example" << QDate(2025, 1, 5) << "/siteinfo/a.example?date=2025-01-05";
}

void tst_SiteInfoRequest::pathReadsBack()
{
    // What the client sends is what the service reads.
    QFETCH(QString, domain);
    QFETCH(QDate, day);
    QFETCH(QString, path);
    QCOMPARE(CSiteInfoRequest::pagePath(domain, day), path);
    const QByteArray sent = path.toLatin1();
    const qsizetype query = sent.indexOf('?');
    QCOMPARE(CSiteInfoRequest::domainOf(query < 0 ? sent : sent.first(query)), domain);
    QCOMPARE(query >= 0, day.isValid());
    const QByteArray field = CSiteInfoRequest::DateField.toString().toLatin1();
    if (query >= 0) {
        QVERIFY(sent.sliced(query + 1).startsWith(field));
        QCOMPARE(CSiteInfoRequest::readDay(sent.sliced(query + 1 + field.size())).value(), day);
    }
}

void tst_SiteInfoRequest::domainOf_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("domain");
    QTest::newRow("page") << QByteArray("/siteinfo/example.com") << "example.com";
    QTest::newRow("Latin-1 byte") << QByteArray("/siteinfo/caf\xe9.example") << QString::fromUtf8("café.example");
    QTest::newRow("error: prefix only") << QByteArray("/siteinfo/") << QString();
    QTest::newRow("error: no trailing slash") << QByteArray("/siteinfo") << QString();
    QTest::newRow("error: deeper path") << QByteArray("/siteinfo/a/b") << QString();
    QTest::newRow("error: other page") << QByteArray("/status") << QString();
    QTest::newRow("error: other case") << QByteArray("/SiteInfo/example.com") << QString();
    QTest::newRow("error: empty") << QByteArray() << QString();
}

void tst_SiteInfoRequest::domainOf()
{
    QFETCH(QByteArray, path);
    QFETCH(QString, domain);
    QCOMPARE(CSiteInfoRequest::domainOf(path), domain);
}

void tst_SiteInfoRequest::readDay_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QDate>("day");
    QTest::newRow("leap day") << QByteArray("2024-02-29") << QDate(2024, 2, 29);
    QTest::newRow("new year's eve") << QByteArray("2023-12-31") << QDate(2023, 12, 31);
    QTest::newRow("error: empty") << QByteArray() << QDate();
    QTest::newRow("error: no such day") << QByteArray("2023-02-29") << QDate();
    QTest::newRow("error: record form") << QByteArray("29/02/2024") << QDate();
    QTest::newRow("error: unpadded") << QByteArray("2024-2-29") << QDate();
    QTest::newRow("error: signed year") << QByteArray("+024-02-29") << QDate();
    QTest::newRow("error: trailing text") << QByteArray("2024-02-29x") << QDate();
}

void tst_SiteInfoRequest::readDay()
{
    QFETCH(QByteArray, text);
    QFETCH(QDate, day);
    const CResult<QDate> read = CSiteInfoRequest::readDay(text);
    QCOMPARE(read.ok(), day.isValid());
    if (read)
        QCOMPARE(read.value(), day);
    else
        QVERIFY(read.message().contains(QStringLiteral("YYYY-MM-DD")));
}

void tst_SiteInfoRequest::asOf_data()
{
    const QString opening = QString::fromLatin1(CSiteInfoFormat::AsOfOpening.toByteArray());
    const QString closing = QString::fromLatin1(CSiteInfoFormat::AsOfClosing.toByteArray());
    QTest::addColumn<QString>("page");
    QTest::addColumn<QDate>("day");
    QTest::newRow("in a page") << "<html>" + opening + "2024-02-29" + closing + "</html>" << QDate(2024, 2, 29);
    QTest::newRow("error: no marker") << "<html><p>Figures as of 2024-02-29.</p>" << QDate();
    QTest::newRow("error: page ends after the marker") << "<html>" + opening << QDate();
    QTest::newRow("error: cut short") << "<html>" + opening + "2024-02" << QDate();
    QTest::newRow("error: not a day") << "<html>" + opening + "2024-13-01" + closing << QDate();
    QTest::newRow("error: empty page") << QString() << QDate();
}

void tst_SiteInfoRequest::asOf()
{
    QFETCH(QString, page);
    QFETCH(QDate, day);
    QCOMPARE(CSiteInfoRequest::asOf(page), day);
}

QTEST_GUILESS_MAIN(tst_SiteInfoRequest)
#include "tst_SiteInfoRequest.moc"
