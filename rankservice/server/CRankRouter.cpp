#include "rankservice/server/CRankRouter.h"

#include "protocol/CSiteInfoRequest.h"
#include "rankservice/fetch/CFetchPlan.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/server/CRequestReader.h"
#include "rankservice/server/CSiteInfoPage.h"
#include "rankservice/store/CSiteFigures.h"
#include "rankservice/store/CSnapshotStore.h"

#include "rankservice/crux/CCruxMonths.h"

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
    if (m_globalMonths) {
        // A month serves the pages of the two months after it too.
        const QDate month = m_globalMonths->newestMonth();
        if (!month.isValid())
            return QStringLiteral("no %1 is held").arg(list);
        if (month.addMonths(CCruxMonths::MonthsBack + 1) <= today)
            return QStringLiteral("newest %1 is of %2").arg(list, CSiteInfoPage::monthText(month));
        return {};
    }
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

QJsonObject CRankRouter::usStatus() const
{
    const QDate month = m_usMonths->newestMonth();
    QJsonObject us;
    us.insert(QStringLiteral("source"), m_usSource.name);
    us.insert(QStringLiteral("title"), m_usSource.title);
    us.insert(QStringLiteral("month"), month.isValid() ? QJsonValue(CSiteInfoPage::monthText(month)) : QJsonValue());
    us.insert(QStringLiteral("rows"), double(m_usMonths->originsOf(month)));
    us.insert(QStringLiteral("months"), m_usMonths->monthsHeld());
    return us;
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
    // How far back ?date= can be answered: the desktop fills past days up to it.
    source.insert(QStringLiteral("oldest"), m_store.oldestDay().isValid()
                                                ? QJsonValue(m_store.oldestDay().toString(Qt::ISODate))
                                                : QJsonValue());
    source.insert(QStringLiteral("rows"), double(m_store.rowsHeld()));
    source.insert(QStringLiteral("domains"), double(m_store.domainCount()));
    source.insert(QStringLiteral("lastUpdate"), m_source.lastUpdate);
    source.insert(QStringLiteral("updating"), m_updating.isEmpty() ? QJsonValue() : QJsonValue(m_updating));
    const QString stale = staleReason(QDate::currentDate());
    source.insert(QStringLiteral("stale"), stale.isEmpty() ? QJsonValue() : QJsonValue(stale));
    source.insert(QStringLiteral("loading"), m_loading ? QJsonValue(m_progress) : QJsonValue());
    if (m_globalMonths) {
        const QDate month = m_globalMonths->newestMonth();
        source.insert(QStringLiteral("month"), month.isValid() ? QJsonValue(CSiteInfoPage::monthText(month)) : QJsonValue());
        source.insert(QStringLiteral("rows"), double(m_globalMonths->originsOf(month)));
    }
    QJsonObject status;
    status.insert(QStringLiteral("sources"), QJsonArray{source});
    if (m_usMonths)
        status.insert(QStringLiteral("us"), usStatus());
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
        return m_globalMonths ? monthlyPage(domain, query.day) : pageAsOf(domain, query.day);

    // Old figures under today's date would be worse than none.
    const QDate today = QDate::currentDate();
    if (const QString stale = staleReason(today); !stale.isEmpty())
        return response("503 Service Unavailable", stale.toUtf8() + '\n', "text/plain; charset=utf-8");
    // The page of today is the page as of the local day, in every time
    // zone: the one a client asking for that date is given, figures and all.
    return m_globalMonths ? monthlyPage(domain, today) : pageAsOf(domain, today);
}

void CRankRouter::takeUsBucket(const QString &domain, const QDate &day, CSiteFigures &figures,
                               CSiteInfoPage::Attribution &from) const
{
    if (!m_usMonths)
        return;
    QDate month;
    figures.usRank = m_usMonths->bucketOn(domain, day, &month);
    if (month.isValid()) {
        from.usList = m_usSource.title;
        from.usLicence = m_usSource.licence;
        from.usMonth = month;
    }
}

QByteArray CRankRouter::monthlyPage(const QString &domain, const QDate &day) const
{
    QDate month;
    CSiteFigures figures;
    figures.globalRank = m_globalMonths->bucketOn(domain, day, &month);
    if (!month.isValid())
        return errorPage("404 Not Found", "no list held for that day");
    CSiteInfoPage::Attribution from{CSiteInfoPage::bucketedList(m_source.title, month), m_source.licence};
    takeUsBucket(domain, day, figures, from);
    return response("200 OK", CSiteInfoPage::render(domain, figures, month, from, day));
}

QByteArray CRankRouter::pageAsOf(const QString &domain, const QDate &day) const
{
    // Every held day is answered from the ranks held in memory; an older one
    // would mean reading lists on this thread, which no client may cause.
    QDate listDay;
    CSiteFigures figures = m_store.figuresAsOf(domain, day, &listDay);
    if (!listDay.isValid())
        return errorPage("404 Not Found", "no list held for that day");
    // Figures from a list long before the day would pass for that day's.
    const qint64 age = listDay.daysTo(day);
    const int maxAge = m_maxAgeDays > 0
        ? qMax(m_maxAgeDays, CFetchPlan::keptGap(day, CListSource::today(), m_keptEvery))
        : 0;
    if (maxAge > 0 && age > maxAge) {
        const QByteArray reason = "No list is held on or within " + QByteArray::number(maxAge)
            + " days before " + day.toString(Qt::ISODate).toLatin1() + "; the newest before it is "
            + listDay.toString(Qt::ISODate).toLatin1() + '.';
        return errorPage("404 Not Found", reason);
    }
    CSiteInfoPage::Attribution from = attribution(m_source, m_store.listIdOn(listDay));
    takeUsBucket(domain, day, figures, from);
    return response("200 OK", CSiteInfoPage::render(domain, figures, listDay, from, day));
}
