#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class PastDaysDialog;
}

// Asks how many past days to fill, up to the days the ranking service holds.
class PastDaysDialog : public QDialog
{
    Q_OBJECT

public:
    // maximum: the past days the service holds (at least 1).
    PastDaysDialog(QWidget *parent, int maximum);
    ~PastDaysDialog() override;

    int days() const;
    int maximum() const;

private:
    std::unique_ptr<Ui::PastDaysDialog> ui;
};
