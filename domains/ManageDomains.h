#pragma once

#include <QMainWindow>

#include <memory>

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

Q_SIGNALS:
    void newDomainList();
    void newDomain(QString entry);

private Q_SLOTS:
    void on_btnClose_clicked();
    void on_btnDelete_clicked();
    void on_btnAdd_clicked();

private:
    std::unique_ptr<Ui::ManageDomains> ui;
    std::shared_ptr<CUserPrompts> m_prompts;
};
