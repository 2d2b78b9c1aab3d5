#pragma once

#include "watch/CAlertRun.h"

#include <QDialog>

#include <memory>

class CDataSession;
class CUserPrompts;

namespace Ui {
class AlertsDialog;
}

// Edits alerts.dat, which stays the rules' truth: the dialog shows the file
// as it is, names the lines that are no rules while the user types, and
// saves the text through the data session (so never in a window that
// opened read-only, nor over a file it could not read). It also takes the
// address alerts are mailed to (the caller keeps it as [Alerts] mailTo) and
// sends a test mail and a test notification through the outlets given.
class AlertsDialog : public QDialog
{
    Q_OBJECT

public:
    // The session must outlive the dialog.
    AlertsDialog(QWidget *parent, CDataSession &session, std::shared_ptr<CUserPrompts> prompts,
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
    CDataSession &m_session;
    std::shared_ptr<CUserPrompts> m_prompts;
    CAlertOutlets m_outlets;
};
