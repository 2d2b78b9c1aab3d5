#include "CHistoryCalendar.h"

#include "CAlexaRankData.h"

#include <QDate>

#include <array>

namespace {

constexpr std::array<const char16_t *, 12> monthNames = {
    u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
    u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec",
};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

QString CHistoryCalendar::monthName(const QString &month)
{
    const QString digits = month.startsWith(u'0') ? month.right(1) : month;
    const int m = digits.toInt();
    if (m < 1 || m > 12)
        return QString();
    return QString::fromUtf16(monthNames[std::size_t(m - 1)]);
}

QString CHistoryCalendar::monthNumber(const QString &name)
{
    // December is deliberately not compared: it is what every other text means.
    for (int m = 0; m < 11; ++m) {
        if (name == QStringView(monthNames[std::size_t(m)]))
            return QStringLiteral("%1").arg(m + 1, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("12");
}

int CHistoryCalendar::daysInMonth(const QString &label)
{
    const int year = label.left(4).toInt();
    const QString name = label.mid(6);
    if (name == u"Feb")
        return isLeapYear(year) ? 29 : 28;
    if (name == u"Apr" || name == u"Jun" || name == u"Sep" || name == u"Nov")
        return 30;
    return 31;
}

QString CHistoryCalendar::ordinalSuffix(int day)
{
    switch (day) {
    case 1: case 21: case 31: return QStringLiteral("st");
    case 2: case 22: return QStringLiteral("nd");
    case 3: case 23: return QStringLiteral("rd");
    default: return QStringLiteral("th");
    }
}

QString CHistoryCalendar::monthLabel(const CAlexaRankData &record)
{
    return record.year() + QStringLiteral(", ") + monthName(record.month());
}

QString CHistoryCalendar::dayLabel(int day)
{
    return QString::number(day) + ordinalSuffix(day);
}
