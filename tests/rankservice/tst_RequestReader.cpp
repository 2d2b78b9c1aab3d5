#include "rankservice/server/CRequestReader.h"

#include <QTest>

Q_DECLARE_METATYPE(CRequestReader::Status)

namespace {

// What the Sorvane client sends, with a path given by the caller.
QByteArray clientRequest(const QByteArray &path)
{
    return "GET " + path + " HTTP/1.0\r\n"
           "Accept: text/html\r\nAccept-Language: en-us,en;q=0.5\r\n"
           "User-Agent: Mozilla/5.0\r\nHost: 127.0.0.1:8080\r\n"
           "Referer: http://127.0.0.1:8080/search?q=a.test&r=home_home&p=bigtop\r\n"
           "Cookie: \r\nConnection: close\r\n\r\n";
}

} // namespace

class tst_RequestReader : public QObject
{
    Q_OBJECT

private slots:
    void readsHeads_data();
    void readsHeads();
    void ignoresWhatFollowsTheHead();
    void capsTheHead_data();
    void capsTheHead();
};

void tst_RequestReader::readsHeads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<CRequestReader::Status>("status");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");

    using S = CRequestReader::Status;
    QTest::newRow("the client's request") << clientRequest("/siteinfo/a.test") << S::Complete
                                          << QByteArray("GET") << QByteArray("/siteinfo/a.test");
    QTest::newRow("1.1 with host") << QByteArray("GET /x HTTP/1.1\r\nHost: h\r\n\r\n") << S::Complete
                                   << QByteArray("GET") << QByteArray("/x");
    QTest::newRow("bare line feeds") << QByteArray("GET /x HTTP/1.0\nA: b\n\n") << S::Complete
                                     << QByteArray("GET") << QByteArray("/x");
    QTest::newRow("empty lines first") << QByteArray("\r\n\r\nGET /x HTTP/1.0\r\n\r\n") << S::Complete
                                       << QByteArray("GET") << QByteArray("/x");
    QTest::newRow("unencoded spaces and Latin-1 in the path")
        << QByteArray("GET /siteinfo/a b\xe9.test HTTP/1.0\r\n\r\n") << S::Complete << QByteArray("GET")
        << QByteArray("/siteinfo/a b\xe9.test");
    QTest::newRow("other method is still a request") << QByteArray("POST /x HTTP/1.0\r\n\r\n")
                                                     << S::Complete << QByteArray("POST") << QByteArray("/x");
    QTest::newRow("no empty line yet") << QByteArray("GET /x HTTP/1.0\r\nHost: h\r\n") << S::Incomplete
                                       << QByteArray() << QByteArray();
    QTest::newRow("nothing") << QByteArray() << S::Incomplete << QByteArray() << QByteArray();

    const QByteArrayList malformed = {
        "GET /x HTTP/1.1\r\n\r\n",                 // 1.1 without Host
        "GET /x HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n",
        "GET /x HTTP/2.0\r\n\r\n",
        "GET /x\r\n\r\n",                          // HTTP/0.9 style
        "GET  HTTP/1.0\r\n\r\n",
        "GET x HTTP/1.0\r\n\r\n",                  // not a path
        "GET http://h/x HTTP/1.0\r\n\r\n",
        "G(T /x HTTP/1.0\r\n\r\n",
        " GET /x HTTP/1.0\r\n\r\n",
        "GET /x\x01y HTTP/1.0\r\n\r\n",
        "GET /x HTTP/1.0\r\nNo colon here\r\n\r\n",
        "GET /x HTTP/1.0\r\n: no name\r\n\r\n",
        "GET /x HTTP/1.0\r\nA: b\r\n folded\r\n\r\n",
        QByteArray("GET /x HTTP/1.0\r\nA: b\0c\r\n\r\n", 27),
        "get /x http/1.0\r\n\r\n",
        QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\n", 12), // a TLS hello
    };
    for (const QByteArray &bytes : malformed)
        QTest::addRow("malformed %s", bytes.left(bytes.indexOf('\r')).toPercentEncoding(" /:").constData())
            << bytes << S::Malformed << QByteArray() << QByteArray();
}

void tst_RequestReader::readsHeads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(CRequestReader::Status, status);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);

    // Whole, then one byte at a time: how the bytes arrive must not matter.
    for (const bool bytewise : {false, true}) {
        CRequestReader reader;
        if (bytewise) {
            for (qsizetype i = 0; i < bytes.size(); ++i)
                reader.feed(QByteArrayView(bytes).sliced(i, 1));
        } else {
            QCOMPARE(reader.feed(bytes), status);
        }
        QCOMPARE(reader.status(), status);
        if (status == CRequestReader::Status::Complete) {
            QCOMPARE(reader.method(), method);
            QCOMPARE(reader.target(), target);
            QCOMPARE(reader.headSize(), bytes.size());
        }
    }
}

void tst_RequestReader::ignoresWhatFollowsTheHead()
{
    CRequestReader reader;
    const QByteArray head = clientRequest("/siteinfo/a.test");
    QCOMPARE(reader.feed(QByteArray(head + "GET /other HTTP/1.0\r\n\r\n" + QByteArray(20000, 'x'))),
             CRequestReader::Status::Complete);
    QCOMPARE(reader.target(), QByteArray("/siteinfo/a.test"));
    QCOMPARE(reader.headSize(), head.size());
    // Once decided, more bytes change nothing.
    QCOMPARE(reader.feed("garbage\r\n\r\n"), CRequestReader::Status::Complete);
    QCOMPARE(reader.version(), QByteArray("HTTP/1.0"));
}

void tst_RequestReader::capsTheHead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<CRequestReader::Status>("status");

    const QByteArray start = "GET /x HTTP/1.0\r\n";
    const qsizetype fill = CRequestReader::MaxHeadSize - start.size() - 4; // "X: " + line end, "\r\n"
    const auto withHeader = [&](qsizetype valueSize) -> QByteArray {
        return start + "X:" + QByteArray(valueSize, 'v') + "\r\n\r\n";
    };
    using S = CRequestReader::Status;
    QTest::newRow("exactly at the cap") << withHeader(fill - 2) << S::Complete;
    QTest::newRow("one byte over") << withHeader(fill - 1) << S::TooLarge;
    QTest::newRow("endless request line") << QByteArray("GET /" + QByteArray(CRequestReader::MaxHeadSize, 'a'))
                                          << S::TooLarge;
    QByteArray manyHeaders = start;
    while (manyHeaders.size() <= CRequestReader::MaxHeadSize)
        manyHeaders += "A: b\r\n";
    QTest::newRow("many short headers") << manyHeaders << S::TooLarge;
    QTest::newRow("endless empty lines") << QByteArray(CRequestReader::MaxHeadSize + 2, '\n') << S::TooLarge;
}

void tst_RequestReader::capsTheHead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(CRequestReader::Status, status);

    for (const qsizetype piece : {bytes.size(), qsizetype(1000), qsizetype(7)}) {
        CRequestReader reader;
        for (qsizetype i = 0; i < bytes.size(); i += piece)
            reader.feed(QByteArrayView(bytes).sliced(i, qMin(piece, bytes.size() - i)));
        QCOMPARE(reader.status(), status);
        QVERIFY(reader.headSize() <= CRequestReader::MaxHeadSize);
    }
}

QTEST_GUILESS_MAIN(tst_RequestReader)
#include "tst_RequestReader.moc"
