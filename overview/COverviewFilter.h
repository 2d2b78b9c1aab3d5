#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// Narrows the overview to the domains holding a text and to one group, and
// sorts every column by value with "NA" and empty cells last, whichever the
// order.
class COverviewFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit COverviewFilter(QObject *parent = nullptr);

    void setText(const QString &text);
    // Empty: every group.
    void setGroup(const QString &group);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QString m_text;
    QString m_group;
};
