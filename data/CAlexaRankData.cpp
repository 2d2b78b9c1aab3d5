#include "CAlexaRankData.h"

namespace {

QString assign(QString &field, const QString &value)
{
    if (!value.isEmpty())
        field = value;
    return field;
}

} // namespace

QString CAlexaRankData::domain(const QString &value) { return assign(m_domain, value); }
QString CAlexaRankData::globalRank(const QString &value) { return assign(m_globalRank, value); }
QString CAlexaRankData::usRank(const QString &value) { return assign(m_usRank, value); }
QString CAlexaRankData::yesterday(const QString &value) { return assign(m_yesterday, value); }
QString CAlexaRankData::sevenDay(const QString &value) { return assign(m_sevenDay, value); }
QString CAlexaRankData::oneMonth(const QString &value) { return assign(m_oneMonth, value); }
QString CAlexaRankData::threeMonth(const QString &value) { return assign(m_threeMonth, value); }
QString CAlexaRankData::date(const QString &value) { return assign(m_date, value); }

QString CAlexaRankData::year() const { return m_date.mid(6, 4); }
QString CAlexaRankData::month() const { return m_date.mid(3, 2); }
QString CAlexaRankData::day() const { return m_date.mid(0, 2); }

QString CAlexaRankData::field(int i) const
{
    switch (i) {
    case 0: return m_domain;
    case 1: return m_globalRank;
    case 2: return m_usRank;
    case 3: return m_yesterday;
    case 4: return m_sevenDay;
    case 5: return m_oneMonth;
    case 6: return m_threeMonth;
    case 7: return m_date;
    default: return QString();
    }
}

QString CAlexaRankData::toString() const
{
    const QChar sep(u',');
    return m_domain % sep % m_globalRank % sep % m_usRank % sep % m_yesterday % sep
           % m_sevenDay % sep % m_oneMonth % sep % m_threeMonth % sep % m_date;
}

CAlexaRankData CAlexaRankData::fromLine(QStringView line)
{
    CAlexaRankData record;
    QString *const fields[FieldCount] = {
        &record.m_domain, &record.m_globalRank, &record.m_usRank, &record.m_yesterday,
        &record.m_sevenDay, &record.m_oneMonth, &record.m_threeMonth, &record.m_date,
    };
    int index = 0;
    qsizetype start = 0;
    while (index < FieldCount) {
        const qsizetype comma = line.indexOf(u',', start);
        const QStringView part = comma < 0 ? line.mid(start) : line.mid(start, comma - start);
        // Storing an empty part leaves the field null, as the accessors would.
        if (!part.isEmpty())
            *fields[index] = part.toString();
        ++index;
        if (comma < 0)
            break;
        start = comma + 1;
    }
    return record;
}
