#pragma once

#include "base/CResult.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <utility>

class CDataSession;

// The named groups a domain belongs to ("mine", "rivals"), kept in the data
// folder as groups.dat: UTF-8 lines "group,domain". A group may name a
// domain that is not in the domain list; it is kept all the same.
class CDomainGroups
{
public:
    static constexpr qsizetype MaxNameLength = 64;

    // 1 to 64 characters, no "," and no control character.
    static bool isGroupName(QStringView name);

    // The lines of a file's text. A bad line is left out and named in notes
    // with the file's label and its line number (every line counted).
    static CDomainGroups parse(QStringView text, const QString &fileLabel, QStringList &notes);
    // A missing file reads as no groups; one that cannot be read whole fails
    // and must not be saved over.
    static CResult<CDomainGroups> read(CDataSession &session, QStringList &notes);
    // Through the session: only while it holds the folder, never over a file it could not read.
    CResult<> save(const CDataSession &session) const;

    // Every group, sorted.
    QStringList groups() const;
    // The domains of a group, in file order.
    QStringList domainsOf(const QString &group) const;
    // The domains of any of these groups, each once, in file order.
    QStringList domainsOf(const QStringList &groups) const;
    QStringList groupsOf(const QString &domain) const;
    // Every domain's groups at once, for many look-ups.
    QHash<QString, QStringList> groupsByDomain() const;
    bool contains(const QString &group, const QString &domain) const;

    // Replaces the domain's groups; names that are no group names are left out.
    void setGroupsOf(const QString &domain, const QStringList &groups);
    void add(const QString &group, const QString &domain);

private:
    static QString key(const QString &group, const QString &domain);

    QList<std::pair<QString, QString>> m_entries; // group, domain
    // The same, for a lookup per rule and record instead of a scan.
    QSet<QString> m_index;
};
