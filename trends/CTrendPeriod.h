#pragma once

#include <QDate>
#include <QString>

// The days a chart shows: all history, a month or a day of the history
// tree, or a range. An invalid end leaves that side open.
class CTrendPeriod
{
public:
    CTrendPeriod() = default;
    CTrendPeriod(QDate from, QDate to);

    static CTrendPeriod all() { return CTrendPeriod(); }
    // The history tree's texts: year "2012", month "08" and, for a day, "05".
    // Texts that name no month give the whole history.
    static CTrendPeriod fromTexts(const QString &year, const QString &month, const QString &day = QString());

    QDate from() const { return m_from; }
    QDate to() const { return m_to; }
    bool isAll() const { return !m_from.isValid() && !m_to.isValid(); }
    bool contains(QDate date) const;
    QString label() const;

    friend bool operator==(const CTrendPeriod &, const CTrendPeriod &) = default;

private:
    QDate m_from;
    QDate m_to;
};
