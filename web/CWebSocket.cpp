#include "CWebSocket.h"

#include <QLocale>
#include <QNetworkProxy>
#include <QTcpSocket>

namespace Korv::QtLib::Web {

CWebSocket::CWebSocket(QObject *parent, int index)
    : QThread(parent)
    , m_socket(new QTcpSocket(this))
    , m_index(index)
{
    // Sorvane sets no proxy; saying so spares the socket a proxy query on
    // every fetch.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    connect(m_socket, &QTcpSocket::connected, this, &CWebSocket::onConnect);
    connect(m_socket, &QTcpSocket::disconnected, this, &CWebSocket::onDisconnect);
    connect(m_socket, &QTcpSocket::readyRead, this, &CWebSocket::onDataArrival);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CWebSocket::onError);
    connect(&m_timer, &QTimer::timeout, this, &CWebSocket::onTimeout);

    m_timer.setInterval(m_timeoutMs);
    m_timer.stop();
}

CWebSocket::~CWebSocket()
{
    // Closing a live connection emits disconnected(); a report from a half
    // destroyed object would reach the owner, so the socket is silenced first.
    m_fetchOpen = false;
    m_timer.stop();
    m_socket->disconnect(this);
    if (m_socket->isOpen())
        m_socket->abort();
    delete m_socket;
}

void CWebSocket::reset()
{
    m_path = QStringLiteral("");
    m_cookie = QStringLiteral("");
    m_host = QStringLiteral("");
    m_referer = QStringLiteral("");
    m_buffer = QStringLiteral("");
    m_response = QStringLiteral("");
    m_receivedTotal = 0;
    m_port = 80;
}

void CWebSocket::connectToHost()
{
    // An owner that starts over before the last fetch ended gets no report
    // for the abandoned one.
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_fetchOpen = false;
        m_socket->abort();
    }
    m_fetchOpen = true;
    m_reached = false;
    m_failure.clear();
    // Started here so that a host that never answers the connection attempt
    // is bounded as well; the socket may report an error before returning.
    m_timer.start(m_timeoutMs);
    m_socket->connectToHost(m_host, static_cast<quint16>(m_port), QIODevice::ReadWrite);
}

QString CWebSocket::requestText() const
{
    // Room for the whole request at once: it is built for every fetch.
    QString text;
    text.reserve(320 + m_path.size() + m_host.size() + m_referer.size() + m_cookie.size());
    text += QStringLiteral("GET ") % m_path % QStringLiteral(" HTTP/1.0\r\n")
        % QStringLiteral("Accept: text/html, application/xhtml+xml, */*\r\n")
        % QStringLiteral("Accept-Language: en-US\r\n")
        % QStringLiteral("User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n")
        % QStringLiteral("Host: ") % m_host % QStringLiteral("\r\n");
    // A null field sends no line; an empty one sends the header with no value.
    if (!m_referer.isNull())
        text += QStringLiteral("Referer: ") % m_referer % QStringLiteral("\r\n");
    if (!m_cookie.isNull())
        text += QStringLiteral("Cookie: ") % m_cookie % QStringLiteral("\r\n");
    text += QStringLiteral("Connection: close\r\n\r\n");
    return text;
}

void CWebSocket::run()
{
    // Only an event loop: the fetch itself stays on the creating thread.
    exec();
}

void CWebSocket::onConnect()
{
    m_reached = true;
    if (!m_fetchOpen)
        return;
    // From here on the time-out bounds the exchange up to the server's close.
    m_timer.start(m_timeoutMs);
    m_socket->write(requestText().toLatin1());
    // Handed to the system now: left in the buffer, it would wait for the
    // next write notification, after the event loop has dealt with every
    // other socket's answer, and the service would sit idle meanwhile.
    m_socket->flush();
}

void CWebSocket::onDisconnect()
{
    if (!m_fetchOpen)
        return;
    // Bytes that came in together with the close.
    if (m_socket->bytesAvailable() > 0 && !takeChunk())
        return;

    m_fetchOpen = false;
    m_timer.stop();
    m_response = m_buffer;
    m_receivedTotal += static_cast<int>(m_response.size());
    if (m_socket->isOpen())
        m_socket->close();
    Q_EMIT dataRetrieved();
}

void CWebSocket::onDataArrival()
{
    if (!m_fetchOpen) {
        m_socket->readAll();
        return;
    }
    takeChunk();
}

bool CWebSocket::takeChunk()
{
    QByteArray bytes = m_socket->readAll();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);

    // A server that never stops sending must not exhaust memory.
    if (m_buffer.size() + bytes.size() > m_responseLimit) {
        m_buffer = QString();
        finishWithError(tr("the answer was longer than %1").arg(QLocale::c().formattedDataSize(m_responseLimit)));
        return false;
    }
    m_buffer.append(QLatin1StringView(bytes));
    return true;
}

void CWebSocket::onError(QAbstractSocket::SocketError error)
{
    m_timer.stop();
    // The disconnection that follows a remote close reports the fetch.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    if (!m_fetchOpen)
        return;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        finishWithError(tr("connection refused"));
        break;
    case QAbstractSocket::HostNotFoundError:
        finishWithError(tr("host not found"));
        break;
    case QAbstractSocket::SocketTimeoutError:
        finishWithError(tr("timed out"));
        break;
    default:
        finishWithError(m_socket->errorString());
        break;
    }
}

void CWebSocket::onTimeout()
{
    m_timer.stop();
    if (m_fetchOpen)
        finishWithError(tr("no answer within %1 s").arg(double(m_timeoutMs) / 1000.0));
}

void CWebSocket::finishWithError(const QString &failure)
{
    // Cleared before the socket goes down: aborting a live connection emits
    // disconnected(), which must not report the fetch a second time. abort()
    // rather than close(), because close() lets a pending connection attempt
    // carry on.
    m_fetchOpen = false;
    m_failure = failure;
    m_timer.stop();
    if (m_socket->isOpen() || m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    Q_EMIT dataRetrievalError();
}

} // namespace Korv::QtLib::Web
