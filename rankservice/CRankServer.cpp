#include "CRankServer.h"

#include "CRankConnection.h"
#include "CRequestReader.h"
#include "CSiteFigures.h"
#include "CSiteInfoPage.h"
#include "CSnapshotStore.h"

#include <QTcpSocket>

namespace {

constexpr QByteArrayView PagePrefix = "/siteinfo/";

QByteArray response(QByteArrayView status, const QByteArray &body)
{
    QByteArray out;
    out.reserve(body.size() + 160);
    out += "HTTP/1.1 ";
    out += status;
    out += "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ";
    out += QByteArray::number(body.size());
    out += "\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n";
    out += body;
    return out;
}

QByteArray errorPage(QByteArrayView status, QByteArrayView explanation)
{
    QByteArray body = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    body += status;
    body += "</title>\n</head>\n<body>\n<h1>";
    body += status;
    body += "</h1>\n<p>";
    body += explanation;
    body += "</p>\n</body>\n</html>\n";
    return response(status, body);
}

} // namespace

CRankServer::CRankServer(const CSnapshotStore &store, QObject *parent)
    : QTcpServer(parent)
    , m_store(store)
{
    setMaxPendingConnections(MaxConnections);
    connect(this, &QTcpServer::newConnection, this, &CRankServer::acceptPending);
}

void CRankServer::acceptPending()
{
    while (m_open < MaxConnections) {
        QTcpSocket *socket = nextPendingConnection();
        if (!socket)
            return;
        ++m_open;
        auto *connection = new CRankConnection(socket, this);
        connect(connection, &QObject::destroyed, this, &CRankServer::connectionClosed);
    }
    // Full: further clients wait in the system's backlog until one closes.
    pauseAccepting();
}

void CRankServer::connectionClosed()
{
    --m_open;
    if (m_open < MaxConnections) {
        resumeAccepting();
        if (hasPendingConnections())
            acceptPending();
    }
}

QByteArray CRankServer::answer(const CRequestReader &request) const
{
    switch (request.status()) {
    case CRequestReader::Status::Incomplete:
    case CRequestReader::Status::Malformed:
        return errorPage("400 Bad Request", "The request could not be read.");
    case CRequestReader::Status::TooLarge:
        return errorPage("400 Bad Request", "The request head is longer than 8 KiB.");
    case CRequestReader::Status::Complete:
        break;
    }
    if (request.method() != "GET")
        return errorPage("400 Bad Request", "Only GET requests are served.");

    QByteArrayView path = request.target();
    const qsizetype query = path.indexOf('?');
    if (query >= 0)
        path = path.first(query);
    if (!path.startsWith(PagePrefix) || path.size() == PagePrefix.size()
        || path.sliced(PagePrefix.size()).contains('/'))
        return errorPage("404 Not Found", "Pages are served at /siteinfo/ followed by a domain name.");

    // The client sends the name as Latin-1 bytes, unencoded.
    const QString domain = QString::fromLatin1(path.sliced(PagePrefix.size()));
    return response("200 OK", CSiteInfoPage::render(domain, m_store.figures(domain), m_store.newestDay()));
}
