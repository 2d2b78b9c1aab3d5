#pragma once

#include <QHash>
#include <QList>

class CAlexaRankData;

// For the records a query run took in, each domain's previous record: its
// record of the latest date before the earliest date the run brought for
// that domain (the one later in the history when a day has two). The
// history holds every record, the run's included, and must outlive this.
class CPreviousRecords
{
public:
    CPreviousRecords(const QList<CAlexaRankData> &history, const QList<CAlexaRankData> &run);

    // The previous record of the run record's domain; nullptr for the first
    // record of a domain.
    const CAlexaRankData *of(const CAlexaRankData &runRecord) const;

private:
    const QList<CAlexaRankData> &m_history;
    QHash<quint32, qsizetype> m_previous; // domain key -> index into the history
};
