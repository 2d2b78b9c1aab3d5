#pragma once

#include "rankservice/store/CDomainIndex.h"
#include "rankservice/crux/CCruxOrigins.h"

#include "base/CResult.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <vector>


// The months of one Chrome UX Report list (the United States' or the
// world's) held for the pages. Each origin's bucket is folded into the names
// it counts for (CCruxOrigins), the best bucket kept; the names are numbered
// once for all months, and a month keeps a byte per number, so a page costs
// one look-up and a byte in each month looked at.
class CCruxMonths
{
public:
    // The months a day may take its bucket from: its own and the two before.
    static constexpr int MonthsBack = 2;

    struct Report
    {
        int months = 0;
        qint64 origins = 0;
        QStringList problems; // one line per month not read
        bool fromCache = false; // CCruxMonthsCache
        QString summary(const QString &what) const;
    };

    // Reads the month lists of folder, each named as published
    // ("202611.csv.gz"), that a page as of a day from today back over days
    // days may take its bucket from; a month after today's is skipped.
    // Replaces whatever was held. Takes them from their cache in folder
    // when it still matches them, and writes it once all were read.
    Report load(const QString &folder, const QDate &today, int days);

    // Reads the list at path as a load does; the number of distinct names it
    // ranks, or why it is refused.
    static CResult<qint64> check(const QString &path);
    // The first of the oldest month a page as of a day from today back over
    // days days may take its bucket from.
    static QDate oldestNeeded(const QDate &today, int days);

    // Reads the list of month (any day of it) at path, or its text, replacing
    // a month held before; its origins, or why it was refused (nothing of it
    // is then held).
    CResult<qint64> add(const QDate &month, const QString &path, const CCruxOrigins &origins);
    CResult<qint64> addText(const QDate &month, QByteArrayView text, const CCruxOrigins &origins);

    // The bucket (1000, 5000, ...) name has on day, from the list of day's
    // own month when it is held, otherwise from the newest held month before
    // it, at most MonthsBack months back; 0 when none is held or it does not
    // rank the name. month, when given, is set to the first day of the month
    // used (invalid when none).
    int bucketOn(QStringView name, const QDate &day, QDate *month = nullptr) const;

    int monthsHeld() const { return int(m_months.size()); }
    QDate newestMonth() const { return m_months.empty() ? QDate() : m_months.front().first; }
    qint64 originsOf(const QDate &month) const;

private:
    friend class CCruxMonthsCache; // writes and reads the months as they are held

    struct Month
    {
        QDate first;
        qint64 origins = 0;
        std::vector<quint8> codes; // by name number; 0 where the month ranks no origin of the name
    };
    // An origin's keys between reading and folding in.
    struct Pending
    {
        CCruxOrigins::Keys keys;
        std::array<quint32, 2> hashes;
        int code = 0;
    };
    static constexpr size_t PendingRows = 16;

    template<typename Reading>
    CResult<qint64> fold(const QDate &month, const CCruxOrigins &origins, const Reading &read);
    const Month *held(const QDate &first) const;

    CDomainIndex m_ids;
    std::vector<Month> m_months; // newest first
};
