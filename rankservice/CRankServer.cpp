#include "CRankServer.h"

#include "CRankConnection.h"
#include "CRequestReader.h"
#include "CSiteFigures.h"
#include "CSiteInfoPage.h"
#include "protocol/CSiteInfoRequest.h"
#include "CSnapshotStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <algorithm>

namespace {

QByteArray response(QByteArrayView status, const QByteArray &body,
                    QByteArrayView type = "text/html; charset=utf-8")
{
    QByteArray out;
    out.reserve(body.size() + 160);
    out += "HTTP/1.1 ";
    out += status;
    out += "\r\nContent-Type: ";
    out += type;
    out += "\r\nContent-Length: ";
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
    setListenBacklogSize(MaxConnections);
    connect(this, &QTcpServer::newConnection, this, &CRankServer::acceptPending);
}

void CRankServer::acceptPending()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        makeRoom(socket->peerAddress());
        auto *connection = new CRankConnection(socket, m_deadline, this);
        m_connections.push_back(connection);
        connect(connection, &QObject::destroyed, this, &CRankServer::connectionClosed);
        connect(connection, &CRankConnection::requestRead, this, &CRankServer::answerConnection);
        connection->start();
    }
}

void CRankServer::makeRoom(const QHostAddress &peer)
{
    auto idlest = m_connections.end();
    auto idlestOfPeer = m_connections.end();
    int ofPeer = 0;
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (idlest == m_connections.end() || (*it)->lastActive() < (*idlest)->lastActive())
            idlest = it;
        if ((*it)->peer() != peer)
            continue;
        ++ofPeer;
        if (idlestOfPeer == m_connections.end() || (*it)->lastActive() < (*idlestOfPeer)->lastActive())
            idlestOfPeer = it;
    }
    auto victim = m_connections.end();
    if (ofPeer >= MaxPerAddress)
        victim = idlestOfPeer;
    else if (int(m_connections.size()) >= MaxConnections)
        victim = idlest;
    if (victim == m_connections.end())
        return;
    CRankConnection *dropped = *victim;
    m_connections.erase(victim);
    ++m_droppedIdle;
    dropped->drop();
}

void CRankServer::connectionClosed(QObject *connection)
{
    const auto it = std::find(m_connections.begin(), m_connections.end(), connection);
    if (it != m_connections.end())
        m_connections.erase(it);
}

void CRankServer::answerConnection(CRankConnection *connection)
{
    connection->answer(answer(connection->request()));
}

QString CRankServer::staleReason(const QDate &today) const
{
    if (m_maxAgeDays <= 0)
        return {};
    const QString list = m_source.name.isEmpty() ? QStringLiteral("list")
                                                 : m_source.name + QStringLiteral(" list");
    const QDate newest = m_store.newestDay();
    if (!newest.isValid())
        return QStringLiteral("no %1 is held").arg(list);
    const qint64 age = newest.daysTo(today);
    if (age <= m_maxAgeDays)
        return {};
    return QStringLiteral("newest %1 is %2, %3 days old")
        .arg(list, newest.toString(Qt::ISODate))
        .arg(age);
}

