#include "CRankServer.h"

#include "CRankConnection.h"
#include "CRequestReader.h"
#include "CSiteFigures.h"
#include "CSiteInfoPage.h"
#include "pageformat/CSiteInfoFormat.h"
#include "CSnapshotStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <algorithm>

namespace {

constexpr QByteArrayView PagePrefix = "/siteinfo/";

// The list as a page names it: with the publisher's ID of the list the
// figures come from, where it has one, so that a user can cite it.
CSiteInfoPage::Attribution attribution(const CRankServer::Source &source, const CSnapshotStore &store)
{
    const QString id = store.newestListId();
    return {id.isEmpty() ? source.title : source.title + QStringLiteral(", list ID ") + id, source.licence};
}

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
    // The publisher's ID of the newest list, to cite it by.
    source.insert(QStringLiteral("listId"), m_store.newestListId().isEmpty() ? QJsonValue()
                                                                             : QJsonValue(m_store.newestListId()));
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
    QByteArray dateText;
    bool dated = false;
    if (query >= 0) {
        for (const QByteArray &pair : path.sliced(query + 1).toByteArray().split('&')) {
            if (pair.startsWith("date=")) {
                dateText = pair.sliced(5);
                dated = true;
                break;
            }
        }
        path = path.first(query);
    }
    if (path == "/status")
        return response("200 OK", statusJson(), "application/json");
    if (!path.startsWith(PagePrefix) || path.size() == PagePrefix.size()
        || path.sliced(PagePrefix.size()).contains('/'))
        return errorPage("404 Not Found", "Pages are served at /siteinfo/ followed by a domain name.");

    const QDate today = QDate::currentDate();
    QDate day = today;
    if (dated) {
        day = QDate::fromString(QString::fromLatin1(dateText), CSiteInfoFormat::AsOfFormat);
        const bool digits = dateText.size() == 10 && std::all_of(dateText.begin(), dateText.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '-';
        });
        if (!day.isValid() || !digits)
            return errorPage("400 Bad Request", "The date is not a day written YYYY-MM-DD.");
        if (day > today)
            return errorPage("400 Bad Request", "The date is after today.");
    }

    if (m_loading)
        return response("503 Service Unavailable", "loading: " + m_progress.toUtf8() + '\n',
                        "text/plain; charset=utf-8");
    // The client sends the name as Latin-1 bytes, unencoded.
    const QString domain = QString::fromLatin1(path.sliced(PagePrefix.size()));
    if (dated)
        return pageAsOf(domain, day);

    // Old figures under today's date would be worse than none.
    if (const QString stale = staleReason(QDate::currentDate()); !stale.isEmpty())
        return response("503 Service Unavailable", stale.toUtf8() + '\n', "text/plain; charset=utf-8");

    return response("200 OK", CSiteInfoPage::render(domain, m_store.figures(domain), m_store.newestDay(),
                                                    attribution(m_source, m_store), today));
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
    return response("200 OK", CSiteInfoPage::render(domain, store->figures(domain), store->newestDay(),
                                                    attribution(m_source, *store), day));
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
