#include "prompts/PastDaysDialog.h"
#include "ui_PastDaysDialog.h"

#include <QPushButton>

PastDaysDialog::PastDaysDialog(QWidget *parent, int maximum)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PastDaysDialog>())
{
    ui->setupUi(this);
    ui->spinDays->setRange(1, std::max(1, maximum));
    // A new user wants all the history there is; fewer is one keystroke away.
    ui->spinDays->setValue(ui->spinDays->maximum());
    ui->lblHeld->setText(ui->lblHeld->text().arg(ui->spinDays->maximum()));
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("&Fill"));
    // Named here rather than by Qt's own catalogue, which a system may lack.
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui->spinDays->selectAll();
}

PastDaysDialog::~PastDaysDialog() = default;

int PastDaysDialog::days() const
{
    return ui->spinDays->value();
}

int PastDaysDialog::maximum() const
{
    return ui->spinDays->maximum();
}
