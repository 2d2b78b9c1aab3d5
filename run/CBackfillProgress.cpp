#include "run/CBackfillProgress.h"

#include <QCoreApplication>

CBackfillProgress::CBackfillProgress(const QList<QDate> &pageDays)
    : m_pages(int(pageDays.size()))
{
    for (const QDate &day : pageDays)
        ++m_pagesLeft[day];
}

void CBackfillProgress::pageDone(const QDate &day)
{
    const auto left = m_pagesLeft.find(day);
    if (left == m_pagesLeft.end() || *left == 0)
        return;
    ++m_pagesDone;
    if (--*left == 0)
        ++m_daysDone;
}

QString CBackfillProgress::text() const
{
    return QCoreApplication::translate("CBackfillProgress", "%1 of %2 days, %3 of %4 pages")
        .arg(m_daysDone)
        .arg(days())
        .arg(m_pagesDone)
        .arg(m_pages);
}
