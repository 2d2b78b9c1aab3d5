#pragma once

#include <QDialog>

#include <memory>

class CUserPrompts;

namespace Ui {
class AlertsDialog;
}

// Edits alerts.dat, which stays the rules' truth: the dialog shows the file
// as it is, names the lines that are no rules while the user types, and
// saves the text with the data files' checked writer.
class AlertsDialog : public QDialog
{
    Q_OBJECT

public:
    AlertsDialog(QWidget *parent, QString dataDirectory, std::shared_ptr<CUserPrompts> prompts);
    ~AlertsDialog() override;

    void accept() override;

private:
    void check();

    std::unique_ptr<Ui::AlertsDialog> ui;
    QString m_path;
    std::shared_ptr<CUserPrompts> m_prompts;
};
