#include "CStandInService.h"

#include "pageformat/CSiteInfoFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray bytesOf(QLatin1StringView text)
{
    return QByteArray(text.data(), text.size());
}

} // namespace

QByteArray CStandInService::datedPage(const QDate &asOf, int global)
{
    QByteArray page = "<html><body>\n";
    if (asOf.isValid())
        page += CSiteInfoFormat::AsOfOpening.toByteArray() + asOf.toString(CSiteInfoFormat::AsOfFormat).toLatin1()
            + CSiteInfoFormat::AsOfClosing.toByteArray() + '\n';
    return page + bytesOf(CSiteInfoFormat::GlobalMarker) + '\n' + QByteArray::number(global) + " <img "
           + bytesOf(CSiteInfoFormat::UsMarker) + "\n9 \n</body></html>\n";
}

QString CStandInService::pathFor(const QString &domain, const QDate &day)
{
    return QStringLiteral("/siteinfo/") + domain + QStringLiteral("?date=") + day.toString(Qt::ISODate);
}

QByteArray CStandInService::status(int days, const QDate &newest, const QDate &oldest)
{
    QJsonObject source;
    source.insert(QStringLiteral("source"), QStringLiteral("tranco"));
    source.insert(QStringLiteral("newest"), newest.isValid() ? QJsonValue(newest.toString(Qt::ISODate)) : QJsonValue());
    source.insert(QStringLiteral("days"), days);
    if (oldest.isValid())
        source.insert(QStringLiteral("oldest"), oldest.toString(Qt::ISODate));
    QJsonObject status;
    status.insert(QStringLiteral("sources"), QJsonArray{source});
    return QJsonDocument(status).toJson(QJsonDocument::Compact) + '\n';
}
