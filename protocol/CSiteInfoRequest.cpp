#include "protocol/CSiteInfoRequest.h"

#include "pageformat/CSiteInfoFormat.h"

#include <algorithm>

QString CSiteInfoRequest::pagePath(const QString &domain, const QDate &day)
{
    QString path = PathPrefix + domain;
    if (day.isValid()) {
        path += u'?';
        path += DateField;
        path += day.toString(CSiteInfoFormat::AsOfFormat);
    }
    return path;
}

QString CSiteInfoRequest::refererPath(const QString &domain)
{
    return QStringLiteral("/search?q=") + domain + QStringLiteral("&r=home_home&p=bigtop");
}

QString CSiteInfoRequest::domainOf(QByteArrayView path)
{
    const QByteArrayView prefix(PathPrefix.data(), PathPrefix.size());
    if (!path.startsWith(prefix) || path.size() == prefix.size() || path.sliced(prefix.size()).contains('/'))
        return QString();
    return QString::fromLatin1(path.sliced(prefix.size()));
}

CResult<QDate> CSiteInfoRequest::readDay(QByteArrayView text)
{
    const bool digits = text.size() == CSiteInfoFormat::AsOfFormat.size()
        && std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
    const QDate day = digits ? QDate::fromString(QString::fromLatin1(text), CSiteInfoFormat::AsOfFormat) : QDate();
    if (!day.isValid())
        return CResult<QDate>::failure(QStringLiteral("The date is not a day written YYYY-MM-DD."));
    return CResult<QDate>::success(day);
}

QDate CSiteInfoRequest::asOf(QStringView page)
{
    const QLatin1StringView opening(CSiteInfoFormat::AsOfOpening.data(), CSiteInfoFormat::AsOfOpening.size());
    const qsizetype marker = page.indexOf(opening);
    if (marker < 0)
        return QDate();
    const QStringView text = page.sliced(marker + opening.size()).first(
        std::min(page.size() - marker - opening.size(), CSiteInfoFormat::AsOfFormat.size()));
    const CResult<QDate> day = readDay(text.toLatin1());
    return day ? day.value() : QDate();
}
