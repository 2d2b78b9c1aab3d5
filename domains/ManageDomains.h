#pragma once

#include <QMainWindow>

#include <memory>

class CDomainGroups;
class CUserPrompts;

namespace Ui {
class ManageDomains;
}

// The window in which the user adds and deletes domains. It owns no lasting
// data: it is filled from the main window's list when opened and sends its
// whole list back when closed with "&Close".
class ManageDomains : public QMainWindow
{
    Q_OBJECT

public:
    explicit ManageDomains(QWidget *parent, std::shared_ptr<CUserPrompts> prompts = {});
    ~ManageDomains() override;

    void addDomain(const QString &entry);
    void clearDomains();
    QStringList domains() const;

    // The groups shown and edited beside the list; not editable when the
    // groups file could not be read (it must not be saved over).
    void setGroups(const CDomainGroups &groups, bool editable = true);
    const CDomainGroups &groups() const;

Q_SIGNALS:
    void newDomainList();
    void newDomain(QString entry);
    // Sent on "&Close" when the groups were edited.
    void groupsChanged();

private Q_SLOTS:
    void on_btnClose_clicked();
    void on_btnDelete_clicked();
    void on_btnAdd_clicked();

private:
    void showGroupsOfCurrent();
    void takeGroups();
    void showAllGroups();

    std::unique_ptr<Ui::ManageDomains> ui;
    std::unique_ptr<CDomainGroups> m_groups;
    bool m_groupsEdited = false;
    bool m_groupsEditable = true;
    std::shared_ptr<CUserPrompts> m_prompts;
};
