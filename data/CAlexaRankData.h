#pragma once

#include <QString>
#include <QStringView>

// The ranking figures of one domain as fetched on one date. Every field is
// text; the line form (toString) is the line of the history file.
class CAlexaRankData
{
public:
    static constexpr int FieldCount = 8;

    // Each accessor replaces its field when given a non-empty text and returns
    // the field; so a field can never be set back to empty.
    QString domain(const QString &value = QString());
    QString globalRank(const QString &value = QString());
    QString usRank(const QString &value = QString());
    QString yesterday(const QString &value = QString());
    QString sevenDay(const QString &value = QString());
    QString oneMonth(const QString &value = QString());
    QString threeMonth(const QString &value = QString());
    QString date(const QString &value = QString());

    QString domain() const { return m_domain; }
    QString globalRank() const { return m_globalRank; }
    QString usRank() const { return m_usRank; }
    QString yesterday() const { return m_yesterday; }
    QString sevenDay() const { return m_sevenDay; }
    QString oneMonth() const { return m_oneMonth; }
    QString threeMonth() const { return m_threeMonth; }
    QString date() const { return m_date; }

    // Cuts of the "dd/MM/yyyy" date, by position and without any check.
    QString year() const;
    QString month() const;
    QString day() const;

    // Field i in table order (0 = domain ... 7 = date); empty for other i.
    QString field(int i) const;

    QString toString() const;

    // One history line: fields split at ",", missing ones left empty,
    // anything after the eighth ignored.
    static CAlexaRankData fromLine(QStringView line);

    friend bool operator==(const CAlexaRankData &, const CAlexaRankData &) = default;

private:
    QString m_domain;
    QString m_globalRank;
    QString m_usRank;
    QString m_yesterday;
    QString m_sevenDay;
    QString m_oneMonth;
    QString m_threeMonth;
    QString m_date;
};

// Only text fields: a history of a million records can grow by moving
// memory instead of copying every field.
Q_DECLARE_TYPEINFO(CAlexaRankData, Q_RELOCATABLE_TYPE);