QByteArray CRankServer::statusJson() const
{
    QJsonObject source;
    source.insert(QStringLiteral("source"), m_source.name);
    source.insert(QStringLiteral("newest"), m_store.newestDay().isValid()
                                                ? QJsonValue(m_store.newestDay().toString(Qt::ISODate))
                                                : QJsonValue());
    source.insert(QStringLiteral("days"), m_store.daysHeld());
    source.insert(QStringLiteral("rows"), double(m_store.rowsHeld()));
    source.insert(QStringLiteral("domains"), double(m_store.domainCount()));
    source.insert(QStringLiteral("lastUpdate"), m_source.lastUpdate);
    const QString stale = staleReason(QDate::currentDate());
    source.insert(QStringLiteral("stale"), stale.isEmpty() ? QJsonValue() : QJsonValue(stale));
    source.insert(QStringLiteral("loading"), m_loading ? QJsonValue(m_progress) : QJsonValue());
    QJsonObject status;
    status.insert(QStringLiteral("sources"), QJsonArray{source});
    return QJsonDocument(status).toJson(QJsonDocument::Compact) + '\n';
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
    const std::optional<QByteArrayView> dateText =
        query >= 0 ? CSiteInfoRequest::dateOf(path.sliced(query + 1)) : std::nullopt;
    const bool dated = dateText.has_value();
    if (query >= 0)
        path = path.first(query);
    if (path == "/status")
        return response("200 OK", statusJson(), "application/json");
    const QString domain = CSiteInfoRequest::domainOf(path);
    if (domain.isEmpty()) {
        const QByteArray prefix = CSiteInfoRequest::PathPrefix.toString().toLatin1();
        return errorPage("404 Not Found", QByteArray("Pages are served at " + prefix + " followed by a domain name."));
    }

    const QDate today = QDate::currentDate();
    QDate day = today;
    if (dated) {
        const CResult<QDate> asked = CSiteInfoRequest::readDay(*dateText);
        if (!asked)
            return errorPage("400 Bad Request", asked.message().toLatin1());
        day = asked.value();
        if (day > today)
            return errorPage("400 Bad Request", "The date is after today.");
    }

    if (m_loading)
        return response("503 Service Unavailable", "loading: " + m_progress.toUtf8() + '\n',
                        "text/plain; charset=utf-8");
    if (dated)
        return pageAsOf(domain, day);

    // Old figures under today's date would be worse than none.
    if (const QString stale = staleReason(QDate::currentDate()); !stale.isEmpty())
        return response("503 Service Unavailable", stale.toUtf8() + '\n', "text/plain; charset=utf-8");

    const CSiteInfoPage::Attribution from{m_source.title, m_source.licence};
    return response("200 OK",
                    CSiteInfoPage::render(domain, m_store.figures(domain), m_store.newestDay(), from, today));
}

QByteArray CRankServer::pageAsOf(const QString &domain, const QDate &day) const
{
    // The held figures are those of every day from their newest list on.
    std::shared_ptr<const CSnapshotStore> past;
    const CSnapshotStore *store = &m_store;
    const bool held = m_store.newestDay().isValid() && day >= m_store.newestDay()
        && (!m_store.newestUsDay().isValid() || day >= m_store.newestUsDay());
    if (!held) {
        past = storeAsOf(day);
        store = past.get();
    }
    const QByteArray dayText = day.toString(Qt::ISODate).toLatin1();
    if (!store || !store->newestDay().isValid())
        return errorPage("404 Not Found", QByteArray("No list is held on or before " + dayText + '.'));
    // Figures from a list long before the day would pass for that day's.
    const qint64 age = store->newestDay().daysTo(day);
    if (m_maxAgeDays > 0 && age > m_maxAgeDays) {
        const QByteArray reason = "No list is held on or within " + QByteArray::number(m_maxAgeDays)
            + " days before " + dayText + "; the newest before it is "
            + store->newestDay().toString(Qt::ISODate).toLatin1() + '.';
        return errorPage("404 Not Found", reason);
    }
    const CSiteInfoPage::Attribution from{m_source.title, m_source.licence};
    return response("200 OK", CSiteInfoPage::render(domain, store->figures(domain), store->newestDay(), from, day));
}

std::shared_ptr<const CSnapshotStore> CRankServer::storeAsOf(const QDate &day) const
{
    if (m_store.folder().isEmpty())
        return {};
    // An update may have brought in a list of a past day too.
    const std::pair<QDate, qint64> held{m_store.newestDay(), m_store.rowsHeld()};
    if (held != m_pastDaysOf) {
        m_pastDays.clear();
        m_pastDaysOf = held;
    }
    const auto found = std::find_if(m_pastDays.begin(), m_pastDays.end(),
                                    [&day](const auto &kept) { return kept.first == day; });
    if (found != m_pastDays.end()) {
        std::rotate(m_pastDays.begin(), found, found + 1);
        return m_pastDays.front().second;
    }
    auto store = std::make_shared<CSnapshotStore>();
    CSnapshotStore::LoadOptions options;
    options.asOf = day;
    store->load(m_store.folder(), options);
    m_pastDays.insert(m_pastDays.begin(), {day, store});
    if (m_pastDays.size() > size_t(PastDaysKept))
        m_pastDays.pop_back();
    return store;
}
