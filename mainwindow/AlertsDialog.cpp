#include "AlertsDialog.h"
#include "ui_AlertsDialog.h"

#include "CDataStore.h"
#include "prompts/CUserPrompts.h"
#include "watch/CAlertRules.h"
#include "watch/CTextFile.h"

#include <QFileInfo>
#include <QPushButton>

AlertsDialog::AlertsDialog(QWidget *parent, QString dataDirectory, std::shared_ptr<CUserPrompts> prompts)
    : QDialog(parent)
    , ui(std::make_unique<Ui::AlertsDialog>())
    , m_path(CAlertRules::path(dataDirectory))
    , m_prompts(std::move(prompts))
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &AlertsDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &AlertsDialog::reject);
    QStringList notes;
    const CResult<QString> text = CTextFile::read(m_path, notes);
    if (!text) {
        // Saving would put an empty text over rules that were never seen.
        ui->txtRules->setReadOnly(true);
        ui->buttonBox->button(QDialogButtonBox::Save)->setEnabled(false);
        ui->lblProblems->setText(text.message());
        return;
    }
    ui->txtRules->setPlainText(text.value());
    connect(ui->txtRules, &QPlainTextEdit::textChanged, this, &AlertsDialog::check);
    check();
}

AlertsDialog::~AlertsDialog() = default;

void AlertsDialog::check()
{
    QStringList notes;
    CAlertRules::parse(ui->txtRules->toPlainText(), QFileInfo(m_path).fileName(), notes);
    ui->lblProblems->setText(notes.join(u'\n'));
}

void AlertsDialog::accept()
{
    QStringList lines = ui->txtRules->toPlainText().split(u'\n');
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const CResult<> saved = CDataStore::saveLines(m_path, lines);
    if (!saved) {
        m_prompts->message(saved.message());
        return;
    }
    QDialog::accept();
}
