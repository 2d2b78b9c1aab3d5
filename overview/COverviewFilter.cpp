#include "COverviewFilter.h"

#include "COverviewModel.h"
#include "COverviewRow.h"

COverviewFilter::COverviewFilter(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(COverviewModel::SortRole);
}

void COverviewFilter::setText(const QString &text)
{
    m_text = text.trimmed();
    invalidateFilter();
}

void COverviewFilter::setGroup(const QString &group)
{
    m_group = group;
    invalidateFilter();
}

bool COverviewFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex domain = sourceModel()->index(sourceRow, COverviewRow::DomainColumn, sourceParent);
    if (!m_text.isEmpty() && !domain.data().toString().contains(m_text, Qt::CaseInsensitive))
        return false;
    return m_group.isEmpty() || domain.data(COverviewModel::GroupsRole).toStringList().contains(m_group);
}

bool COverviewFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant a = left.data(sortRole());
    const QVariant b = right.data(sortRole());
    if (!a.isValid() || !b.isValid()) {
        // The proxy asks the other way round for a descending order: a
        // missing value is "greater" there, so that it stays last.
        if (a.isValid() == b.isValid())
            return false;
        return (sortOrder() == Qt::AscendingOrder) != b.isValid();
    }
    if (a.typeId() == QMetaType::QString)
        return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
    return a.toDouble() < b.toDouble();
}
