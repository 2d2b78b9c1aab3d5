#pragma once

#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

class CAlexaRankData;
class CDomainGroups;
class COverviewFilter;
class COverviewModel;
class QTableView;

namespace Ui {
class OverviewWindow;
}

// Where each domain of the list stands, one row a domain, sortable,
// narrowed by a filter and a group. It reads the history it is given and is
// told when that changes; it never changes it.
class OverviewWindow : public QWidget
{
    Q_OBJECT

public:
    // history must outlive the window.
    explicit OverviewWindow(const QList<CAlexaRankData> *history, QWidget *parent = nullptr);
    ~OverviewWindow() override;

    // The names of the domain list.
    void setDomainList(const QStringList &domains);
    void setGroups(const CDomainGroups &groups);
    // Builds the rows at once.
    void refresh();

    COverviewModel *model() const { return m_model; }
    COverviewFilter *filter() const { return m_filter; }
    QTableView *table() const;
    // Chooses a group of the group box; empty for every group.
    void chooseGroup(const QString &group);

Q_SIGNALS:
    // A row was double-clicked or Enter pressed on it.
    void chartRequested(const QString &domain);

public Q_SLOTS:
    // The history has changed: rebuilt shortly, changes coming together built once.
    void historyChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void fitTones();
    void fitColumns();
    void showCount();
    void requestChart(const QModelIndex &index);

    std::unique_ptr<Ui::OverviewWindow> ui;
    const QList<CAlexaRankData> *m_history;
    COverviewModel *m_model = nullptr;
    COverviewFilter *m_filter = nullptr;
    QStringList m_domains;
    std::unique_ptr<CDomainGroups> m_groups;
    bool m_stale = true;
    bool m_fitted = false; // the columns were fitted once; the user's widths stay after
    QTimer m_changeTimer;
};
