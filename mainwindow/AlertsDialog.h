#pragma once

#include "watch/CAlertRun.h"

#include <QDialog>

#include <memory>

class CUserPrompts;

namespace Ui {
class AlertsDialog;
}

// Edits alerts.dat, which stays the rules' truth: the dialog shows the file
// as it is, names the lines that are no rules while the user types, and
// saves the text with the data files' checked writer. It also takes the
// address alerts are mailed to (the caller keeps it as [Alerts] mailTo) and
// sends a test mail and a test notification through the outlets given.
class AlertsDialog : public QDialog
{
    Q_OBJECT

public:
    AlertsDialog(QWidget *parent, QString dataDirectory, std::shared_ptr<CUserPrompts> prompts,
                 CAlertOutlets outlets = {});
    ~AlertsDialog() override;

    void accept() override;
    // The address as accepted; empty for no mail.
    QString mailTo() const;

private:
    void check();
    void sendTestMail();
    void sendTestNotification();

    std::unique_ptr<Ui::AlertsDialog> ui;
    QString m_path;
    std::shared_ptr<CUserPrompts> m_prompts;
    CAlertOutlets m_outlets;
};
