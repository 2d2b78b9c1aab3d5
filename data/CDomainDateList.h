#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class CDomainDate;

// Per domain, the latest calendar date among those seen (kept as the
// record's date text it came as). Tells the result intake whether a domain
// was already assessed on a date.
class CDomainDateList
{
public:
    CDomainDateList();
    ~CDomainDateList();
    CDomainDateList(const CDomainDateList &) = delete;
    CDomainDateList &operator=(const CDomainDateList &) = delete;

    bool contains(const QString &domain, const QString &date) const;
    void update(const QString &domain, const QString &date);
    void append(const QString &domain, const QString &date);
    void remove(const QString &domain, const QString &date);
    void clear();
    // Room for this many entries in all, so that a run adding many new
    // domains does not grow the index step by step.
    void reserve(int entries);

    // Whether the record date falls after the other one on the calendar.
    static bool isLater(const QString &date, const QString &than);

    int count() const { return int(m_entries.size()); }
    const CDomainDate &at(int i) const { return *m_entries[std::size_t(i)]; }

private:
    CDomainDate *first(const QString &domain) const;

    std::vector<std::unique_ptr<CDomainDate>> m_entries;
    // Looked up per result, so the first entry of each domain is indexed
    // rather than found by a scan of the whole list.
    QHash<QString, CDomainDate *> m_firstByDomain;
};
