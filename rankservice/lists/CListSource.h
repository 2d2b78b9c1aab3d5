#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// One of the public ranking lists the service can fetch by itself: daily
// top lists, or the Chrome UX Report's monthly lists of the world (crux) and
// of the United States (crux-us), published a month at a time. Ranks of
// different lists cannot be compared, so each keeps its own folder under the
// data folder, named after the source.
class CListSource
{
public:
    enum class Kind { Tranco, Umbrella, Majestic, Crux, CruxUs };

    // The sources --source names.
    static QStringList names();
    static std::optional<CListSource> byName(const QString &name);
    // Chrome's United States list, the source of the US rank.
    static CListSource cruxUs();

    Kind kind() const { return m_kind; }
    QString name() const { return m_name; }
    QString title() const { return m_title; }
    QString licence() const { return m_licence; }
    // Only past days of a backfillable source can be fetched; the others
    // publish today's list only.
    bool backfillable() const { return m_kind != Kind::Majestic; }
    // Published a month at a time, ranked in buckets.
    bool monthly() const { return m_kind == Kind::Crux || m_kind == Kind::CruxUs; }

    // The address the paths below are added to: the publisher's unless the
    // user named another (--base-url, or this environment variable:
    // SORVANE_TRANCO_URL and so on, read by the service's options).
    QString environmentVariable() const;
    QString defaultBase() const { return m_base; }
    void setBase(const QString &base) { m_base = base; }
    QString base() const { return m_base; }

    // Tranco only: the plain-text id of the list of a day.
    QUrl listIdUrl(const QDate &day) const;
    // The list of a day (Tranco: by its id); the second is a fallback or empty.
    QUrl listUrl(const QDate &day, const QString &id = {}) const;
    QUrl fallbackUrl(const QString &id) const;
    // A monthly source's list of month, as the public cache names it.
    QUrl monthUrl(const QDate &month) const;

    QString folder(const QString &dataFolder) const;

    // The day publishers date their lists by: today in UTC.
    static QDate today();
    // The name a fetched list is kept under: the source, the day and, for a
    // list the publisher gives an ID to cite it by, that ID
    // ("tranco-2026-12-08.id=LJ494.csv.zip").
    QString fileName(const QDate &day, const QString &listId, const QString &extension) const;
    // The ID kept in such a name, or empty.
    static QString listIdOf(const QString &fileName);
    // What a publisher's list ID may be.
    static bool isListId(const QString &id);
    // The name a month's list is kept under, as published ("202611.csv.gz"),
    // and the month (its first day) of such a name, invalid for any other.
    static QString monthFileName(const QDate &month);
    static QDate monthOfFile(const QString &fileName);

private:
    Kind m_kind = Kind::Tranco;
    QString m_name;
    QString m_title;
    QString m_licence;
    QString m_base;
};
