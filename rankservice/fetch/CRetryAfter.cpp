#include "rankservice/fetch/CRetryAfter.h"

#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <array>

namespace {

// Far past any wait an update takes, and small enough to add to a date.
constexpr qint64 MostSeconds = 86400 * 365;

QDateTime httpDate(const QString &text)
{
    // IMF-fixdate, RFC 850 and asctime, in that order, each without its day
    // of the week: Qt reads a two-digit year into the 1900s, and then
    // finds the weekday wrong.
    static const std::array<QString, 3> formats = {
        QStringLiteral("dd MMM yyyy HH:mm:ss 'GMT'"),
        QStringLiteral("dd-MMM-yy HH:mm:ss 'GMT'"),
        QStringLiteral("MMM d HH:mm:ss yyyy"),
    };
    const QString simplified = text.simplified(); // asctime pads a one-digit day with a space
    const QString dated = simplified.mid(simplified.indexOf(QLatin1Char(' ')) + 1);
    for (const QString &format : formats) {
        QDateTime at = QLocale::c().toDateTime(dated, format);
        if (!at.isValid())
            continue;
        if (at.date().year() < 1970)
            at = at.addYears(100); // a two-digit year is of this century
        at.setTimeZone(QTimeZone::utc());
        return at;
    }
    return {};
}

} // namespace

std::optional<std::chrono::seconds> CRetryAfter::parse(const QByteArray &value, const QDateTime &now)
{
    const QByteArray trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (std::all_of(trimmed.cbegin(), trimmed.cend(), [](char c) { return c >= '0' && c <= '9'; })) {
        bool ok = false;
        const qint64 seconds = trimmed.size() <= 12 ? trimmed.toLongLong(&ok) : MostSeconds;
        return std::chrono::seconds(qMin(ok ? seconds : MostSeconds, MostSeconds));
    }
    const QDateTime at = httpDate(QString::fromLatin1(trimmed));
    if (!at.isValid())
        return std::nullopt;
    return std::chrono::seconds(std::clamp<qint64>(now.secsTo(at), 0, MostSeconds));
}
