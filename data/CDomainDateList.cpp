#include "CDomainDateList.h"

#include "CDomainDate.h"
#include "CRecordDate.h"

#include <algorithm>

bool CDomainDateList::isLater(const QString &date, const QString &than)
{
    const int key = CRecordDate::key(date);
    const int thanKey = CRecordDate::key(than);
    // Texts of another form (a hand-edited history) never displace a real
    // date; among themselves they keep the plain text order.
    if (key < 0 && thanKey < 0)
        return QString::compare(date, than) > 0;
    return key > thanKey;
}

CDomainDateList::CDomainDateList() = default;
CDomainDateList::~CDomainDateList() = default;

CDomainDate *CDomainDateList::first(const QString &domain) const
{
    return m_firstByDomain.value(domain, nullptr);
}

bool CDomainDateList::contains(const QString &domain, const QString &date) const
{
    const CDomainDate *entry = first(domain);
    if (!entry)
        return false;
    if (entry->date() == date)
        return true;
    // Only append() can give a domain a second entry; look past the first then.
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const auto &e) {
        return e.get() != entry && e->domain() == domain && e->date() == date;
    });
}

void CDomainDateList::update(const QString &domain, const QString &date)
{
    if (CDomainDate *entry = first(domain)) {
        if (isLater(date, entry->date()))
            entry->date(date);
        return;
    }
    append(domain, date);
}

void CDomainDateList::append(const QString &domain, const QString &date)
{
    m_entries.push_back(std::make_unique<CDomainDate>(domain, date));
    if (CDomainDate *&firstEntry = m_firstByDomain[domain]; !firstEntry)
        firstEntry = m_entries.back().get();
}

void CDomainDateList::reserve(int entries)
{
    m_entries.reserve(std::size_t(qMax(0, entries)));
    m_firstByDomain.reserve(entries);
}

void CDomainDateList::remove(const QString &domain, const QString &date)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const auto &e) {
        return e->domain() == domain && e->date() == date;
    });
    if (it == m_entries.end())
        return;
    const bool wasFirst = it->get() == first(domain);
    m_entries.erase(it);
    if (!wasFirst)
        return;
    m_firstByDomain.remove(domain);
    const auto next = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                   [&](const auto &e) { return e->domain() == domain; });
    if (next != m_entries.cend())
        m_firstByDomain.insert(domain, next->get());
}

void CDomainDateList::clear()
{
    m_firstByDomain.clear();
    m_entries.clear();
}
