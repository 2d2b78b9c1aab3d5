#pragma once

#include "CTrendPeriod.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class CAlexaRankData;

// One domain's figure over time: one point per record date, in date order.
// A point without a value ("NA", empty or unreadable) is a gap, never zero.
class CRankSeries
{
public:
    struct Point
    {
        QDate date;
        double value = 0; // meaningless for a gap
        bool gap = true;
    };

    CRankSeries() = default;
    explicit CRankSeries(const QString &domain);

    // The series of each domain, in the order given, from one pass over the
    // history. Records of the same domain and day are one point: the one
    // later in the history wins, since it was taken in later (a repeated
    // query or a correction) and so replaces what was known before. Records
    // whose date cannot be read are left out.
    static QList<CRankSeries> buildEach(const QList<CAlexaRankData> &history, const QStringList &domains,
                                    int figure, const CTrendPeriod &period = CTrendPeriod());
    static CRankSeries build(const QList<CAlexaRankData> &history, const QString &domain, int figure,
                             const CTrendPeriod &period = CTrendPeriod());

    QString domain() const { return m_domain; }
    const QList<Point> &points() const { return m_points; }
    bool hasValues() const;

    // The stretches of points with values between gaps, as [first, last]
    // indexes; a stretch of one point is a lone point.
    QList<std::pair<qsizetype, qsizetype>> stretches() const;

    // Adds one record's reading; finish() then orders the points and merges days.
    void add(QDate date, const QString &text, qsizetype order);
    void finish();

private:
    struct Reading
    {
        QDate date;
        qsizetype order;
        QString text;
    };

    QString m_domain;
    QList<Reading> m_readings;
    QList<Point> m_points;
};
