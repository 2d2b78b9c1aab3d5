#include "rankservice/lists/CListSource.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

namespace {

QString joined(const QString &base, const QString &path)
{
    return base.endsWith(QLatin1Char('/')) ? base + path.mid(1) : base + path;
}

} // namespace

QStringList CListSource::names()
{
    return {QStringLiteral("tranco"), QStringLiteral("umbrella"), QStringLiteral("majestic"), QStringLiteral("crux")};
}

CListSource CListSource::cruxUs()
{
    CListSource source = *byName(QStringLiteral("crux"));
    source.m_kind = Kind::CruxUs;
    source.m_name = QStringLiteral("crux-us");
    return source;
}

std::optional<CListSource> CListSource::byName(const QString &name)
{
    CListSource source;
    source.m_name = name;
    if (name == QLatin1String("tranco")) {
        source.m_kind = Kind::Tranco;
        source.m_title = QStringLiteral("Tranco top 1M (tranco-list.eu)");
        source.m_licence = QStringLiteral("terms at https://tranco-list.eu; please cite the list by its ID");
        source.m_base = QStringLiteral("https://tranco-list.eu");
    } else if (name == QLatin1String("umbrella")) {
        source.m_kind = Kind::Umbrella;
        source.m_title = QStringLiteral("Cisco Umbrella top 1M");
        source.m_licence = QStringLiteral("terms at https://s3-us-west-1.amazonaws.com/umbrella-static/index.html");
        source.m_base = QStringLiteral("https://s3-us-west-1.amazonaws.com/umbrella-static");
    } else if (name == QLatin1String("majestic")) {
        source.m_kind = Kind::Majestic;
        source.m_title = QStringLiteral("Majestic Million");
        source.m_licence = QStringLiteral("terms at https://majestic.com/reports/majestic-million");
        source.m_base = QStringLiteral("https://downloads.majestic.com");
    } else if (name == QLatin1String("crux")) {
        source.m_kind = Kind::Crux;
        source.m_title = QStringLiteral("Chrome UX Report");
        source.m_licence = QStringLiteral("CC BY 4.0");
        // A public cache of the report's BigQuery tables, a CSV file a month.
        source.m_base = QStringLiteral("https://raw.githubusercontent.com/zakird/crux-top-lists/main/data");
    } else {
        return std::nullopt;
    }
    return source;
}

QString CListSource::environmentVariable() const
{
    // One address for both of Chrome's lists: they are published side by side.
    return monthly() ? QStringLiteral("SORVANE_CRUX_URL") : QStringLiteral("SORVANE_%1_URL").arg(m_name.toUpper());
}

QUrl CListSource::listIdUrl(const QDate &day) const
{
    return QUrl(joined(m_base, QStringLiteral("/daily_list_id?date=") + day.toString(Qt::ISODate)));
}

QUrl CListSource::listUrl(const QDate &day, const QString &id) const
{
    switch (m_kind) {
    case Kind::Tranco:
        return QUrl(joined(m_base, QStringLiteral("/download_daily/") + id));
    case Kind::Umbrella:
        return QUrl(joined(m_base, QStringLiteral("/top-1m-%1.csv.zip").arg(day.toString(Qt::ISODate))));
    case Kind::Majestic:
        return QUrl(joined(m_base, QStringLiteral("/majestic_million.csv")));
    case Kind::Crux:
    case Kind::CruxUs:
        return monthUrl(day);
    }
    return {};
}

QUrl CListSource::monthUrl(const QDate &month) const
{
    const QString folder = m_kind == Kind::CruxUs ? QStringLiteral("/country/us/") : QStringLiteral("/global/");
    return QUrl(joined(m_base, folder + monthFileName(month)));
}

QString CListSource::monthFileName(const QDate &month)
{
    return month.toString(QStringLiteral("yyyyMM")) + QStringLiteral(".csv.gz");
}

QDate CListSource::monthOfFile(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})(\\d{2})\\.csv\\.gz$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    return match.hasMatch() ? QDate(match.captured(1).toInt(), match.captured(2).toInt(), 1) : QDate();
}

QUrl CListSource::fallbackUrl(const QString &id) const
{
    return m_kind == Kind::Tranco ? QUrl(joined(m_base, QStringLiteral("/download/%1/1000000").arg(id)))
                                  : QUrl();
}

QString CListSource::folder(const QString &dataFolder) const
{
    return QDir(dataFolder).filePath(m_name);
}

QDate CListSource::today()
{
    return QDateTime::currentDateTimeUtc().date();
}

QString CListSource::fileName(const QDate &day, const QString &listId, const QString &extension) const
{
    // "id=" glued to the ID: no ID can read as the separate "us" part that marks a United States list.
    return m_name + QLatin1Char('-') + day.toString(Qt::ISODate)
        + (listId.isEmpty() ? QString() : QStringLiteral(".id=") + listId) + extension;
}

QString CListSource::listIdOf(const QString &fileName)
{
    static const QRegularExpression idPart(QStringLiteral("\\.id=([A-Za-z0-9]{1,32})\\."));
    return idPart.match(fileName).captured(1);
}

bool CListSource::isListId(const QString &id)
{
    static const QRegularExpression idPattern(QStringLiteral("^[A-Za-z0-9]{1,32}$"));
    return idPattern.match(id).hasMatch();
}
