#include "rankservice/fetch/CFetchPlan.h"

#include "rankservice/store/CSnapshotStore.h"

#include <QDir>
#include <QFileInfo>

static_assert(CFetchPlan::RecentDays == CSnapshotStore::WindowDays);

namespace {

QString sizeInWords(qint64 bytes)
{
    constexpr double MiB = 1024.0 * 1024.0;
    if (bytes >= qint64(1) << 30)
        return QStringLiteral("%1 GiB").arg(double(bytes) / (MiB * 1024.0), 0, 'f', 1);
    return QStringLiteral("%1 MiB").arg(double(bytes) / MiB, 0, 'f', 1);
}

} // namespace

bool CFetchPlan::kept(const QDate &day, const QDate &today, int every)
{
    if (day > today)
        return false;
    // The Julian day number: days since a fixed epoch.
    return day.daysTo(today) < RecentDays || every <= 1 || day.toJulianDay() % every == 0;
}

int CFetchPlan::keptGap(const QDate &day, const QDate &today, int every)
{
    return day.daysTo(today) < RecentDays ? 0 : qMax(every, 1) - 1;
}

QList<QDate> CFetchPlan::days(const QDate &today, int days, int every)
{
    QList<QDate> wanted;
    for (int back = 0; back < days; ++back) {
        if (const QDate day = today.addDays(-back); kept(day, today, every))
            wanted << day;
    }
    return wanted;
}

qint64 CFetchPlan::typicalListBytes(CListSource::Kind kind)
{
    constexpr qint64 MiB = 1024 * 1024;
    switch (kind) {
    case CListSource::Kind::Tranco:
        return 8 * MiB; // the zip; an older day only offered as plain text takes about 22 MiB
    case CListSource::Kind::Umbrella:
        return 11 * MiB;
    case CListSource::Kind::Majestic:
        return 80 * MiB; // plain text with twelve columns
    case CListSource::Kind::Crux:
    case CListSource::Kind::CruxUs:
        break;
    }
    return 8 * MiB;
}

QString CFetchPlan::costLine(const CListSource &source, const QString &folder, int missing, int wanted)
{
    if (missing == 0)
        return QStringLiteral("%1: all %2 days wanted are present").arg(source.name()).arg(wanted);
    const QFileInfoList held = QDir(folder).entryInfoList(
        {source.name() + QStringLiteral("-*")}, QDir::Files, QDir::NoSort);
    qint64 heldBytes = 0;
    for (const QFileInfo &list : held)
        heldBytes += list.size();
    const qint64 perList = held.isEmpty() ? typicalListBytes(source.kind()) : heldBytes / held.size();
    const QString basis = held.isEmpty()
        ? QStringLiteral("a typical %1 list").arg(source.name())
        : QStringLiteral("the mean of the %1 held").arg(held.size());
    return QStringLiteral("%1: %2 of %3 days to fetch, about %4 to download and keep (%5 a list, %6); "
                          "the folder then holds about %7")
        .arg(source.name())
        .arg(missing)
        .arg(wanted)
        .arg(sizeInWords(perList * missing), sizeInWords(perList), basis, sizeInWords(heldBytes + perList * missing));
}
