#include "rankservice/server/CRankRouter.h"

#include "protocol/CSiteInfoRequest.h"
#include "rankservice/server/CRequestReader.h"
#include "rankservice/server/CSiteInfoPage.h"
#include "rankservice/store/CSiteFigures.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The list as a page names it: with the publisher's ID of the list the
// figures come from, where it has one, so that a user can cite it.
CSiteInfoPage::Attribution attribution(const CRankRouter::Source &source, const QString &listId)
{
    return {listId.isEmpty() ? source.title : source.title + QStringLiteral(", list ID ") + listId, source.licence};
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

QString CRankRouter::staleReason(const QDate &today) const
{
    if (m_maxAgeDays <= 0)
        return {};
    const QString list = m_source.name.isEmpty() ? QStringLiteral("list")
                                                 : m_source.name + QStringLiteral(" list");
    // The list a page of today comes from: a list dated after today (the
    // publishers' day is ahead of the local one west of UTC) waits for its day.
    const QDate newest = m_store.newestDayOnOrBefore(today);
    if (!newest.isValid() && m_store.newestDay().isValid())
        return QStringLiteral("no %1 of %2 or before is held; the newest, %3, is for a later day")
            .arg(list, today.toString(Qt::ISODate), m_store.newestDay().toString(Qt::ISODate));
    if (!newest.isValid())
        return QStringLiteral("no %1 is held").arg(list);
    const qint64 age = newest.daysTo(today);
    if (age <= m_maxAgeDays)
        return {};
    return QStringLiteral("newest %1 is %2, %3 days old")
        .arg(list, newest.toString(Qt::ISODate))
        .arg(age);
}

QByteArray CRankRouter::statusJson() const
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

CRankRouter::Query CRankRouter::parseQuery(QByteArrayView target)
{
    Query query;
    const qsizetype mark = target.indexOf('?');
    query.path = mark < 0 ? target : target.first(mark);
    if (mark < 0)
        return query;
    // Only "date=YYYY-MM-DD", once: anything else is a client's mistake, and
    // answering it with today's page would pass for an answer to it.
    for (const QByteArrayView pair : QByteArrayView(target.sliced(mark + 1)).toByteArray().split('&')) {
        const QByteArrayView field(CSiteInfoRequest::DateField.data(), CSiteInfoRequest::DateField.size());
        if (!pair.startsWith(field) || pair.size() == field.size() || query.dated) {
            query.error = "The query is not one date=YYYY-MM-DD.";
            return query;
        }
        query.dated = true;
        const CResult<QDate> day = CSiteInfoRequest::readDay(pair.sliced(field.size()));
        if (!day) {
            query.error = day.message().toLatin1();
            return query;
        }
        query.day = day.value();
    }
    return query;
}

QByteArray CRankRouter::answer(const CRequestReader &request) const
{
    QByteArray whole = answerGet(request);
    // HEAD is told what GET would be, head and length alike, without the
    // body: a refusal of a broken request too.
    if (request.method() == "HEAD")
        whole.truncate(whole.indexOf("\r\n\r\n") + 4);
    return whole;
}

QByteArray CRankRouter::answerGet(const CRequestReader &request) const
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
    if (request.method() != "GET" && request.method() != "HEAD")
        return errorPage("400 Bad Request", "Only GET and HEAD requests are served.");

    const QByteArray target = request.target();
    const Query query = parseQuery(target);
    const QByteArrayView path = query.path;
    const bool status = path == "/status";
    const QString domain = CSiteInfoRequest::domainOf(path);
    if (!status && domain.isEmpty()) {
        const QByteArray prefix = CSiteInfoRequest::PathPrefix.toString().toLatin1();
        return errorPage("404 Not Found", QByteArray("Pages are served at " + prefix + " followed by a domain name."));
    }
    if (!query.error.isEmpty())
        return errorPage("400 Bad Request", query.error);
    if (status)
        return response("200 OK", statusJson(), "application/json");

    // Lists carry the publishers' day, which can be ahead of the local one.
    if (query.dated && query.day > CSnapshotStore::latestToday())
        return errorPage("400 Bad Request", "The date is after today.");

    if (m_loading)
        return response("503 Service Unavailable", "loading: " + m_progress.toUtf8() + '\n',
                        "text/plain; charset=utf-8");
    if (query.dated)
        return pageAsOf(domain, query.day);

    // Old figures under today's date would be worse than none.
    const QDate today = QDate::currentDate();
    if (const QString stale = staleReason(today); !stale.isEmpty())
        return response("503 Service Unavailable", stale.toUtf8() + '\n', "text/plain; charset=utf-8");
    // The page of today is the page as of the local day, in every time
    // zone: the one a client asking for that date is given, figures and all.
    return pageAsOf(domain, today);
}

QByteArray CRankRouter::pageAsOf(const QString &domain, const QDate &day) const
{
    // Every held day is answered from the ranks held in memory; an older one
    // would mean reading lists on this thread, which no client may cause.
    QDate listDay;
    const CSiteFigures figures = m_store.figuresAsOf(domain, day, &listDay);
    if (!listDay.isValid())
        return errorPage("404 Not Found", "no list held for that day");
    // Figures from a list long before the day would pass for that day's.
    const qint64 age = listDay.daysTo(day);
    if (m_maxAgeDays > 0 && age > m_maxAgeDays) {
        const QByteArray reason = "No list is held on or within " + QByteArray::number(m_maxAgeDays)
            + " days before " + day.toString(Qt::ISODate).toLatin1() + "; the newest before it is "
            + listDay.toString(Qt::ISODate).toLatin1() + '.';
        return errorPage("404 Not Found", reason);
    }
    return response("200 OK", CSiteInfoPage::render(domain, figures, listDay,
                                                    attribution(m_source, m_store.listIdOn(listDay)), day));
}
