#include "CPeriodIndex.h"

#include "CAlexaRankData.h"
#include "CPeriod.h"

QList<qsizetype> CPeriodIndex::candidates(const QList<CAlexaRankData> &history, const CPeriod &period)
{
    if (!period.isValid())
        return {};
    takeIn(history);
    return m_months.value({period.month(), period.year()});
}

void CPeriodIndex::removeAt(qsizetype position)
{
    if (position < 0 || position >= m_covered)
        return;
    for (QList<qsizetype> &places : m_months) {
        places.removeOne(position);
        for (qsizetype &place : places) {
            if (place > position)
                --place;
        }
    }
    --m_covered;
}

void CPeriodIndex::clear()
{
    m_months.clear();
    m_covered = 0;
}

void CPeriodIndex::takeIn(const QList<CAlexaRankData> &history)
{
    // A history shorter than what was taken in has been replaced.
    if (history.size() < m_covered)
        clear();
    // Records come in runs of one month, and of one date within it: the
    // date's text is read once a date, the month looked up once a run.
    QString runDate;
    quint32 runDateKey = 0;
    QList<qsizetype> *run = nullptr;
    for (qsizetype i = m_covered; i < history.size(); ++i) {
        const quint32 dateKey = history.at(i).key(7);
        if (!run || dateKey != runDateKey) {
            const QString date = history.at(i).date();
            const QStringView view(date);
            if (!run || view.mid(3, 2) != QStringView(runDate).mid(3, 2)
                || view.mid(6, 4) != QStringView(runDate).mid(6, 4))
                run = &m_months[{view.mid(3, 2).toString(), view.mid(6, 4).toString()}];
            runDate = date;
            runDateKey = dateKey;
        }
        run->append(i);
    }
    m_covered = history.size();
}
