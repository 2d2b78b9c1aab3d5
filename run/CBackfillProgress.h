#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

// How far a backfill has come: its pages (one per domain and day) and its
// days, a day being done once every domain's page of it has reported.
class CBackfillProgress
{
public:
    CBackfillProgress() = default;
    // The day of every page the backfill asks for.
    explicit CBackfillProgress(const QList<QDate> &pageDays);

    // One page of that day reported, whatever it brought.
    void pageDone(const QDate &day);

    int days() const { return int(m_pagesLeft.size()); }
    int daysDone() const { return m_daysDone; }
    int pages() const { return m_pages; }
    int pagesDone() const { return m_pagesDone; }
    // "3 of 30 days, 150 of 1500 pages"
    QString text() const;

private:
    QHash<QDate, int> m_pagesLeft;
    int m_pages = 0;
    int m_pagesDone = 0;
    int m_daysDone = 0;
};
