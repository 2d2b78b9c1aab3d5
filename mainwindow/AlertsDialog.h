#pragma once

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
// opened read-only, nor over a file it could not read).
class AlertsDialog : public QDialog
{
    Q_OBJECT

public:
    // The session must outlive the dialog.
    AlertsDialog(QWidget *parent, CDataSession &session, std::shared_ptr<CUserPrompts> prompts);
    ~AlertsDialog() override;

    void accept() override;

private:
    void check();

    std::unique_ptr<Ui::AlertsDialog> ui;
    CDataSession &m_session;
    std::shared_ptr<CUserPrompts> m_prompts;
};
