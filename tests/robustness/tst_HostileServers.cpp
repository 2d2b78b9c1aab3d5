#include "CAlexaRankData.h"
#include "CAlexaSocket.h"
#include "CFakePrompts.h"
#include "CRankClock.h"
#include "CTempHome.h"
#include "pageformat/CSiteInfoFormat.h"
#include "MainWindow.h"

#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <sys/socket.h>

namespace {

const QByteArray Head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>";

// Answers each site-information request as its domain asks: a proper page,
// a stall, a reset in the middle of the page, or a hundred megabytes.
class CHostileServer : public QObject
{
public:
    CHostileServer()
    {
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRequest(socket); });
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }

private:
    void onRequest(QTcpSocket *socket)
    {
        m_heads[socket] += socket->readAll();
        const QByteArray head = m_heads.value(socket);
        if (!head.contains("\r\n\r\n"))
            return;
        const QByteArray path = head.split(' ').value(1);
        if (path.endsWith("/good.test")) {
            socket->write(Head + QByteArrayView(CSiteInfoFormat::GlobalMarker.data(), CSiteInfoFormat::GlobalMarker.size())
                          + "\n1,234 <img " + QByteArrayView(CSiteInfoFormat::UsMarker.data(), CSiteInfoFormat::UsMarker.size())
                          + "\n56 </body></html>");
            socket->disconnectFromHost();
        } else if (path.endsWith("/stall.test")) {
            socket->write(Head + "<p>still loading"); // and never closes
        } else if (path.endsWith("/reset.test")) {
            socket->write(Head + "<p>half a page");
            socket->flush();
            // Lingering for no time makes closing send a reset instead of a close.
            const linger now{1, 0};
            setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            socket->abort();
        } else if (path.endsWith("/flood.test")) {
            socket->write(Head);
            m_left[socket] = 100;
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { feed(socket); });
            feed(socket);
        } else {
            socket->write("HTTP/1.0 404 Not Found\r\n\r\n");
            socket->disconnectFromHost();
        }
    }

    // A megabyte at a time, whenever the previous one has gone out.
    void feed(QTcpSocket *socket)
    {
        if (socket->bytesToWrite() > 0 || socket->state() != QAbstractSocket::ConnectedState)
            return;
        if (m_left[socket]-- > 0)
            socket->write(QByteArray(1024 * 1024, 'x'));
        else
            socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_heads;
    QHash<QTcpSocket *, int> m_left;
};

} // namespace

// A server that stalls or floods costs a failed fetch and no record; one that
// resets in the middle of a page without a length leaves a page without
// figures. The run goes on with the next domain either way.
class tst_HostileServers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachBadServerCostsOneFetch();
};

void tst_HostileServers::eachBadServerCostsOneFetch()
{
    CTempHome home;
    home.writeFile(home.domainListPath(), "stall.test\nreset.test\nflood.test\ngood.test\nstall.test\n");
    CHostileServer server;
    auto prompts = std::make_shared<CFakePrompts>();
    CSettings settings = home.settings(QDate(2026, 12, 7));
    settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(server.port())).value();
    MainWindow window(nullptr, settings, prompts);
    for (int i = 0; i < MainWindow::SocketCount; ++i)
        window.socket(i)->setTimeoutInterval(500);
    auto *button = window.findChild<QPushButton *>(QStringLiteral("btnManualQuery"));
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.isCrawlFinished() && button->isEnabled(), 60000);

    QHash<QString, QString> lines;
    for (const CAlexaRankData &record : window.history())
        lines.insert(record.domain(), record.toString());
    QCOMPARE(window.history().size(), 2); // both stall.test fetches failed, as did flood.test
    QVERIFY(!lines.contains(QStringLiteral("stall.test")));
    QCOMPARE(lines.value(QStringLiteral("reset.test")), QStringLiteral("reset.test,NA,NA,NA,NA,NA,NA,07/12/2026"));
    QVERIFY(!lines.contains(QStringLiteral("flood.test")));
    QCOMPARE(lines.value(QStringLiteral("good.test")), QStringLiteral("good.test,1234,56,NA,NA,NA,NA,07/12/2026"));
    QVERIFY(prompts->messages().isEmpty());
}

QTEST_MAIN(tst_HostileServers)
#include "tst_HostileServers.moc"
