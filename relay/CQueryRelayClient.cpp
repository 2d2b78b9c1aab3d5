#include "relay/CQueryRelayClient.h"

#include "relay/CQueryRelay.h"

#include <QDir>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTextStream>
#include <QTimer>

#include <limits>

#ifdef Q_OS_LINUX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

int seconds(int ms)
{
    return (ms + 999) / 1000;
}

} // namespace

CQueryRelayClient::CQueryRelayClient(QString dataDirectory, QString runtimeDirectory, QObject *parent)
    : CQueryRelayClient(std::move(dataDirectory), std::move(runtimeDirectory), Limits(), parent)
{
}

CQueryRelayClient::CQueryRelayClient(QString dataDirectory, QString runtimeDirectory, Limits limits, QObject *parent)
    : QObject(parent)
    , m_dataDirectory(std::move(dataDirectory))
    , m_runtimeDirectory(std::move(runtimeDirectory))
    , m_limits(limits)
{
}

CQueryRelayClient::~CQueryRelayClient() = default;

QString CQueryRelayClient::noWindowMessage(const QString &dataDirectory)
{
    return tr("another process holds the data folder %1 and no window answered").arg(QDir::toNativeSeparators(dataDirectory));
}

CRunReport::ExitCode CQueryRelayClient::relay(const CQueryRelay::Request &request, QTextStream &out, QTextStream &err)
{
    QEventLoop loop;
    QLocalSocket socket;
    QTimer idle;
    QTimer deadline;
    m_loop = &loop;
    m_socket = &socket;
    m_idle = &idle;
    m_deadline = &deadline;
    m_out = &out;
    m_err = &err;
    m_started = false;
    m_ended = false;
    m_code = CRunReport::CannotStart;

    idle.setSingleShot(true);
    deadline.setSingleShot(true);
    connect(&idle, &QTimer::timeout, this, [this] {
        giveUp(m_started ? tr("the window sent nothing for %1 s; its run goes on there").arg(seconds(m_limits.idleMs)) : QString());
    });
    connect(&deadline, &QTimer::timeout, this, [this] {
        giveUp(tr("the window's run did not end within %1 s; it goes on there").arg(seconds(m_deadline->interval())));
    });
    connect(&socket, &QLocalSocket::connected, this, [this, request] { ask(request); });
    connect(&socket, &QLocalSocket::readyRead, this, &CQueryRelayClient::readLines);
    connect(&socket, &QLocalSocket::disconnected, this, [this] {
        readLines(); // what came with the close
        giveUp(tr("the window closed before its run ended"));
    });
    connect(&socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError error) {
        if (error != QLocalSocket::PeerClosedError)
            giveUp(tr("the connection to the window broke (%1)").arg(m_socket->errorString()));
    });

    // Bounded before anything else, so that no step can wait for ever.
    idle.start(m_limits.answerMs);
    socket.setReadBufferSize(CQueryRelay::MaxLineLength * 4);
    const CResult<QString> path = CQueryRelay::socketPath(m_runtimeDirectory, m_dataDirectory);
    if (path)
        socket.connectToServer(path.value());
    else
        giveUp(QString());
    if (!m_ended)
        loop.exec();
    QObject::disconnect(&socket, nullptr, this, nullptr);
    socket.abort();
    m_loop = nullptr;
    m_socket = nullptr;
    m_idle = nullptr;
    m_deadline = nullptr;
    return m_code;
}

void CQueryRelayClient::interrupt(const QString &why)
{
    if (m_ended || !m_loop)
        return;
    *m_out << why << (m_started ? QStringLiteral("; the window's run goes on there") : QString()) << Qt::endl;
    end(CRunReport::SomeFailed);
}

void CQueryRelayClient::ask(const CQueryRelay::Request &request)
{
    // A socket of that name put there by someone else is not the window.
    if (!peerIsThisUser()) {
        giveUp(QString());
        return;
    }
    m_socket->write(CQueryRelay::request(request));
}

bool CQueryRelayClient::peerIsThisUser() const
{
#ifdef Q_OS_LINUX
    struct ucred peer{};
    socklen_t size = sizeof(peer);
    if (::getsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == ::getuid();
#else
    return true;
#endif
}

void CQueryRelayClient::readLines()
{
    while (!m_ended && m_socket->canReadLine())
        take(m_socket->readLine(CQueryRelay::MaxLineLength + 1));
    if (!m_ended && !m_socket->canReadLine() && m_socket->bytesAvailable() > CQueryRelay::MaxLineLength)
        giveUp(tr("the window sent a line longer than %1 bytes").arg(CQueryRelay::MaxLineLength));
}

void CQueryRelayClient::take(const QByteArray &bytes)
{
    const std::optional<CQueryRelay::Line> line = bytes.endsWith('\n') ? CQueryRelay::parseLine(bytes) : std::nullopt;
    if (!line) {
        giveUp(tr("the window answered something that is not a query run's report"));
        return;
    }
    if (m_started)
        m_idle->start(m_limits.idleMs);
    switch (line->kind) {
    case CQueryRelay::Kind::Run:
        takeRun(line->text.toInt());
        break;
    case CQueryRelay::Kind::Out:
        *m_out << line->text << Qt::endl;
        break;
    case CQueryRelay::Kind::Err:
        *m_err << "sorvane: " << line->text << Qt::endl;
        break;
    case CQueryRelay::Kind::Exit: {
        const int code = line->text.toInt();
        if (code == CRunReport::AllStored || code == CRunReport::SomeFailed || code == CRunReport::CannotStart)
            end(CRunReport::ExitCode(code));
        else
            giveUp(tr("the window ended its run with an unknown code %1").arg(code));
        break;
    }
    }
}

void CQueryRelayClient::takeRun(int domains)
{
    m_started = true;
    m_idle->start(m_limits.idleMs);
    // The list may be long, but a window that takes longer than its domains explain is stuck.
    const qint64 allowed = qMax<qint64>(m_limits.minimumRunMs, qint64(domains) * m_limits.perDomainMs);
    m_deadline->start(int(qMin<qint64>(allowed, std::numeric_limits<int>::max())));
}

void CQueryRelayClient::giveUp(const QString &why)
{
    if (m_ended)
        return;
    // Before the run began nothing was fetched; after it, the window may have stored part.
    if (!m_started)
        end(CRunReport::CannotStart, noWindowMessage(m_dataDirectory));
    else
        end(CRunReport::SomeFailed, why);
}

void CQueryRelayClient::end(CRunReport::ExitCode code, const QString &message)
{
    if (m_ended)
        return;
    m_ended = true;
    m_code = code;
    if (!message.isEmpty())
        *m_err << "sorvane: " << message << Qt::endl;
    m_idle->stop();
    m_deadline->stop();
    m_loop->quit();
}
