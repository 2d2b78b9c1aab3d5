#include "CHttpAnswer.h"

#include <QTest>

using Korv::QtLib::Web::CHttpAnswer;

class tst_CHttpAnswer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
};

void tst_CHttpAnswer::read_data()
{
    QTest::addColumn<QString>("response");
    QTest::addColumn<int>("status"); // 0: no status line
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<QString>("reason");

    QTest::newRow("page") << "HTTP/1.0 200 OK\r\n\r\n<html></html>" << 200 << true << "200 OK" << "";
    QTest::newRow("page with its length")
        << "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody" << 200 << true << "200 OK" << "";
    QTest::newRow("page cut short")
        << "HTTP/1.1 200 OK\r\ncontent-length: 40\r\n\r\nbody" << 200 << false << "200 OK" << "";
    QTest::newRow("head cut short") << "HTTP/1.1 200 OK\r\nContent-Ty" << 200 << false << "200 OK" << "";
    QTest::newRow("stale lists")
        << "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 47\r\n\r\n"
           "newest tranco list is 2026-08-17, 112 days old\n"
        << 503 << true << "503 Service Unavailable" << "newest tranco list is 2026-08-17, 112 days old";
    QTest::newRow("not found page")
        << "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<h1>Not Found</h1>" << 404 << true
        << "404 Not Found" << "";
    QTest::newRow("control characters in the reason")
        << "HTTP/1.0 503 Busy\r\nContent-Type: text/plain\r\n\r\nload\x1b[2Jing\tnow\r\nsecond line" << 503 << true
        << "503 Busy" << "load [2Jing now";
    QTest::newRow("empty") << "" << 0 << false << "" << "";
    QTest::newRow("no status line") << "<html>figures</html>" << 0 << false << "" << "";
    QTest::newRow("status without digits") << "HTTP/1.0 OK\r\n\r\n" << 0 << false << "" << "";
    QTest::newRow("status of two digits") << "HTTP/1.0 20 OK\r\n\r\n" << 0 << false << "" << "";
}

void tst_CHttpAnswer::read()
{
    QFETCH(QString, response);
    QFETCH(int, status);
    QFETCH(bool, complete);
    QFETCH(QString, statusText);
    QFETCH(QString, reason);

    const CHttpAnswer answer = CHttpAnswer::read(response);
    QCOMPARE(answer.isEmpty(), response.isEmpty());
    QCOMPARE(answer.hasStatusLine(), status > 0);
    QCOMPARE(answer.status(), status);
    QCOMPARE(answer.isComplete(), complete);
    QCOMPARE(answer.statusText(), statusText);
    QCOMPARE(answer.reason(), reason);
}

QTEST_GUILESS_MAIN(tst_CHttpAnswer)
#include "tst_CHttpAnswer.moc"
